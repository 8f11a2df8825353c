#include "SceneFixtures.h"

#include "scene/EntityTracker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr std::uint32_t PING = 3101;

std::shared_ptr<Event> ping(double time) { return std::make_shared<Event>(PING, time); }

// A scene whose entering and leaving entities are logged.
struct Watched
{
    explicit Watched(double time = 0.0) : scene(SceneManager::createNew(time)) { scene->addEventListener(&recorder); }
    // The hook refers to the test's locals, which are gone by the time the scene clears itself.
    ~Watched() { recorder.onEvent = nullptr; }

    std::shared_ptr<SceneNode> add(const std::string& name)
    {
        auto node = entityNode(name);
        scene->addNode(node);
        return node;
    }
    long count(const std::string& line) const { return std::count(log.begin(), log.end(), line); }

    Log log;
    EventRecorder recorder{log, SceneEvent::TYPE};
    std::shared_ptr<SceneManager> scene;
};

constexpr std::uint32_t FOUND = 4001, LOST = 4002;
const std::string F = "event 4001", L = "event 4002";

// A scene at time 3 with a target entity whose found and lost events are heard.
struct Stage : Watched
{
    Stage() : Watched(3.0)
    {
        target->addEventListener(&found);
        target->addEventListener(&lost);
    }

    Log heard;
    std::shared_ptr<Entity> target = add("target")->getEntity();
    EventRecorder found{heard, FOUND}, lost{heard, LOST};
};

using SceneManagerTest = SceneTest;
using EntityTrackerTest = SceneTest;

}

TEST_F(SceneManagerTest, KillsDuringTheStepAreNeitherRepeatedNorLost)
{
    Watched w;
    auto a = w.add("a")->getEntity(), b = w.add("b")->getEntity();
    w.recorder.onEvent = [&](const std::string& line) {
        if (line == "removed a")
            b->kill();
    };
    a->kill();
    a->kill();

    w.scene->updateProcess(1.0);
    EXPECT_EQ(w.count("removed a"), 1);
    EXPECT_EQ(w.scene->getEntity("b"), b) << "killed while the garbage left: goes with the next step";
    w.scene->updateProcess(1.0);
    EXPECT_EQ(w.count("removed b"), 1);
    EXPECT_EQ(w.scene->getNumEntities(), 0u);
}

TEST_F(SceneManagerTest, EntityDrainedAndDestroyedElsewhereIsNeverDispatched)
{
    Log log;
    auto scene = SceneManager::createNew();
    auto node = entityNode("e");
    scene->addNode(node);
    auto entity = node->getEntity();
    EventRecorder heard(log, PING);
    entity->addEventListener(&heard);

    entity->queueEvent(ping(1.0));
    scene->removeNode(node);
    scene->updateProcess(1.0);
    EXPECT_EQ(heard.times.size(), 0u) << "an entity that left is no longer the scene's to dispatch";

    scene->addNode(node);
    entity->dispatchEvents(1.0);
    scene->removeNode(node);
    node.reset();
    entity.reset();
    EXPECT_EQ(liveEntities(), 0);
    scene->updateProcess(1.0);
    EXPECT_EQ(heard.times.size(), 1u);
}

TEST_F(SceneManagerTest, EntityRemovedByItsOwnListenerLivesUntilItsDispatchEnds)
{
    Log log;
    auto scene = SceneManager::createNew();
    auto made = entityNode("e");
    scene->addNode(made);
    std::weak_ptr<SceneNode> node = made;
    Entity* entity = std::exchange(made, nullptr)->getEntity().get();
    EventRecorder heard(log, PING);
    heard.onEvent = [&](auto) {
        scene->removeNode(node.lock());
        log.push_back("node gone " + std::to_string(node.expired()));
    };
    entity->addEventListener(&heard);
    entity->queueEvent(ping(0.0));
    entity->queueEvent(ping(0.0));

    scene->updateProcess(1.0);

    EXPECT_EQ(log, (Log{"event 3101", "node gone 1", "event 3101", "node gone 1"}));
    EXPECT_EQ(liveEntities(), 0);
}

