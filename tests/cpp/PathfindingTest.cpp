#include "ErrorText.h"
#include "SceneFixtures.h"

#include "game/physics/GridPhysicsManager.h"
#include "game/physics/Movable.h"
#include "game/paths/PathfinderActionEvent.h"
#include "game/paths/StraightLinePathfinder.h"
#include "game/paths/TurnAndDashPathwalker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

std::shared_ptr<const PathNode> pathThrough(const std::vector<Vector2>& points)
{
    std::shared_ptr<const PathNode> path;
    for (auto point = points.rbegin(); point != points.rend(); ++point)
        path = std::make_shared<PathNode>(PathNode{std::make_shared<Vector2>(*point), path});
    return path;
}

// Hears the walker's reports as "completed <x>,<y>" or "aborted <x>,<y>".
struct Reports : PathwalkerListener
{
    void pathAborted(const std::shared_ptr<const PathNode>& path) override { write("aborted", path); }
    void pathCompleted(const std::shared_ptr<const PathNode>& path) override { write("completed", path); }
    void write(const std::string& how, const std::shared_ptr<const PathNode>& path)
    {
        heard.push_back(how + " " + path->point->toString());
    }
    Log heard;
};

// An entity with a movable and a walker that dashes 10 units a second and turns a quarter in 1 s, in a scene
// with a physics manager.
struct Trip
{
    Trip()
    {
        physics->connect(scene);
        node = entityNode("walker", {movable, walker});
        node->getEntity()->addEventListener(&reports);
        scene->addNode(node);
    }
    ~Trip() { scene->clear(); }

    /// A pathfinder on the walker's entity, sent to the point.
    std::shared_ptr<StraightLinePathfinder> headFor(const Vector2& point)
    {
        auto finder = std::make_shared<StraightLinePathfinder>();
        node->getEntity()->addComponent(finder);
        finder->setDest(point);
        finder->start();
        return finder;
    }
    void steps(int count)
    {
        for (int i = 0; i < count; ++i)
            scene->updateProcess(0.25);
    }

    std::shared_ptr<SceneManager> scene = SceneManager::createNew();
    std::shared_ptr<GridPhysicsManager> physics = GridPhysicsManager::createNew();
    std::shared_ptr<Movable> movable = std::make_shared<Movable>(Vector2::ZERO, 1.0, 0.0);
    std::shared_ptr<TurnAndDashPathwalker> walker = std::make_shared<TurnAndDashPathwalker>(M_PI / 2, 10.0);
    std::shared_ptr<SceneNode> node;
    Reports reports;
};

using PathfindingTest = SceneTest;

}

TEST_F(PathfindingTest, AWalkerTakesAtMostTheCountOfWaypointsOfAPathOnlyItHoldsNow)
{
    Trip trip;
    // Straight ahead for 2.5 s, a quarter turn left from the next update on for 1 s and a dash of 1 s; the third
    // point is over the count.
    trip.walker->setPath(pathThrough({Vector2(25, 0), Vector2(25, 10), Vector2(50, 50)}), 2);
    trip.steps(19);
    EXPECT_EQ(trip.reports.heard, Log{});
    trip.steps(1);
    EXPECT_EQ(trip.reports.heard, Log{"completed <25,10>"});
    EXPECT_EQ(trip.node->getWorldPosition(), Vector2(25, 10));
    EXPECT_EQ(trip.movable->getVelocity(), Vector2::ZERO);

    // A node without a point ends the path there.
    trip.reports.heard.clear();
    auto open = std::make_shared<PathNode>(PathNode{std::make_shared<Vector2>(25, 20), std::make_shared<PathNode>()});
    trip.walker->setPath(open, 5);
    trip.steps(8);
    EXPECT_EQ(trip.reports.heard, Log{"completed <25,20>"});
}

TEST_F(PathfindingTest, EveryEndOfAWalkStopsTheEntityAtOnce)
{
    Trip trip;
    const std::shared_ptr<const PathNode> path = pathThrough({Vector2(100, 0)});
    trip.walker->setPath(path, 1);
    trip.steps(2);
    ASSERT_EQ(trip.movable->getVelocity(), Vector2(10, 0));
    // A count of 0 on the very path being walked is a stop as well.
    trip.walker->setPath(path, 0);
    EXPECT_EQ(trip.movable->getVelocity(), Vector2::ZERO);

    trip.walker->setPath(path, 1);
    trip.steps(2);
    trip.node->getEntity()->removeComponent(trip.walker);
    EXPECT_EQ(trip.movable->getVelocity(), Vector2::ZERO);
    trip.steps(2);
    EXPECT_EQ(trip.node->getWorldPosition(), Vector2(5, 0));
    EXPECT_EQ(trip.reports.heard, Log{});
}

