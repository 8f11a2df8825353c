#include "SceneFixtures.h"

#include "scene/EntityTracker.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr std::uint32_t FOUND = 4001;
constexpr std::uint32_t LOST = 4002;
const std::string FOUND_LINE = "event 4001";
const std::string LOST_LINE = "event 4002";

// A scene at time 3 with a target entity whose found and lost events are logged.
struct Stage
{
    Stage()
    {
        target->addEventListener(&found);
        target->addEventListener(&lost);
    }

    std::shared_ptr<SceneNode> add(const std::string& name)
    {
        auto node = entityNode(name);
        scene->addNode(node);
        return node;
    }

    Log log;
    std::shared_ptr<SceneManager> scene = SceneManager::createNew(3.0);
    std::shared_ptr<Entity> target = add("target")->getEntity();
    EventRecorder found{log, FOUND};
    EventRecorder lost{log, LOST};
};

using EntityTrackerTest = SceneTest;

}

TEST_F(EntityTrackerTest, FoundOnceWhetherPresentAtConnectingOrJoiningLaterAndZeroTypesPostNothing)
{
    for (bool presentAtConnecting : {true, false})
    {
        SCOPED_TRACE(presentAtConnecting ? "present at connecting" : "joining later");
        Stage stage;
        std::shared_ptr<SceneNode> hero;
        if (presentAtConnecting)
            hero = stage.add("hero");
        EntityTracker tracker("hero");
        EntityTracker silent("hero");
        tracker.connect(stage.scene, stage.target, FOUND, LOST);
        tracker.connect(stage.scene, nullptr, 0, 0);
        silent.connect(stage.scene, stage.target, 0, 0);
        if (!presentAtConnecting)
        {
            EXPECT_TRUE(stage.log.empty());
            hero = stage.add("hero");
        }
        stage.scene->removeNode(stage.add("extra"));

        EXPECT_EQ(stage.log, Log{FOUND_LINE});
        EXPECT_EQ(stage.found.times, std::vector<double>{3.0});
        EXPECT_EQ(tracker.getEntity(), hero->getEntity());
        EXPECT_EQ(silent.getEntity(), hero->getEntity());

        stage.scene->removeNode(hero);
        EXPECT_EQ(silent.getEntity(), nullptr);
        EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE}));
    }
}

TEST_F(EntityTrackerTest, KilledEntityIsLostAtTheStepsEndAndAwaitedUntilDisconnecting)
{
    Stage stage;
    auto hero = stage.add("hero");
    EntityTracker tracker("hero");
    tracker.connect(stage.scene, stage.target, FOUND, LOST);

    hero->getEntity()->kill();
    EXPECT_EQ(stage.log, Log{FOUND_LINE});
    stage.scene->updateProcess(1.0);
    EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE}));
    EXPECT_EQ(stage.lost.times, std::vector<double>{4.0});
    EXPECT_EQ(tracker.getEntity(), nullptr);

    auto successor = stage.add("hero");
    EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE, FOUND_LINE}));
    EXPECT_EQ(tracker.getEntity(), successor->getEntity());

    tracker.disconnect();
    EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE, FOUND_LINE, LOST_LINE}));
    EXPECT_EQ(tracker.getEntity(), nullptr);
    stage.scene->removeNode(successor);
    stage.scene->addNode(successor);
    tracker.disconnect();
    EXPECT_EQ(stage.log.size(), 4u);
    EXPECT_EQ(tracker.getEntity(), nullptr);
}

TEST_F(EntityTrackerTest, SetEntitySwitchesBetweenTrackingAndWaiting)
{
    Stage stage;
    auto hero = stage.add("hero");
    auto sidekick = stage.add("sidekick");
    EntityTracker tracker("hero");
    tracker.connect(stage.scene, stage.target, FOUND, LOST);

    tracker.setEntity(sidekick->getEntity());
    EXPECT_EQ(tracker.getEntity(), sidekick->getEntity());
    tracker.setEntity("sidekick");
    EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE, FOUND_LINE}));

    tracker.setEntity("latecomer");
    EXPECT_EQ(tracker.getEntity(), nullptr);
    stage.scene->removeNode(hero);
    stage.scene->removeNode(sidekick);
    EXPECT_EQ(stage.log, (Log{FOUND_LINE, LOST_LINE, FOUND_LINE, LOST_LINE}));

    auto latecomer = stage.add("latecomer");
    EXPECT_EQ(tracker.getEntity(), latecomer->getEntity());
    EXPECT_EQ(stage.log.back(), FOUND_LINE);
    EXPECT_EQ(stage.log.size(), 5u);
}

TEST_F(EntityTrackerTest, TrackerOutlivingItsSceneDoesNothingHarmful)
{
    EntityTracker tracking("hero");
    EntityTracker waiting("ghost");
    {
        Stage stage;
        stage.add("hero");
        tracking.connect(stage.scene, stage.target, FOUND, LOST);
        waiting.connect(stage.scene, stage.target, FOUND, LOST);
        ASSERT_NE(tracking.getEntity(), nullptr);
    }
    EXPECT_EQ(tracking.getEntity(), nullptr) << "the tracked entity left with its scene";

    tracking.setEntity("hero again");
    waiting.setEntity("hero");
    EXPECT_EQ(tracking.getEntity(), nullptr);
    EXPECT_EQ(waiting.getEntity(), nullptr);
    tracking.disconnect();
    waiting.disconnect();
    EXPECT_EQ(liveEntities(), 0);
}
