#include "SceneFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr std::uint32_t PING = 3101;

std::shared_ptr<Event> ping(double time)
{
    return std::make_shared<Event>(PING, time);
}

// A scene whose entering and leaving entities are logged.
struct Watched
{
    Watched() { scene->addEventListener(&recorder); }
    // The hooks refer to the test's locals, which are gone by the time the scene clears itself.
    ~Watched() { recorder.onRemoved = nullptr; }

    std::shared_ptr<SceneNode> add(const std::string& name)
    {
        auto node = entityNode(name);
        scene->addNode(node);
        return node;
    }

    long count(const std::string& line) const { return std::count(log.begin(), log.end(), line); }

    Log log;
    SceneRecorder recorder{log};
    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
};

using SceneManagerStep = SceneTest;
using SceneManagerEvents = SceneTest;
using SceneManagerLifetime = SceneTest;

}

TEST_F(SceneManagerStep, ProcessesRunThenQueuedEventsThenKilledEntitiesLeave)
{
    Watched w;
    auto victim = w.add("victim")->getEntity();
    auto node = w.add("e");
    auto entity = node->getEntity();
    EventRecorder onScene(w.log, PING, "scene: ");
    EventRecorder onEntity(w.log, PING, "e: ");
    w.scene->addEventListener(&onScene);
    entity->addEventListener(&onEntity);
    onEntity.onEvent = [&](auto) {
        w.log.push_back("victim found " + std::to_string(w.scene->getEntity("victim") == victim));
    };
    w.scene->addProcess(std::make_shared<Step>([&] {
        w.log.push_back("process");
        victim->kill();
        w.scene->queueEvent(ping(w.scene->getCurrentTime()));
        entity->queueEvent(ping(w.scene->getCurrentTime()));
    }));
    w.log.clear();

    w.scene->updateProcess(1.0);

    EXPECT_EQ(w.log, (Log{"process", "scene: event 3101", "e: event 3101", "victim found 1", "removed victim"}));
    EXPECT_EQ(w.scene->getEntity("victim"), nullptr);
    EXPECT_EQ(onEntity.times, std::vector<double>{1.0});
}

TEST_F(SceneManagerStep, KillsDuringTheStepAreNeitherRepeatedNorLost)
{
    Watched w;
    auto a = w.add("a")->getEntity();
    auto b = w.add("b")->getEntity();
    w.recorder.onRemoved = [&](const std::shared_ptr<SceneEvent>& event) {
        if (event->getEntity() == a)
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

TEST_F(SceneManagerStep, EntityDrainedAndDestroyedElsewhereIsNeverDispatched)
{
    Log log;
    auto scene = SceneManager::createNew();
    auto node = entityNode("e");
    scene->addNode(node);
    auto entity = node->getEntity();
    EventRecorder heard(log, PING);
    entity->addEventListener(&heard);

    entity->queueEvent(ping(0.0));
    entity->dispatchEvents(0.0);
    entity->queueEvent(ping(0.0));
    scene->updateProcess(1.0);
    EXPECT_EQ(heard.times.size(), 2u) << "listed twice, each event still delivered once";

    entity->queueEvent(ping(1.0));
    scene->removeNode(node);
    scene->updateProcess(1.0);
    EXPECT_EQ(heard.times.size(), 2u) << "an entity that left is no longer the scene's to dispatch";

    scene->addNode(node);
    entity->dispatchEvents(1.0);
    scene->removeNode(node);
    node.reset();
    entity.reset();
    EXPECT_EQ(liveEntities(), 0);
    scene->updateProcess(1.0);
    EXPECT_EQ(heard.times.size(), 3u);
}

TEST_F(SceneManagerStep, EntityRemovedByItsOwnListenerLivesUntilItsDispatchEnds)
{
    Log log;
    auto scene = SceneManager::createNew();
    std::weak_ptr<SceneNode> node = [&] {
        auto made = entityNode("e");
        scene->addNode(made);
        return made;
    }();
    Entity* entity = node.lock()->getEntity().get();
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

TEST_F(SceneManagerEvents, SiblingRemovedFromInsideRemoveAllLeavesOnce)
{
    Watched w;
    auto parent = w.add("parent");
    auto first = entityNode("first");
    auto second = entityNode("second");
    parent->addChild(first);
    parent->addChild(second);
    w.recorder.onRemoved = [&](const std::shared_ptr<SceneEvent>& event) {
        if (event->getEntity() == first->getEntity())
            parent->removeChild(second);
    };

    parent->removeAll();

    EXPECT_EQ(w.count("removed first"), 1);
    EXPECT_EQ(w.count("removed second"), 1);
    EXPECT_FALSE(parent->hasChildren());
    EXPECT_EQ(second->getParent(), nullptr);
    EXPECT_EQ(second->getManager(), nullptr);
    EXPECT_EQ(w.scene->getNumEntities(), 1u);
}

TEST_F(SceneManagerEvents, ClearSurvivesCallbacksThatRemoveAddAndClear)
{
    Watched w;
    auto a = w.add("a");
    auto b = w.add("b");
    auto c = w.add("c");
    auto newcomer = entityNode("newcomer");
    w.recorder.onRemoved = [&](const std::shared_ptr<SceneEvent>& event) {
        if (event->getEntity() != a->getEntity())
            return;
        w.scene->removeNode(c);
        w.scene->addNode(newcomer);
    };
    w.log.clear();

    w.scene->clear();

    EXPECT_EQ(w.log, (Log{"removed a", "removed c", "added newcomer", "removed b"}));
    EXPECT_EQ(w.scene->getNumEntities(), 1u);
    EXPECT_EQ(w.scene->getEntity("newcomer"), newcomer->getEntity());

    w.recorder.onRemoved = [&](auto) { w.scene->clear(); };
    w.scene->addNode(a);
    w.scene->clear();
    EXPECT_EQ(w.count("removed newcomer"), 1);
    EXPECT_EQ(w.count("removed a"), 2);
    EXPECT_EQ(w.scene->getNumEntities(), 0u);
}

TEST_F(SceneManagerLifetime, DroppingASceneReleasesEverythingInIt)
{
    Log log;
    SceneRecorder recorder(log);
    auto renderer = std::make_shared<CountingRenderer>();
    {
        auto scene = SceneManager::createNew();
        scene->addEventListener(&recorder);
        renderer->connect(scene);
        auto top = entityNode("top", {std::make_shared<Tracer>(), std::make_shared<Sprite>()});
        auto left = entityNode("left", {std::make_shared<Marker>()});
        left->addChild(entityNode("child"));
        top->addChild(left);
        top->addChild(entityNode("right"));
        scene->addNode(top);
        scene->addNode(entityNode("other"));
        scene->getEntity("child")->queueEvent(ping(5.0));
        EXPECT_EQ(liveEntities(), 5);
        EXPECT_EQ(liveComponents(), 3);
    }
    // Parents enter first and leave last, each subtree whole.
    EXPECT_EQ(log, (Log{"added top", "added left", "added child", "added right", "added other", "removed child",
                        "removed left", "removed right", "removed top", "removed other"}));
    EXPECT_EQ(liveEntities(), 0);
    EXPECT_EQ(liveComponents(), 0);
    EXPECT_EQ(renderer->getSceneManagerPointer(), nullptr);
    EXPECT_EQ(renderer.use_count(), 1);
}

