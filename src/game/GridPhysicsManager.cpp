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
    // One manager at a time: its bookkeeping lives in the collidable.
    if (PhysicsManager* former = collidable->getPhysicsManager(); former && former != this)
        former->removeCollidable(collidable);
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
    record.queued = record.boundStale = true;
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
            reportSeparation(*contact, nullptr);
            contacts.erase(contact);
        }
}

void GridPhysicsManager::addMovable(Movable* movable)
{
    if (!movable || movables.contains(*movable))
        return;
    if (PhysicsManager* former = movable->getPhysicsManager(); former && former != this)
        former->removeMovable(movable);
    movable->setPhysicsManager(this);
    movable->setSceneNodeLink(movable->getSceneNodePointer());
    movables.add(movable);
}

void GridPhysicsManager::removeMovable(Movable* movable)
{
    if (!movable || !movables.remove(movable))
        return;
    movable->setPhysicsManager(nullptr);
    movable->setSceneNodeLink(nullptr);
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
        movable->setSceneNodeLink(nullptr);
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
    ++step;
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
    // It waits on memory: each movable, then its node, is asked for some places ahead.
    const std::size_t count = movables.size();
    for (std::size_t slot = 0; slot < count; ++slot)
    {
        if (slot + 16 < count && movables[slot + 16])
            __builtin_prefetch(movables[slot + 16]);
        if (slot + 8 < count && movables[slot + 8])
            __builtin_prefetch(movables[slot + 8]->getSceneNodeLink());
        Movable* movable = movables[slot];
        if (!movable)
            continue;
        movable->applyAffectors(dt);
        SceneNode* node = movable->getSceneNodeLink();
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
    for (std::size_t slot = 0; slot < movedQueue.size(); ++slot)
    {
        prefetchAhead(slot, false);
        Collidable* collidable = movedQueue[slot];
        if (!collidable || !collidable->getRecord().queued)
            continue;
        collidable->getWorldBox();
        grid->file(*collidable);
        collidable->getRecord().filedStep = step;
        collidable->getRecord().queued = false;
    }
}

void GridPhysicsManager::prefetchAhead(std::size_t slot, bool cells) const
{
    // The walks over the queue wait on memory, not on arithmetic: ask for what
    // the collidables a few places ahead will need, in the order they need it.
    const std::size_t size = movedQueue.size();
    if (slot + 16 < size && movedQueue[slot + 16])
    {
        const Collidable* ahead = movedQueue[slot + 16];
        __builtin_prefetch(&ahead->getRecord());
        __builtin_prefetch(&ahead->getCachedWorldBox());
    }
    if (slot + 12 < size && movedQueue[slot + 12])
        __builtin_prefetch(movedQueue[slot + 12]->getSceneNodeLink());
    if (!cells)
        return;
    if (slot + 8 < size && movedQueue[slot + 8])
        grid->prefetch(*movedQueue[slot + 8], false);
    if (slot + 4 < size && movedQueue[slot + 4])
    {
        grid->prefetch(*movedQueue[slot + 4], true);
        const std::vector<Contact*>& contactsAhead = movedQueue[slot + 4]->getRecord().contacts;
        if (!contactsAhead.empty())
            __builtin_prefetch(contactsAhead.data());
    }
    if (slot + 2 < size && movedQueue[slot + 2])
        grid->prefetchNeighbours(*movedQueue[slot + 2]);
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
            ((a.filedStep == step || b.filedStep == step) &&
             !boxesTouch(contact->first->getCachedWorldBox(), contact->second->getCachedWorldBox()));
        if (ends)
        {
            reportSeparation(*contact, nullptr);
            contacts.erase(contact);
        }
        contact = next;
    }
}

void GridPhysicsManager::collide()
{
    eventTime = getProcessTime();
    for (std::size_t slot = 0; slot < movedQueue.size(); ++slot)
    {
        prefetchAhead(slot, true);
        Collidable* collidable = movedQueue[slot];
        if (!collidable || collidable->getRecord().gridLevel < 0)
            continue;
        const PhysicsRecord& record = collidable->getRecord();
        GridLevel& level = grid->getLevel(static_cast<std::uint32_t>(record.gridLevel));
        movedBound = nullptr;
        const bool below = grid->anyFiledBelow(level.index);
        for (std::uint32_t x = record.firstX; x <= record.lastX; ++x)
            for (std::uint32_t y = record.firstY; y <= record.lastY; ++y)
            {
                const GridCell& cell = level.cell(x, y);
                scanCell(*collidable, cell, level.index);
                if (below)
                    scanBelow(*collidable, level, cell);
            }
        if (grid->anyFiledAbove(level.index))
            scanAbove(*collidable, level);
    }
    // Slots left behind are recognised as stale: the queue no longer holds the collidable there.
    movedQueue.clear();
}

