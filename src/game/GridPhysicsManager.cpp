#include "game/GridPhysicsManager.h"

#include "core/math/Intersection.h"
#include "game/Collidable.h"
#include "game/CollidableEvent.h"
#include "game/Movable.h"
#include "game/StaticCollidable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/Visitor.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Tarnu
{

std::size_t& slotOf(Collidable& collidable)
{
    return collidable.getRecord().registrySlot;
}

std::size_t& slotOf(Movable& movable)
{
    return movable.getPhysicsSlot();
}

namespace
{

// The collidables and movables of a scene's entities, in the scene's order.
class RegistrationCollector : public Visitor<std::shared_ptr<Entity>>
{
public:
    void visit(const std::shared_ptr<Entity>& entity) override
    {
        if (auto collidable = Collidable::getFor(entity.get()))
            collidables.push_back(collidable);
        if (auto movable = Movable::getFor(entity.get()))
            movables.push_back(movable);
    }

    std::vector<std::shared_ptr<Collidable>> collidables;
    std::vector<std::shared_ptr<Movable>> movables;
};

}

std::shared_ptr<GridPhysicsManager> GridPhysicsManager::createNew()
{
    return std::shared_ptr<GridPhysicsManager>(new GridPhysicsManager());
}

GridPhysicsManager::~GridPhysicsManager()
{
    // Normally done by disconnect already; nothing may keep a pointer to a manager that is gone.
    dropAll();
}

std::uint32_t GridPhysicsManager::createStaticCollidable(const Bound& bound)
{
    staticCollidables.push_back(std::make_unique<StaticCollidable>(bound));
    Collidable& made = *staticCollidables.back();
    if (grid)
        addCollidable(&made);
    return made.getRecord().collidableId;
}

void GridPhysicsManager::addCollidable(Collidable* collidable)
{
    if (!collidable || collidables.contains(*collidable))
        return;
    PhysicsRecord& record = collidable->getRecord();
    collidable->setPhysicsManager(this);
    if (SceneNode* node = collidable->getSceneNodePointer())
    {
        collidable->setSceneNodeLink(node);
        node->setCollidableLink(collidable);
    }
    collidables.add(collidable);
    record.queued = false;
    collidableMoved(collidable);
    record.queued = record.boundStale = record.moved = true;
    record.collidableId = ++lastId;
}

void GridPhysicsManager::removeCollidable(Collidable* collidable)
{
    if (!collidable || !collidables.remove(collidable))
        return;
    PhysicsRecord& record = collidable->getRecord();
    if (SceneNode* node = collidable->getSceneNodeLink())
        node->setCollidableLink(nullptr);
    collidable->setSceneNodeLink(nullptr);
    if (grid)
        grid->unfile(*collidable);
    if (record.queueSlot < movedQueue.size() && movedQueue[record.queueSlot] == collidable)
        movedQueue[record.queueSlot] = nullptr;
    record.queueSlot = PhysicsRecord::NO_SLOT;
    collidable->setPhysicsManager(nullptr);

    // Its contacts end in the next separation pass, which needs the collidable
    // whole: its own strong reference keeps it, whatever registry let go first.
    if (std::shared_ptr<Collidable> self = collidable->getSelf())
    {
        for (Contact* contact : record.contacts)
            if (contact->list == &contacts)
                contact->ending = true;
        removedKeepAlive.push_back(std::move(self));
        return;
    }
    // Nothing owns it any more (it is being destroyed): its separations are made now.
    const std::vector<Contact*> own = record.contacts;
    eventTime = getProcessTime();
    for (Contact* contact : own)
        if (contact->list == &contacts)
        {
            report(*contact->first, *contact->second, false);
            contacts.erase(contact);
        }
}

void GridPhysicsManager::addMovable(Movable* movable)
{
    if (!movable || movables.contains(*movable))
        return;
    movable->setPhysicsManager(this);
    movables.add(movable);
}

void GridPhysicsManager::removeMovable(Movable* movable)
{
    if (!movable || !movables.remove(movable))
        return;
    movable->setPhysicsManager(nullptr);
}

void GridPhysicsManager::collidableMoved(Collidable* collidable)
{
    collidable->getRecord().queueSlot = movedQueue.size();
    movedQueue.push_back(collidable);
}

void GridPhysicsManager::notifyConnected()
{
    grid = std::make_unique<CollisionGrid>();
    RegistrationCollector found;
    if (std::shared_ptr<SceneManager> scene = getScene())
        scene->accept(found);
    for (const std::unique_ptr<StaticCollidable>& collidable : staticCollidables)
        addCollidable(collidable.get());
    for (const std::shared_ptr<Collidable>& collidable : found.collidables)
        addCollidable(collidable.get());
    for (const std::shared_ptr<Movable>& movable : found.movables)
        addMovable(movable.get());
}

void GridPhysicsManager::notifyDisconnected()
{
    dropAll();
    staticCollidables.clear();
}

void GridPhysicsManager::dropAll()
{
    contacts.clear();
    for (Collidable* collidable : collidables.takeAll())
    {
        PhysicsRecord& record = collidable->getRecord();
        if (SceneNode* node = collidable->getSceneNodeLink())
            node->setCollidableLink(nullptr);
        collidable->setSceneNodeLink(nullptr);
        collidable->setPhysicsManager(nullptr);
        record.registrySlot = record.queueSlot = PhysicsRecord::NO_SLOT;
        record.gridLevel = -1;
        record.collidableId = 0;
    }
    for (Movable* movable : movables.takeAll())
    {
        movable->setPhysicsManager(nullptr);
        movable->getPhysicsSlot() = SlotList<Movable>::NO_SLOT;
    }
    movedQueue.clear();
    grid.reset();
    // Last: letting go may destroy collidables, which then find nothing to leave.
    std::vector<std::shared_ptr<Collidable>> released = std::move(removedKeepAlive);
    removedKeepAlive.clear();
}

void GridPhysicsManager::updateProcess(double dt)
{
    // A listener may disconnect and drop this manager while its events are posted.
    const std::shared_ptr<PhysicsManager> keep = weak_from_this().lock();
    collidables.compact();
    movables.compact();
    moveMovables(dt);
    if (grid)
    {
        refile();
        separate();
        collide();
    }
    dispatch();
}

void GridPhysicsManager::moveMovables(double dt)
{
    // Moving calls nothing but the node and its managers, so the list holds still meanwhile.
    for (std::size_t slot = 0; slot < movables.size(); ++slot)
    {
        Movable* movable = movables[slot];
        if (!movable)
            continue;
        movable->applyAffectors(dt);
        SceneNode* node = movable->getSceneNodePointer();
        if (!node)
            continue;
        const double turn = movable->getRotationalVelocity() * dt;
        if (turn != 0.0)
        {
            const double c = std::cos(turn);
            const double s = std::sin(turn);
            if (c != 1.0 || s != 0.0)
            {
                const Complex& q = node->getOrientation();
                node->setOrientation(Complex(q.r * c - q.i * s, q.r * s + q.i * c), SceneNode::PARENT);
            }
        }
        const Vector2& velocity = movable->getVelocity();
        if (velocity != Vector2::ZERO)
            node->translate(velocity * dt, SceneNode::WORLD);
    }
}

void GridPhysicsManager::refile()
{
    for (Collidable* collidable : movedQueue)
    {
        if (!collidable || !collidable->getRecord().queued)
            continue;
        collidable->getWorldBox();
        grid->unfile(*collidable);
        grid->file(*collidable);
        collidable->getRecord().queued = false;
    }
}

void GridPhysicsManager::separate()
{
    eventTime = getProcessTime();
    for (Contact* contact = contacts.front(); contact;)
    {
        Contact* next = contact->next;
        const PhysicsRecord& a = contact->first->getRecord();
        const PhysicsRecord& b = contact->second->getRecord();
        const bool ends =
            contact->ending ||
            ((a.moved || b.moved) &&
             !boxesTouch(contact->first->getCachedWorldBox(), contact->second->getCachedWorldBox()));
        if (ends)
        {
            report(*contact->first, *contact->second, false);
            contacts.erase(contact);
        }
        contact = next;
    }
}

void GridPhysicsManager::collide()
{
    eventTime = getProcessTime();
    for (Collidable* collidable : movedQueue)
    {
        if (!collidable || collidable->getRecord().gridLevel < 0)
            continue;
        const PhysicsRecord& record = collidable->getRecord();
        GridLevel& level = grid->getLevel(static_cast<std::uint32_t>(record.gridLevel));
        movedBound = nullptr;
        for (std::uint32_t x = record.firstX; x <= record.lastX; ++x)
            for (std::uint32_t y = record.firstY; y <= record.lastY; ++y)
            {
                const GridCell& cell = level.cell(x, y);
                scanCell(*collidable, cell);
                scanBelow(*collidable, level, cell);
            }
        if (level.parent)
            scanAbove(*collidable, level);
    }
    for (Collidable* collidable : movedQueue)
        if (collidable)
        {
            collidable->getRecord().moved = false;
            collidable->getRecord().queueSlot = PhysicsRecord::NO_SLOT;
        }
    movedQueue.clear();
}

void GridPhysicsManager::scanBelow(Collidable& moved, GridLevel& level, const GridCell& cell)
{
    if (!level.child)
        return;
    constexpr std::uint32_t d = CollisionGrid::SUBDIVISION;
    for (std::uint32_t i = 0; i < d; ++i)
        for (std::uint32_t j = 0; j < d; ++j)
            scanCell(moved, grid->subcell(level, cell, i, j));
    if (!level.child->child)
        return;
    for (std::uint32_t i = 0; i < d; ++i)
        for (std::uint32_t j = 0; j < d; ++j)
            scanBelow(moved, *level.child, grid->subcell(level, cell, i, j));
}

void GridPhysicsManager::scanAbove(Collidable& moved, GridLevel& level)
{
    const PhysicsRecord& record = moved.getRecord();
    if (!record.multiCell)
    {
        for (const GridCell* cell = level.cell(record.firstX, record.firstY).parent; cell; cell = cell->parent)
            scanCell(moved, *cell);
        return;
    }
    // The cells above the four corners, each once, in a fixed order.
    std::array<const GridCell*, 4 * CollisionGrid::LEVEL_COUNT> above{};
    std::size_t count = 0;
    const std::array<const GridCell*, 4> corners = {
        &level.cell(record.firstX, record.firstY), &level.cell(record.firstX, record.lastY),
        &level.cell(record.lastX, record.firstY), &level.cell(record.lastX, record.lastY)};
    for (const GridCell* corner : corners)
        for (const GridCell* cell = corner->parent; cell; cell = cell->parent)
            if (std::find(above.begin(), above.begin() + count, cell) == above.begin() + count)
                above[count++] = cell;
    for (std::size_t i = 0; i < count; ++i)
        scanCell(moved, *above[i]);
}

void GridPhysicsManager::scanCell(Collidable& moved, const GridCell& cell)
{
    const PhysicsRecord& record = moved.getRecord();
    // Testing calls no script, so the cell holds still while it is walked.
    for (Collidable* other : cell.collidables)
    {
        // Those after the moved one test the pair themselves: they moved later in the step.
        if (other == &moved)
            return;
        const PhysicsRecord& otherRecord = other->getRecord();
        // A coarser one that moved finds this one from above.
        if (otherRecord.gridLevel < record.gridLevel && otherRecord.moved)
            continue;
        // Two spanning several cells of one level meet in the first cell they share only.
        if (record.multiCell && otherRecord.multiCell && otherRecord.gridLevel == record.gridLevel &&
            (cell.x != std::max(record.firstX, otherRecord.firstX) ||
             cell.y != std::max(record.firstY, otherRecord.firstY)))
            continue;
        if (boxesTouch(moved.getCachedWorldBox(), other->getCachedWorldBox()))
            testPair(moved, *other);
    }
}

void GridPhysicsManager::testPair(Collidable& moved, Collidable& other)
{
    PhysicsRecord& record = moved.getRecord();
    if (!movedBound)
    {
        movedBound = moved.getWorldBound(record.boundStale);
        record.boundStale = false;
    }
    PhysicsRecord& otherRecord = other.getRecord();
    Bound* otherBound = other.getWorldBound(otherRecord.boundStale);
    otherRecord.boundStale = false;
    const bool touching = intersects(*otherBound, *movedBound);
    Contact* contact = contacts.find(moved, other);
    if (touching && !contact)
    {
        contacts.insert(moved, other);
        report(moved, other, true);
    }
    else if (!touching && contact)
    {
        contacts.erase(contact);
        report(moved, other, false);
    }
}

void GridPhysicsManager::report(Collidable& first, Collidable& second, bool collided)
{
    pendingEvents.push_back(std::make_shared<CollidableEvent>(
        first.getEntity(), second.getEntity(), first.getRecord().collidableId, second.getRecord().collidableId,
        collided ? CollidableEvent::ENTITIES_COLLIDED : CollidableEvent::ENTITIES_SEPARATED, eventTime));
}

void GridPhysicsManager::dispatch()
{
    // Taken out first: listeners may step or tear down this manager while they are told.
    std::vector<std::shared_ptr<CollidableEvent>> posting;
    posting.swap(pendingEvents);
    std::vector<std::shared_ptr<Collidable>> released;
    released.swap(removedKeepAlive);
    const std::shared_ptr<SceneManager> scene = getScene();
    for (const std::shared_ptr<CollidableEvent>& event : posting)
    {
        const std::shared_ptr<Entity>& first = event->getEntity1();
        const std::shared_ptr<Entity>& second = event->getEntity2();
        if (first)
            first->postEvent(event);
        if (second)
            second->postEvent(std::make_shared<CollidableEvent>(*event));
        if ((!first || !second) && scene)
            scene->postEvent(std::make_shared<CollidableEvent>(*event));
    }
    posting.clear();
    if (pendingEvents.empty())
        pendingEvents.swap(posting);
}

}
