#include "game/physics/GridPhysicsManager.h"

#include "core/OwnedReferences.h"
#include "core/math/Intersection.h"
#include "game/physics/Collidable.h"
#include "game/physics/CollidableEvent.h"
#include "game/physics/Movable.h"
#include "game/physics/StaticCollidable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"
#include "scene/Visitor.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace Tarnu
{

std::size_t& slotOf(Movable& movable)
{
    return movable.getPhysicsSlot();
}

namespace
{

// Asks for the first bytes of an object. Always inline: to the compiler a
// function that only prefetches does nothing, and a call to it is dropped.
[[gnu::always_inline]] inline void prefetchBytes(const void* object, std::size_t size)
{
    for (std::size_t offset = 0; offset < size; offset += 64)
        __builtin_prefetch(static_cast<const char*>(object) + offset);
}

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

/// Turns and moves the movable's node by one step; false, with the node left as it was
/// by the part that failed, when a result would not be finite.
bool turnAndMove(const Movable& movable, SceneNode& node, double dt)
{
    // Velocities and steps are finite, their products need not be: one test of each
    // result, which a non-finite velocity or turn fails as well.
    const double turn = movable.getRotationalVelocity() * dt;
    if (turn != 0.0)
    {
        const double c = std::cos(turn);
        const double s = std::sin(turn);
        if (c != 1.0 || s != 0.0)
        {
            const Complex& q = node.getOrientation();
            if (!node.trySetOrientation(Complex(q.r * c - q.i * s, q.r * s + q.i * c), SceneNode::PARENT))
                return false;
        }
    }
    const Vector2& velocity = movable.getVelocity();
    if (velocity == Vector2::ZERO)
        return true;
    const Vector2 offset = velocity * dt;
    return offset == Vector2::ZERO || node.tryTranslate(offset, SceneNode::WORLD);
}

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

const PhysicsBody* GridPhysicsManager::getBody(const Collidable& collidable) const
{
    const std::uint32_t slot = collidable.getRecord().bodySlot;
    return bodies.holds(slot, collidable) ? &bodies[slot] : nullptr;
}

void GridPhysicsManager::addCollidable(Collidable* collidable)
{
    if (!collidable || bodies.holds(collidable->getRecord().bodySlot, *collidable))
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
    record.bodySlot = bodies.add(*collidable);
    record.queued = false;
    collidableMoved(collidable);
    record.queued = record.boundStale = true;
    record.collidableId = ++lastId;
}

void GridPhysicsManager::removeCollidable(Collidable* collidable)
{
    if (!collidable || !bodies.holds(collidable->getRecord().bodySlot, *collidable))
        return;
    PhysicsRecord& record = collidable->getRecord();
    const std::uint32_t slot = record.bodySlot;
    PhysicsBody& body = bodies[slot];
    if (SceneNode* node = collidable->getSceneNodeLink())
        node->setCollidableLink(nullptr);
    collidable->setSceneNodeLink(nullptr);
    if (grid)
        grid->unfile(slot, body);
    if (isQueued(slot, body))
        movedQueue[body.queueSlot] = PhysicsBody::NO_SLOT;
    bodies.remove(slot);
    record.bodySlot = PhysicsRecord::NO_SLOT;
    collidable->setPhysicsManager(nullptr);

    // Its contacts end in the next separation pass, which needs the collidable
    // whole: its own strong reference keeps it, whatever registry let go first.
    if (std::shared_ptr<Collidable> self = collidable->getSelf())
    {
        for (Contact* contact : record.contacts)
            if (contact->list == &contacts)
                contact->ending = contactsEnding = true;
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
    const std::uint32_t slot = collidable->getRecord().bodySlot;
    if (!bodies.holds(slot, *collidable))
        return;
    PhysicsBody& body = bodies[slot];
    // A box the move pass took early is out of date now.
    body.boxStep = 0;
    // In the queue once at most, so that removal, which blanks its entry, leaves none behind.
    if (isQueued(slot, body))
        return;
    body.queueSlot = static_cast<std::uint32_t>(movedQueue.size());
    movedQueue.push_back(slot);
}

bool GridPhysicsManager::isQueued(std::uint32_t slot, const PhysicsBody& body) const
{
    return body.queueSlot < movedQueue.size() && movedQueue[body.queueSlot] == slot;
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
    for (std::uint32_t slot = 0; slot < bodies.size(); ++slot)
    {
        Collidable* collidable = bodies[slot].collidable;
        if (!collidable)
            continue;
        PhysicsRecord& record = collidable->getRecord();
        if (SceneNode* node = collidable->getSceneNodeLink())
            node->setCollidableLink(nullptr);
        collidable->setSceneNodeLink(nullptr);
        collidable->setPhysicsManager(nullptr);
        record.bodySlot = PhysicsRecord::NO_SLOT;
        record.collidableId = 0;
    }
    bodies.clear();
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

void GridPhysicsManager::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor.all(removedKeepAlive);
    // Waiting for the dispatch only when a step broke off before it.
    for (const PendingEvent& pending : pendingEvents)
    {
        visitor(pending.entity1);
        visitor(pending.entity2);
    }
}

void GridPhysicsManager::updateProcess(double dt)
{
    // A listener may disconnect and drop this manager while its events are posted.
    const std::shared_ptr<PhysicsManager> keep = weak_from_this().lock();
    movables.compact();
    ++step;
    try
    {
        moveMovables(dt);
        if (grid)
        {
            refile();
            separate();
            collide();
        }
    }
    catch (...)
    {
        abandonStep();
        throw;
    }
    dispatch();
}

void GridPhysicsManager::abandonStep()
{
    // Whatever broke off the passes, what was queued waits, whole, for the next step:
    // filed and tested afresh, its box taken again. The pairs listed refer to this step only.
    for (std::uint32_t slot : movedQueue)
        if (slot != PhysicsBody::NO_SLOT)
        {
            bodies[slot].boxStep = 0;
            bodies[slot].collidable->getRecord().queued = true;
        }
    candidates.clear();
    movedBound = nullptr;
}

void GridPhysicsManager::moveMovables(double dt)
{
    // Moving calls nothing but the node and its managers, so the list holds still meanwhile.
    // The pass waits on memory, not on arithmetic: each movable, then its node,
    // then the node's collidable is asked for some places ahead, each as soon
    // as the link to it has arrived. Only the lines the pass reads: the layouts
    // keep them first (velocity and node link; transforms, links and flags;
    // registration, world box and shapes), and more requests only queue up.
    constexpr std::size_t MOVABLE_AHEAD = 16, NODE_AHEAD = 8, COLLIDABLE_AHEAD = 4;
    constexpr std::size_t MOVABLE_BYTES = 96, NODE_BYTES = 256, COLLIDABLE_BYTES = 192;
    const std::size_t count = movables.size();
    for (std::size_t slot = 0; slot < count; ++slot)
    {
        if (slot + MOVABLE_AHEAD < count && movables[slot + MOVABLE_AHEAD])
            prefetchBytes(movables[slot + MOVABLE_AHEAD], MOVABLE_BYTES);
        if (slot + NODE_AHEAD < count && movables[slot + NODE_AHEAD])
            if (const SceneNode* node = movables[slot + NODE_AHEAD]->getSceneNodeLink())
                prefetchBytes(node, NODE_BYTES);
        if (slot + COLLIDABLE_AHEAD < count && movables[slot + COLLIDABLE_AHEAD])
            if (const SceneNode* node = movables[slot + COLLIDABLE_AHEAD]->getSceneNodeLink())
                if (const Collidable* collidable = node->getCollidableLink())
                    prefetchBytes(collidable, COLLIDABLE_BYTES);
        Movable* movable = movables[slot];
        if (!movable)
            continue;
        movable->applyAffectors(dt);
        SceneNode* node = movable->getSceneNodeLink();
        if (!node)
            continue;
        if (!turnAndMove(*movable, *node, dt))
            movable->stopRunaway();
        takeWorldBoxEarly(*node);
    }
}

void GridPhysicsManager::takeWorldBoxEarly(SceneNode& node)
{
    // A movable moves its own node only, so nothing later in this pass moves a
    // node without a parent: its collidable's world box is final now, while the
    // node and the collidable are still in cache. The refile pass files it in
    // queue order as ever; should the collidable be queued again meanwhile,
    // collidableMoved forgets the early box.
    Collidable* collidable = node.getCollidableLink();
    if (!collidable || node.getParentPointer() || collidable->getPhysicsManager() != this)
        return;
    PhysicsRecord& record = collidable->getRecord();
    if (!record.queued)
        return;
    PhysicsBody& body = bodies[record.bodySlot];
    body.setBox(collidable->getWorldBox());
    body.boxStep = step;
    record.queued = false;
}

void GridPhysicsManager::refile()
{
    anyRefiled = false;
    for (std::uint32_t order = 0; order < movedQueue.size(); ++order)
    {
        const std::uint32_t slot = movedQueue[order];
        if (slot == PhysicsBody::NO_SLOT)
            continue;
        PhysicsBody& body = bodies[slot];
        if (body.boxStep != step)
        {
            PhysicsRecord& record = body.collidable->getRecord();
            if (!record.queued)
                continue;
            body.setBox(body.collidable->getWorldBox());
            body.boxStep = step;
            record.queued = false;
        }
        grid->file(slot, body);
        body.movedStep = step;
        anyRefiled = true;
    }
}

void GridPhysicsManager::separate()
{
    eventTime = getProcessTime();
    // Only a removal or a move ends a contact: a world where nothing moved costs nothing here.
    if (!anyRefiled && !contactsEnding)
        return;
    contactsEnding = false;
    for (Contact* contact = contacts.front(); contact;)
    {
        Contact* next = contact->next;
        // The walk waits on memory: the pair after next, and the bodies of the next pair.
        if (next)
        {
            __builtin_prefetch(next->next);
            __builtin_prefetch(&bodies[next->firstSlot]);
            __builtin_prefetch(&bodies[next->secondSlot]);
        }
        bool ends = contact->ending;
        if (!ends)
        {
            const PhysicsBody& a = bodies[contact->firstSlot];
            const PhysicsBody& b = bodies[contact->secondSlot];
            ends = (a.movedStep == step || b.movedStep == step) && !boxesTouch(a, b);
        }
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
    for (std::uint32_t order = 0; order < movedQueue.size(); ++order)
    {
        const std::uint32_t slot = movedQueue[order];
        if (slot == PhysicsBody::NO_SLOT || bodies[slot].level < 0)
            continue;
        // A copy: the candidates written meanwhile might alias the table, so
        // that every field would be read again for every entry.
        const PhysicsBody body = bodies[slot];
        GridLevel& level = grid->getLevel(static_cast<std::uint32_t>(body.level));
        const bool below = grid->anyFiledBelow(level.index);
        for (std::uint32_t x = body.firstX; x <= body.lastX; ++x)
            for (std::uint32_t y = body.firstY; y <= body.lastY; ++y)
            {
                scanCell(body, slot, level, x, y);
                if (below)
                    scanBelow(body, slot, level, x, y);
            }
        if (grid->anyFiledAbove(level.index))
            scanAbove(body, slot, level);
    }
    testCandidates();
    // Last: should a test raise, the step that is abandoned re-queues what it had not finished.
    // Slots left behind are recognised as stale: the queue no longer holds the body there.
    movedQueue.clear();
}

void GridPhysicsManager::testCandidates()
{
    // The scan met the pairs in the order they are tested, so the tests can run
    // apart from it and fetch what they read some pairs ahead: the collidables,
    // then their contact lists, are scattered over the heap.
    constexpr std::size_t FIRST_STAGE = 8, SECOND_STAGE = 4;
    const std::size_t count = candidates.size();
    std::uint32_t lastMoved = PhysicsBody::NO_SLOT;
    for (std::size_t i = 0; i < count; ++i)
    {
        if (i + FIRST_STAGE < count)
        {
            const Candidate& ahead = candidates[i + FIRST_STAGE];
            for (std::uint32_t slot : {ahead.moved, ahead.other})
            {
                const Collidable* collidable = bodies[slot].collidable;
                __builtin_prefetch(collidable);
                __builtin_prefetch(&collidable->getRecord());
            }
        }
        if (i + SECOND_STAGE < count)
        {
            const Candidate& ahead = candidates[i + SECOND_STAGE];
            for (std::uint32_t slot : {ahead.moved, ahead.other})
                __builtin_prefetch(bodies[slot].collidable->getRecord().contacts.data());
        }
        const Candidate& candidate = candidates[i];
        // The moved one's world bound is fetched at its first test and reused for the others.
        if (candidate.moved != lastMoved)
        {
            movedBound = nullptr;
            lastMoved = candidate.moved;
        }
        testPair(candidate.moved, candidate.other);
    }
    candidates.clear();
}

void GridPhysicsManager::scanBelow(const PhysicsBody& body, std::uint32_t moved, GridLevel& level, std::uint32_t x,
                                   std::uint32_t y)
{
    if (!level.child)
        return;
    constexpr std::uint32_t d = CollisionGrid::SUBDIVISION;
    GridLevel& finer = *level.child;
    for (std::uint32_t i = 0; i < d; ++i)
        for (std::uint32_t j = 0; j < d; ++j)
            scanCell(body, moved, finer, x * d + i, y * d + j);
    if (!finer.child)
        return;
    for (std::uint32_t i = 0; i < d; ++i)
        for (std::uint32_t j = 0; j < d; ++j)
            scanBelow(body, moved, finer, x * d + i, y * d + j);
}

void GridPhysicsManager::scanAbove(const PhysicsBody& body, std::uint32_t moved, GridLevel& level)
{
    constexpr std::uint32_t d = CollisionGrid::SUBDIVISION;
    if (!body.multiCell)
    {
        std::uint32_t x = body.firstX, y = body.firstY;
        for (GridLevel* coarser = level.parent; coarser; coarser = coarser->parent)
            scanCell(body, moved, *coarser, x /= d, y /= d);
        return;
    }
    // The cells above the four corners, each once, in a fixed order.
    struct Above
    {
        GridLevel* level;
        std::uint32_t x, y;
    };
    std::array<Above, 4 * CollisionGrid::LEVEL_COUNT> above{};
    std::size_t count = 0;
    const std::array<std::pair<std::uint32_t, std::uint32_t>, 4> corners = {
        {{body.firstX, body.firstY}, {body.firstX, body.lastY}, {body.lastX, body.firstY}, {body.lastX, body.lastY}}};
    for (auto [x, y] : corners)
        for (GridLevel* coarser = level.parent; coarser; coarser = coarser->parent)
        {
            x /= d;
            y /= d;
            auto seen = std::find_if(above.begin(), above.begin() + count, [&](const Above& known) {
                return known.level == coarser && known.x == x && known.y == y;
            });
            if (seen == above.begin() + count)
                above[count++] = {coarser, x, y};
        }
    for (std::size_t i = 0; i < count; ++i)
        scanCell(body, moved, *above[i].level, above[i].x, above[i].y);
}

void GridPhysicsManager::scanCell(const PhysicsBody& body, std::uint32_t moved, const GridLevel& level,
                                  std::uint32_t x, std::uint32_t y)
{
    const auto movedLevel = static_cast<std::uint32_t>(body.level);
    const bool movedFinite = body.extent == AxisAlignedBox::EX_FINITE;
    // Testing calls no script, so the cell holds still while it is walked. Most
    // entries are near but apart, or the moved body itself: one test without a
    // branch sets those aside, and only the few left are weighed by the rules.
    for (std::uint32_t slot : level.cell(x, y))
    {
        const PhysicsBody& other = bodies[slot];
        const bool finite = movedFinite & (other.extent == AxisAlignedBox::EX_FINITE);
        const std::uint32_t near = cornersMeet(body, other) | !finite;
        // Zero unless near and not the moved body itself: one branch, rarely taken.
        if (((slot ^ moved) & (0u - near)) == 0 || !boxesTouch(body, other))
            continue;
        const bool movedToo = other.movedStep == step;
        if (level.index < movedLevel)
        {
            // A coarser one that moved finds this one from above.
            if (movedToo)
                continue;
        }
        else if (level.index == movedLevel)
        {
            // Of two that moved, the later in the step tests the pair.
            if (movedToo && other.queueSlot > body.queueSlot)
                continue;
            // Two spanning several cells meet in the first cell they share only.
            if (body.multiCell && other.multiCell &&
                (x != std::max(body.firstX, other.firstX) || y != std::max(body.firstY, other.firstY)))
                continue;
        }
        candidates.push_back({moved, slot});
    }
}

void GridPhysicsManager::testPair(std::uint32_t movedSlot, std::uint32_t otherSlot)
{
    Collidable& moved = *bodies[movedSlot].collidable;
    Collidable& other = *bodies[otherSlot].collidable;
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
        contacts.insert(moved, movedSlot, other, otherSlot);
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
    pendingEvents.push_back({moved.getEntity(), other.getEntity(), moved.getRecord().collidableId,
                             other.getRecord().collidableId, CollidableEvent::ENTITIES_COLLIDED, eventTime});
}

void GridPhysicsManager::reportSeparation(const Contact& contact, Collidable* moved)
{
    // The collision pass names the moved side first, as it does for collisions.
    const bool swap = moved == contact.second;
    Collidable& first = swap ? *contact.second : *contact.first;
    Collidable& second = swap ? *contact.first : *contact.second;
    pendingEvents.push_back({first.getEntity(), second.getEntity(), swap ? contact.secondId : contact.firstId,
                             swap ? contact.firstId : contact.secondId, CollidableEvent::ENTITIES_SEPARATED, eventTime});
}

void GridPhysicsManager::dispatch()
{
    // Taken out first: listeners may step or tear down this manager while they are told.
    std::vector<PendingEvent> posting;
    posting.swap(pendingEvents);
    std::vector<std::shared_ptr<Collidable>> released;
    released.swap(removedKeepAlive);
    const std::shared_ptr<SceneManager> scene = getScene();
    for (const PendingEvent& pending : posting)
    {
        // Each side hears an event of its own, as the scene does when a side has
        // no entity; where nobody listens, nothing is made or posted.
        const auto post = [&pending](EventManager& manager) {
            if (manager.hasListeners(CollidableEvent::TYPE))
                manager.postEvent(std::make_shared<CollidableEvent>(pending.entity1, pending.entity2, pending.id1,
                                                                    pending.id2, pending.type, pending.time));
        };
        if (pending.entity1)
            post(*pending.entity1);
        if (pending.entity2)
            post(*pending.entity2);
        if ((!pending.entity1 || !pending.entity2) && scene)
            post(*scene);
    }
    posting.clear();
    if (pendingEvents.empty())
        pendingEvents.swap(posting);
}

}