void GridPhysicsManager::scanBelow(Collidable& moved, GridLevel& level, const GridCell& cell)
{
    if (!level.child)
        return;
    constexpr std::uint32_t d = CollisionGrid::SUBDIVISION;
    for (std::uint32_t i = 0; i < d; ++i)
        for (std::uint32_t j = 0; j < d; ++j)
            scanCell(moved, grid->subcell(level, cell, i, j), level.child->index);
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
        std::uint32_t index = level.index;
        for (const GridCell* cell = level.cell(record.firstX, record.firstY).parent; cell; cell = cell->parent)
            scanCell(moved, *cell, --index);
        return;
    }
    // The cells above the four corners, each once, in a fixed order.
    struct Above
    {
        const GridCell* cell;
        std::uint32_t level;
    };
    std::array<Above, 4 * CollisionGrid::LEVEL_COUNT> above{};
    std::size_t count = 0;
    const std::array<const GridCell*, 4> corners = {
        &level.cell(record.firstX, record.firstY), &level.cell(record.firstX, record.lastY),
        &level.cell(record.lastX, record.firstY), &level.cell(record.lastX, record.lastY)};
    for (const GridCell* corner : corners)
    {
        std::uint32_t index = level.index;
        for (const GridCell* cell = corner->parent; cell; cell = cell->parent)
        {
            --index;
            auto seen = std::find_if(above.begin(), above.begin() + count,
                                     [cell](const Above& known) { return known.cell == cell; });
            if (seen == above.begin() + count)
                above[count++] = {cell, index};
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        scanCell(moved, *above[i].cell, above[i].level);
}

void GridPhysicsManager::scanCell(Collidable& moved, const GridCell& cell, std::uint32_t level)
{
    const PhysicsRecord& record = moved.getRecord();
    const auto movedLevel = static_cast<std::uint32_t>(record.gridLevel);
    const std::size_t order = record.queueSlot;
    const AxisAlignedBox& box = moved.getCachedWorldBox();
    // Testing calls no script, so the cell holds still while it is walked.
    for (Collidable* other : cell.collidables)
    {
        if (other == &moved)
            continue;
        const PhysicsRecord& entry = other->getRecord();
        const bool movedToo = entry.filedStep == step;
        if (level < movedLevel)
        {
            // A coarser one that moved finds this one from above.
            if (movedToo)
                continue;
        }
        else if (level == movedLevel)
        {
            // Of two that moved, the later in the step tests the pair.
            if (movedToo && entry.queueSlot > order)
                continue;
            // Two spanning several cells meet in the first cell they share only.
            if (record.multiCell && entry.multiCell &&
                (cell.x != std::max(record.firstX, entry.firstX) || cell.y != std::max(record.firstY, entry.firstY)))
                continue;
        }
        if (boxesTouch(box, other->getCachedWorldBox()))
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
    // A collidable without a shape touches nothing.
    const bool touching = movedBound && otherBound && intersects(*otherBound, *movedBound);
    Contact* contact = contacts.find(moved, other);
    if (touching && !contact)
    {
        contacts.insert(moved, other);
        reportCollision(moved, other);
    }
    else if (!touching && contact)
    {
        reportSeparation(*contact, &moved);
        contacts.erase(contact);
    }
}

void GridPhysicsManager::reportCollision(Collidable& moved, Collidable& other)
{
    pendingEvents.push_back(std::make_shared<CollidableEvent>(
        moved.getEntity(), other.getEntity(), moved.getRecord().collidableId, other.getRecord().collidableId,
        CollidableEvent::ENTITIES_COLLIDED, eventTime));
}

void GridPhysicsManager::reportSeparation(const Contact& contact, Collidable* moved)
{
    // The collision pass names the moved side first, as it does for collisions.
    const bool swap = moved == contact.second;
    Collidable& first = swap ? *contact.second : *contact.first;
    Collidable& second = swap ? *contact.first : *contact.second;
    pendingEvents.push_back(std::make_shared<CollidableEvent>(
        first.getEntity(), second.getEntity(), swap ? contact.secondId : contact.firstId,
        swap ? contact.firstId : contact.secondId, CollidableEvent::ENTITIES_SEPARATED, eventTime));
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