TEST_F(PathfindingTest, AWalkerThatLosesItsMovableTurnsAfreshWithTheNextOne)
{
    Trip trip;
    trip.walker->setPath(pathThrough({Vector2(30, 0)}), 1);
    trip.steps(2);
    trip.node->getEntity()->removeComponent(trip.movable);
    trip.steps(2);
    auto next = std::make_shared<Movable>(Vector2::ZERO, 1.0, 0.0);
    trip.node->getEntity()->addComponent(next);
    trip.steps(1);
    EXPECT_EQ(next->getVelocity(), Vector2(10, 0));
    trip.steps(11);
    EXPECT_EQ(trip.reports.heard, Log{"completed <30,0>"});
    EXPECT_EQ(trip.node->getWorldPosition(), Vector2(30, 0));
}

TEST_F(PathfindingTest, APathfinderLeavingItsEntityStopsTheWalkItStarted)
{
    Trip trip;
    auto finder = trip.headFor(Vector2(0, 50));
    std::shared_ptr<Entity> entity = trip.node->getEntity();
    trip.steps(6);
    ASSERT_EQ(trip.movable->getVelocity(), Vector2(0, 10));
    entity->removeComponent(finder);
    finder.reset();
    EXPECT_EQ(trip.movable->getVelocity(), Vector2::ZERO);
    trip.steps(4);
    EXPECT_EQ(trip.reports.heard, Log{});
}

TEST_F(PathfindingTest, WalkerReportsReachTheirListenersByKindAndOtherEventsDoNot)
{
    Trip trip;
    auto finder = trip.headFor(Vector2(30, 0));
    std::shared_ptr<Entity> entity = trip.node->getEntity();
    trip.steps(1);
    trip.walker->setPath(nullptr, 0);
    const std::shared_ptr<const PathNode> elsewhere = pathThrough({Vector2(-5, 0)});
    entity->postEvent(std::make_shared<PathwalkerEvent>(0.0, elsewhere, false));
    entity->postEvent(std::make_shared<Event>(PathwalkerEvent::TYPE, 0.0));
    EXPECT_EQ(trip.reports.heard, Log{"aborted <-5,0>"});
    // The pathfinder answers an aborted walk by sending the walker on its own path again.
    EXPECT_EQ(trip.movable->getVelocity(), Vector2::ZERO);
    trip.steps(13);
    EXPECT_EQ(trip.reports.heard, (Log{"aborted <-5,0>", "completed <30,0>"}));
    EXPECT_EQ(finder->getDestOffset(), Vector2::ZERO);
    EXPECT_EQ(finder->getDest(), Vector2(30, 0));
    EXPECT_TRUE(finder->getDestEntity().expired());
}

TEST_F(PathfindingTest, SpeedsMustBeFiniteAndAboveZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (auto [rot, trans] : {std::pair{0.0, 1.0}, {1.0, -1.0}, {nan, 1.0}, {1.0, inf}})
        EXPECT_EQ(errorText([&] { TurnAndDashPathwalker(rot, trans); }),
                  "invalid speed argumenets for TurnAndDashPathwalker");
}

TEST_F(PathfindingTest, ActionEventCopiesKeepTheNameOfTheirTargetAndNoNameIsNobody)
{
    auto scene = SceneManager::createNew();
    scene->addNode(entityNode(""));
    auto named = entityNode("named");
    scene->addNode(named);
    const auto copyAfter = [](const std::string& name) {
        const PathfinderActionEvent event(PathfinderActionEvent::SET_ENT_DEST, Vector2(1, 2), name, 0.0);
        return std::static_pointer_cast<PathfinderActionEvent>(event.createCopy(3.0));
    };
    EXPECT_EQ(copyAfter("named")->findTarget(*scene), named->getEntity());
    // The first unnamed entity of the scene is filed under "", but it is nobody's target.
    EXPECT_EQ(copyAfter("")->findTarget(*scene), nullptr);
    scene->clear();
}
