// What engine objects list of the shared pointers they hold: Python's cycle collector frees a cycle
// through the engine only when every copy of every holder on the way is listed by its owner.

#include "SceneFixtures.h"

#include "core/OwnedReferences.h"
#include "core/math/Circle.h"
#include "game/paths/StraightLinePathfinder.h"
#include "game/paths/TurnAndDashPathwalker.h"
#include "game/physics/CollisionFinders.h"
#include "game/physics/GridPhysicsManager.h"
#include "game/physics/Movable.h"
#include "game/physics/MovableAffector.h"
#include "game/units/GamePlayerManager.h"
#include "game/units/PlayerBeacon.h"
#include "game/units/PlayerUnit.h"
#include "game/world/TileMap.h"
#include "scene/EntityTracker.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

// Counts, from the roots it is given, every copy of every object their listings lead to.
class CopyCount final : public ReferenceVisitor
{
public:
    template <class Root>
    void from(const Root& root)
    {
        root.forEachOwned(*this);
        while (next < pending.size())
        {
            const auto [object, explore] = pending[next++];
            explore(object, *this);
        }
    }

    /// Copies found against the object's use count.
    std::pair<long, long> of(const void* object) const
    {
        const auto found = counts.find(object);
        return found == counts.end() ? std::pair<long, long>{0, -1} : found->second;
    }

private:
    void visit(const std::shared_ptr<const void>& shared, const void* object, long useCount, Explore explore) override
    {
        auto [count, added] = counts.try_emplace(object, 0, useCount);
        ++count->second.first;
        if (added && explore)
            pending.emplace_back(shared.get(), explore);
    }

    std::unordered_map<const void*, std::pair<long, long>> counts;
    std::vector<std::pair<const void*, Explore>> pending;
    std::size_t next = 0;
};

using OwnedReferencesTest = SceneTest;

}

TEST_F(OwnedReferencesTest, AScenesListingsAccountForEveryCopyOfWhatItAloneHolds)
{
    auto scene = SceneManager::createNew();
    auto physics = GridPhysicsManager::createNew();
    physics->connect(scene);
    auto movable = std::make_shared<Movable>(Vector2::ZERO, 1.0, 0.0);
    auto force = std::make_shared<Force>(Vector2(1, 0), SceneNode::WORLD);
    movable->apply(force);
    auto walker = std::make_shared<TurnAndDashPathwalker>(1.0, 1.0);
    auto finder = std::make_shared<StraightLinePathfinder>();
    auto hull = std::make_shared<StaticCollidable>(Circle(Vector2::ZERO, 1));
    auto top = entityNode("ship", {movable, walker, finder, hull});
    auto map = std::make_shared<TileMap>(Vector2(1, 1), 0, 0, 0);
    auto players = std::make_shared<GamePlayerManager>();
    auto unit = std::make_shared<PlayerUnit>(1, 1);
    auto child = entityNode("rock", {map, players, unit});
    auto beacon = std::make_shared<PlayerBeacon>(1, 1);
    top->addChild(entityNode("post", {beacon}));
    top->addChild(child);
    scene->addNode(top);
    beacon->addUnit(unit);
    finder->setDest(Vector2(5, 0));
    finder->start();
    scene->updateProcess(0.1);

    // Events an entity keeps until they are due name what they are about; a tracker the script
    // owns holds what it follows and where it reports.
    EntityTracker tracker("rock");
    {
        const auto ship = top->getEntity(), rock = child->getEntity();
        const auto collided = CollidableEvent::ENTITIES_COLLIDED;
        ship->queueEvent(std::make_shared<CollidableEvent>(ship, rock, 1, 2, collided, 90.0));
        ship->queueEvent(std::make_shared<CollisionComponentFinder::FoundEvent>(7, 90.0, map, rock, collided));
        ship->queueEvent(std::make_shared<CollisionEntityFinder::FoundEvent>(8, 90.0, rock, collided));
        ship->queueEvent(std::make_shared<PathfinderEvent>(90.0, finder, Vector2(5, 0)));
        tracker.connect(scene, ship);
    }

    const auto identity = [](const auto& object) { return dynamic_cast<const void*>(object.get()); };
    const std::map<std::string, const void*> held = {
        {"ship", identity(top->getEntity())}, {"rock", identity(child->getEntity())}, {"top node", top.get()},
        {"child node", child.get()}, {"movable", identity(movable)}, {"force", identity(force)},
        {"walker", identity(walker)}, {"finder", identity(finder)}, {"hull", identity(hull)}, {"map", identity(map)},
        {"players", identity(players)}, {"unit", identity(unit)}, {"beacon", identity(beacon)},
        {"physics", identity(physics)}};
    physics.reset(), movable.reset(), force.reset(), walker.reset(), finder.reset(), hull.reset(), map.reset();
    players.reset(), unit.reset(), beacon.reset(), top.reset(), child.reset();
    CopyCount copies;
    copies.from(*scene);
    copies.from(tracker);
    for (const auto& [name, object] : held)
    {
        const auto [found, useCount] = copies.of(object);
        EXPECT_EQ(found, useCount) << name;
    }

    tracker.disconnect();
    scene->getEntity("ship")->dispatchEvents(-1.0);
    scene->clear();
}