TEST_F(SceneManagerTest, SiblingRemovedFromInsideRemoveAllLeavesOnce)
{
    Watched w;
    auto parent = w.add("parent");
    auto second = entityNode("second");
    parent->addChild(entityNode("first"));
    parent->addChild(second);
    w.recorder.onEvent = [&](const std::string& line) {
        if (line == "removed first")
            parent->removeChild(second);
    };

    parent->removeAll();

    EXPECT_EQ(w.count("removed first"), 1);
    EXPECT_EQ(w.count("removed second"), 1);
    EXPECT_FALSE(parent->hasChildren());
    EXPECT_EQ(second->getManager(), nullptr);
    EXPECT_EQ(w.scene->getNumEntities(), 1u);
}

TEST_F(SceneManagerTest, ClearSurvivesCallbacksThatRemoveAddAndClear)
{
    Watched w;
    auto a = w.add("a");
    w.add("b");
    auto c = w.add("c");
    auto newcomer = entityNode("newcomer");
    w.recorder.onEvent = [&](const std::string& line) {
        if (line != "removed a")
            return;
        w.scene->removeNode(c);
        w.scene->addNode(newcomer);
    };
    w.log.clear();

    w.scene->clear();

    EXPECT_EQ(w.log, (Log{"removed a", "removed c", "added newcomer", "removed b"}));
    EXPECT_EQ(w.scene->getEntity("newcomer"), newcomer->getEntity());

    w.scene->addNode(a);
    w.recorder.onEvent = [&](const std::string& line) {
        if (line.starts_with("removed"))
            w.scene->clear();
    };
    w.scene->clear();
    EXPECT_EQ(w.count("removed newcomer"), 1);
    EXPECT_EQ(w.count("removed a"), 2);
    EXPECT_EQ(w.scene->getNumEntities(), 0u);
}

TEST_F(EntityTrackerTest, FoundOnceWhetherPresentAtConnectingOrJoiningLaterAndZeroTypesPostNothing)
{
    for (bool presentAtConnecting : {true, false})
    {
        SCOPED_TRACE(presentAtConnecting ? "present at connecting" : "joining later");
        Stage stage;
        std::shared_ptr<SceneNode> hero = presentAtConnecting ? stage.add("hero") : nullptr;
        EntityTracker tracker("hero"), silent("hero");
        tracker.connect(stage.scene, stage.target, FOUND, LOST);
        tracker.connect(stage.scene, nullptr, 0, 0);
        silent.connect(stage.scene, stage.target, 0, 0);
        if (!presentAtConnecting)
            hero = stage.add("hero");
        stage.scene->removeNode(stage.add("extra"));

        EXPECT_EQ(stage.heard, Log{F});
        EXPECT_EQ(stage.found.times, std::vector<double>{3.0});
        EXPECT_EQ(tracker.getEntity(), hero->getEntity());
        EXPECT_EQ(silent.getEntity(), hero->getEntity());
        stage.scene->removeNode(hero);
        EXPECT_EQ(silent.getEntity(), nullptr);
        EXPECT_EQ(stage.heard, (Log{F, L}));
    }
}

TEST_F(EntityTrackerTest, KilledEntityIsLostAtTheStepsEndAndAwaitedUntilDisconnecting)
{
    Stage stage;
    auto hero = stage.add("hero");
    EntityTracker tracker("hero");
    tracker.connect(stage.scene, stage.target, FOUND, LOST);

    hero->getEntity()->kill();
    EXPECT_EQ(stage.heard, Log{F});
    stage.scene->updateProcess(1.0);
    EXPECT_EQ(stage.heard, (Log{F, L}));
    EXPECT_EQ(stage.lost.times, std::vector<double>{4.0});

    auto successor = stage.add("hero");
    EXPECT_EQ(tracker.getEntity(), successor->getEntity());
    tracker.disconnect();
    EXPECT_EQ(stage.heard, (Log{F, L, F, L}));
    stage.scene->removeNode(successor);
    stage.scene->addNode(successor);
    EXPECT_EQ(stage.heard.size(), 4u);
}

TEST_F(EntityTrackerTest, TrackerOutlivingItsSceneDoesNothingHarmful)
{
    EntityTracker tracking("hero"), waiting("ghost");
    {
        Stage stage;
        stage.add("hero");
        tracking.connect(stage.scene, stage.target, FOUND, LOST);
        waiting.connect(stage.scene, stage.target, FOUND, LOST);
        ASSERT_NE(tracking.getEntity(), nullptr);
    }
    EXPECT_EQ(tracking.getEntity(), nullptr) << "the tracked entity left with its scene";
    waiting.setEntity("hero");
    EXPECT_EQ(waiting.getEntity(), nullptr);
    tracking.disconnect();
    waiting.disconnect();
}
