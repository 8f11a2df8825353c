#pragma once
// The physics manager of a scene, filing its collidables in a collision grid
// so that a step costs what moves, not the square of what exists. One step:
// move the movables, re-file the collidables that moved, drop the contacts
// that ended (separation pass), test the moved collidables against what
// shares their cells (collision pass), then post every event of the step.
//
// Nothing is posted before the passes are done, so listeners never see the
// grid half updated; they may add, remove and move anything, which the next
// step handles. A removed collidable is kept alive until the separation pass
// has reported its contacts. Registration order, never addresses, decides the
// order of the walks, so events come in the same order on every run.

#include "game/CollisionGrid.h"
#include "game/ContactList.h"
#include "game/PhysicsManager.h"
#include "game/SlotList.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Tarnu
{

class CollidableEvent;
class StaticCollidable;

class GridPhysicsManager : public PhysicsManager
{
public:
    static std::shared_ptr<GridPhysicsManager> createNew();
    ~GridPhysicsManager() override;

    void updateProcess(double dt) override;

    std::uint32_t createStaticCollidable(const Bound& bound) override;
    void addCollidable(Collidable* collidable) override;
    void removeCollidable(Collidable* collidable) override;
    void addMovable(Movable* movable) override;
    void removeMovable(Movable* movable) override;
    void collidableMoved(Collidable* collidable) override;

    /// The grid while connected, else null.
    CollisionGrid* getGrid() const { return grid.get(); }
    const ContactList& getContacts() const { return contacts; }

protected:
    void notifyConnected() override;
    void notifyDisconnected() override;

private:
    GridPhysicsManager() = default;

    void moveMovables(double dt);
    void refile();
    /// The refile pass needs the collidables and their nodes; the collision pass their cells too.
    void prefetchAhead(std::size_t slot, bool cells) const;
    void separate();
    void collide();
    void dispatch();
    /// Tests the moved collidable against the others of a cell that come before it.
    void scanCell(Collidable& moved, const GridCell& cell, std::uint32_t level);
    /// The same for every cell below one, level by level down to the finest.
    void scanBelow(Collidable& moved, GridLevel& level, const GridCell& cell);
    void scanAbove(Collidable& moved, GridLevel& level);
    void testPair(Collidable& moved, Collidable& other);
    void reportCollision(Collidable& moved, Collidable& other);
    /// A separation, named as the pair was named when it began.
    void reportSeparation(const Contact& contact, Collidable* moved);
    /// Releases every registration, contact and grid cell, sending nothing.
    void dropAll();

    SlotList<Collidable> collidables;
    SlotList<Movable> movables;
    std::vector<std::unique_ptr<StaticCollidable>> staticCollidables;
    std::vector<Collidable*> movedQueue;  // a removed collidable leaves a null
    std::vector<std::shared_ptr<Collidable>> removedKeepAlive;
    ContactList contacts;
    std::vector<std::shared_ptr<CollidableEvent>> pendingEvents;
    std::unique_ptr<CollisionGrid> grid;
    std::uint32_t lastId = 0;
    std::uint32_t step = 0;  // counts the steps: a cell entry stamped with it moved in this one
    // Within a collision pass: the moved collidable's world bound, fetched at its first exact test.
    Bound* movedBound = nullptr;
    double eventTime = 0.0;
};

}
