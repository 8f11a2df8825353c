#pragma once
// The physics manager of a scene, filing its collidables in a collision grid
// so that a step costs what moves, not the square of what exists. One step:
// move the movables, re-file the collidables that moved, drop the contacts
// that ended (separation pass), test the moved collidables against what
// shares their cells (collision pass), then post every event of the step.
// The passes read the step's data of each collidable from a dense table
// (BodyTable); the move pass already takes the world box of a collidable whose
// top-level node it moved, while that node is in cache.
//
// Nothing is posted before the passes are done, so listeners never see the
// grid half updated; they may add, remove and move anything, which the next
// step handles. A removed collidable is kept alive until the separation pass
// has reported its contacts. Registration order, never addresses, decides the
// order of the walks, so events come in the same order on every run.
//
// A body is in the moved queue once at most, so that removal, which blanks its
// entry, leaves nothing of it behind. A movable whose move would leave the range
// of numbers is stopped where it is and the step goes on; should anything else
// break a step off, what it had queued waits, whole, for the next one.

#include "game/physics/BodyTable.h"
#include "game/physics/CollidableEvent.h"
#include "game/physics/CollisionGrid.h"
#include "game/physics/ContactList.h"
#include "game/physics/PhysicsManager.h"
#include "game/physics/SlotList.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class StaticCollidable;

class GridPhysicsManager : public PhysicsManager
{
public:
    static std::shared_ptr<GridPhysicsManager> createNew();
    ~GridPhysicsManager() override;

    void updateProcess(double dt) override;
    /// Collidables removed during a step, kept until their separations are posted, and the entities
    /// of the events a step has yet to post.
    void forEachOwned(ReferenceVisitor& visitor) const override;

    std::uint32_t createStaticCollidable(const Bound& bound) override;
    void addCollidable(Collidable* collidable) override;
    void removeCollidable(Collidable* collidable) override;
    void addMovable(Movable* movable) override;
    void removeMovable(Movable* movable) override;
    void collidableMoved(Collidable* collidable) override;

    /// The grid while connected, else null.
    CollisionGrid* getGrid() const { return grid.get(); }
    /// The step's record of a collidable registered here, else null.
    const PhysicsBody* getBody(const Collidable& collidable) const;

protected:
    void notifyConnected() override;
    void notifyDisconnected() override;

private:
    GridPhysicsManager() = default;

    void moveMovables(double dt);
    /// The world box of the collidable on a node its movable just moved, when it is final already.
    void takeWorldBoxEarly(SceneNode& node);
    void refile();
    void separate();
    void collide();
    void dispatch();
    /// Lists the pairs of the moved body (a copy, and its slot) and the others
    /// of a cell whose boxes touch, those the rules leave to this body.
    [[gnu::always_inline]] void scanCell(const PhysicsBody& body, std::uint32_t moved, const GridLevel& level, std::uint32_t x,
                  std::uint32_t y);
    /// The same for every cell below one, level by level down to the finest.
    void scanBelow(const PhysicsBody& body, std::uint32_t moved, GridLevel& level, std::uint32_t x, std::uint32_t y);
    void scanAbove(const PhysicsBody& body, std::uint32_t moved, GridLevel& level);
    /// The exact tests of the listed pairs, in order.
    void testCandidates();
    void testPair(std::uint32_t moved, std::uint32_t other);
    void reportCollision(Collidable& moved, Collidable& other);
    /// A separation, named as the pair was named when it began.
    void reportSeparation(const Contact& contact, Collidable* moved);
    /// Releases every registration, contact and grid cell, sending nothing.
    void dropAll();
    /// Leaves the queues of a step that an error broke off as the next step needs them.
    void abandonStep();
    /// Whether the body waits in the moved queue.
    bool isQueued(std::uint32_t slot, const PhysicsBody& body) const;

    BodyTable bodies;
    SlotList<Movable> movables;
    std::vector<std::unique_ptr<StaticCollidable>> staticCollidables;
    std::vector<std::uint32_t> movedQueue;  // body slots; a removed collidable leaves NO_SLOT
    std::vector<std::shared_ptr<Collidable>> removedKeepAlive;
    ContactList contacts;
    // An event of the step: made at the dispatch, for each manager that has a listener for it.
    struct PendingEvent
    {
        std::shared_ptr<Entity> entity1, entity2;
        std::uint32_t id1, id2;
        CollidableEvent::EventType type;
        double time;
    };
    std::vector<PendingEvent> pendingEvents;
    // Within a collision pass: the pairs whose boxes touch, in the order they are tested.
    struct Candidate
    {
        std::uint32_t moved, other;
    };
    std::vector<Candidate> candidates;
    std::unique_ptr<CollisionGrid> grid;
    std::uint32_t lastId = 0;
    std::uint32_t step = 0;  // counts the steps: a body stamped with it moved in this one
    bool anyRefiled = false;      // a body moved in this step
    bool contactsEnding = false;  // a removal marked contacts ending since the last separation pass
    // Within a collision pass: the moved collidable's world bound, fetched at its first exact test.
    Bound* movedBound = nullptr;
    double eventTime = 0.0;
};

}
