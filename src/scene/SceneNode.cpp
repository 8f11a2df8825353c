#include "scene/SceneNode.h"

#include "core/OwnedReferences.h"
#include "core/math/FiniteCheck.h"
#include "game/physics/Collidable.h"
#include "render/RenderManager.h"
#include "render/Renderable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <algorithm>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>

namespace Tarnu
{

namespace
{

Vector2 unscaled(const Vector2& v, const Scale& s)
{
    return Vector2(v.x / s.x, v.y / s.y);
}

/// A world scale that world-space values below it are divided by; one with a zero factor has no inverse.
const Scale& invertible(const Scale& worldScale, const char* operation)
{
    if (worldScale.x == 0.0 || worldScale.y == 0.0)
        throw std::runtime_error(std::string(operation) +
                                 ": world-space values cannot be placed below a node whose world scale has a zero "
                                 "factor.");
    return worldScale;
}

/// The stack of a walk up or down the graph that calls no script, kept from walk to
/// walk so that a steady scene steps without allocating. A walk that begins while
/// another of its kind is under way (a render manager reading world values while it
/// hears of a move) gets a stack of its own.
template <int Kind>
class ReusedStack
{
public:
    ReusedStack() : owner(!inUse), nodes(owner ? shared() : own)
    {
        inUse = true;
        nodes.clear();
    }
    ~ReusedStack()
    {
        if (owner)
            inUse = false;
    }
    ReusedStack(const ReusedStack&) = delete;
    ReusedStack& operator=(const ReusedStack&) = delete;

    std::vector<SceneNode*>* operator->() { return &nodes; }

private:
    static std::vector<SceneNode*>& shared()
    {
        static std::vector<SceneNode*> stack;
        return stack;
    }

    static inline bool inUse = false;
    std::vector<SceneNode*> own;
    const bool owner;
    std::vector<SceneNode*>& nodes;
};

/// A new local value made from a finite argument, refused by the argument's name when it overflowed.
template <class T>
const T& checkedResult(const T& value, const char* parameter)
{
    return requireFiniteResult(value, parameter, "the resulting local value");
}

}

SceneNode::SceneNode(const Vector2& position, const Complex& orientation, const Scale& scale)
    : position(requireFinite(position, "pos")),
      orientation(requireFinite(orientation, "ori")),
      scaling(requireFinite(scale, "scl"))
{
}

SceneNode::~SceneNode() = default;

void SceneNode::letGo()
{
    detachEntity();
    removeAll(false);
}

std::shared_ptr<SceneNode> SceneNode::createNew(const Vector2& position, const Complex& orientation,
                                                const Scale& scale)
{
    std::shared_ptr<SceneNode> node(new SceneNode(position, orientation, scale), Deleter());
    node->self = node;
    return node;
}

std::shared_ptr<SceneNode> SceneNode::createCopy(const std::shared_ptr<SceneNode>& source, bool deep)
{
    if (!source)
        throw std::runtime_error("node to copy is null");
    const auto shallowCopy = [](const SceneNode& original) {
        std::shared_ptr<SceneNode> copy = createNew(original.position, original.orientation, original.scaling);
        copy->inheritOrientation = original.inheritOrientation;
        copy->inheritScale = original.inheritScale;
        return copy;
    };
    const std::shared_ptr<SceneNode> top = shallowCopy(*source);
    if (!deep)
        return top;
    // Depth first, as a recursion would, but in a loop. Each source node's children
    // are read when its turn comes: the components of the entities copied before it
    // may have changed them.
    struct Step
    {
        std::shared_ptr<SceneNode> source, copy;
    };
    std::vector<Step> pending{{source, top}};
    while (!pending.empty())
    {
        const Step step = std::move(pending.back());
        pending.pop_back();
        if (const std::shared_ptr<Entity> entity = step.source->entity)
            step.copy->attach(Entity::createCopy(entity, ""));
        const std::size_t firstChild = pending.size();
        for (const std::shared_ptr<SceneNode>& child : std::vector<std::shared_ptr<SceneNode>>(step.source->children))
        {
            std::shared_ptr<SceneNode> childCopy = shallowCopy(*child);
            step.copy->addChild(childCopy, false);
            pending.push_back({child, std::move(childCopy)});
        }
        std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(firstChild), pending.end());
    }
    return top;
}

bool SceneNode::isSelfOrAncestorOf(const SceneNode* node) const
{
    for (; node; node = node->parentPointer)
        if (node == this)
            return true;
    return false;
}

void SceneNode::setParent(SceneNode* newParent)
{
    parentPointer = newParent;
    parent = newParent ? newParent->self : std::weak_ptr<SceneNode>();
    parentChanged();
}

void SceneNode::addChild(const std::shared_ptr<SceneNode>& newChild, bool keepWorld)
{
    // A node cannot hang below itself: the graph must stay a tree. Only a node
    // with children can be an ancestor, which spares leaves the walk up.
    if (!newChild || newChild->parentPointer || newChild->managerPointer || newChild.get() == this ||
        (newChild->hasChildren() && newChild->isSelfOrAncestorOf(this)) || !takesAdditions("SceneNode.addChild"))
        return;
    // Worked out and checked before the child is linked, so that a refusal leaves both as they were.
    const std::optional<LocalTransform> placed =
        keepWorld ? std::optional<LocalTransform>(localBelow(*newChild)) : std::nullopt;
    const std::shared_ptr<SceneNode> keep = self.lock(), child = newChild;
    if (placed)
    {
        child->position = placed->position;
        child->orientation = placed->orientation;
        child->scaling = placed->scale;
    }
    child->setParent(this);
    children.push_back(child);
    markReadBelow();
    if (managerPointer)
        managerPointer->connectNode(child);
}

SceneNode::LocalTransform SceneNode::localBelow(const SceneNode& child)
{
    invertible(getWorldScale(), "SceneNode.addChild");
    return {checkedResult(positionBelow(child.position), "child"),
            checkedResult(child.inheritOrientation ? orientationBelow(child.orientation) : child.orientation, "child"),
            checkedResult(child.inheritScale ? scaleBelow(child.scaling) : child.scaling, "child")};
}

SceneNode::LocalTransform SceneNode::keptWorld(SceneNode& child)
{
    // A world value past the largest number cannot become a local one.
    static constexpr const char* KEPT = "its world transform, kept as its local one,";
    return {requireFiniteResult(child.getWorldPosition(), "child", KEPT),
            requireFiniteResult(child.getWorldOrientation(), "child", KEPT),
            requireFiniteResult(child.getWorldScale(), "child", KEPT)};
}

Vector2 SceneNode::positionBelow(const Vector2& world)
{
    // A child's position always takes its parent's world rotation and scale,
    // whatever it inherits for its own orientation and scale.
    return unscaled((world - getWorldPosition()) * getWorldOrientation().conjugate(), getWorldScale());
}

Complex SceneNode::orientationBelow(const Complex& world)
{
    return world * getWorldOrientation().conjugate();
}

Scale SceneNode::scaleBelow(const Scale& world)
{
    return world / getWorldScale();
}

void SceneNode::removeChild(const std::shared_ptr<SceneNode>& child, bool keepWorld)
{
    if (!child || child->parentPointer != this)
        return;
    // Absent while removeAll is releasing the list: it will reach this child itself.
    auto found = std::find(children.begin(), children.end(), child);
    if (found == children.end())
        return;
    const std::optional<LocalTransform> kept =
        keepWorld ? std::optional<LocalTransform>(keptWorld(*child)) : std::nullopt;
    // The caller may hold its only other reference through the children list,
    // and a callback of the scene may drop the last one to this node.
    const std::shared_ptr<SceneNode> keepThis = self.lock(), keepChild = child;
    children.erase(found);
    release(keepChild, kept ? &*kept : nullptr);
}

void SceneNode::removeAll(bool keepWorld)
{
    // Every child's world transform is checked before the first one leaves.
    std::vector<LocalTransform> kept;
    if (keepWorld)
    {
        kept.reserve(children.size());
        for (const std::shared_ptr<SceneNode>& child : children)
            kept.push_back(keptWorld(*child));
    }
    // The list is taken first: disconnecting calls out to components and listeners.
    const std::shared_ptr<SceneNode> keep = self.lock();
    const std::vector<std::shared_ptr<SceneNode>> leaving = std::move(children);
    children.clear();
    for (std::size_t i = 0; i < leaving.size(); ++i)
        release(leaving[i], keepWorld ? &kept[i] : nullptr);
}

void SceneNode::release(const std::shared_ptr<SceneNode>& child, const LocalTransform* kept)
{
    if (kept)
    {
        child->position = kept->position;
        child->orientation = kept->orientation;
        child->scaling = kept->scale;
    }
    child->setParent(nullptr);
    if (managerPointer)
        managerPointer->disconnectNode(child);
}

void SceneNode::attach(const std::shared_ptr<Entity>& newEntity)
{
    // A missing entity is a script's mistake that would otherwise show only as an empty scene.
    if (!newEntity)
        throw std::runtime_error("SceneNode.attach: the entity is None (EntityTemplate.createEntity answers None "
                                 "when its template is not loaded or failed to load).");
    if (newEntity->getSceneNodePointer() || entity || !takesAdditions("SceneNode.attach"))
        return;
    // Handed to the scene as a copy: a callback may detach it from this node while it is announced.
    const std::shared_ptr<SceneNode> keep = self.lock();
    const std::shared_ptr<Entity> attached = newEntity;
    attached->setSceneNode(keep, this);
    entity = attached;
    if (managerPointer)
        managerPointer->addEntity(attached);
}

void SceneNode::detachEntity()
{
    if (!entity)
        return;
    const std::shared_ptr<SceneNode> keep = self.lock();
    const std::shared_ptr<Entity> leaving = std::move(entity);
    entity.reset();
    leaving->setSceneNode(nullptr, nullptr);
    if (managerPointer)
        managerPointer->removeEntity(leaving);
}

void SceneNode::updateWorldTransform()
{
    if (!parentPointer || parentPointer->worldValid)
        composeWithParent();
    else
    {
        // The stale part of the chain above, brought up to date from the top down, each level once.
        ReusedStack<0> stale;
        for (SceneNode* node = this; node && !node->worldValid; node = node->parentPointer)
            stale->push_back(node);
        for (auto node = stale->rbegin(); node != stale->rend(); ++node)
            (*node)->composeWithParent();
    }
    if (parentPointer)
        parentPointer->markReadBelow();
}

void SceneNode::composeWithParent()
{
    if (parentPointer)
    {
        const SceneNode& p = *parentPointer;
        worldOrientation = inheritOrientation ? orientation * p.worldOrientation : orientation;
        worldScale = inheritScale ? scaling * p.worldScale : scaling;
        worldPosition = p.worldPosition + (position * p.worldScale) * p.worldOrientation;
    }
    else
    {
        worldOrientation = orientation;
        worldScale = scaling;
        worldPosition = position;
    }
    worldValid = true;
}

void SceneNode::markReadBelow()
{
    for (SceneNode* node = this; node && node->childrenNotified; node = node->parentPointer)
        node->childrenNotified = false;
}

const Vector2& SceneNode::getWorldPosition()
{
    if (!worldValid)
        updateWorldTransform();
    return worldPosition;
}

const Complex& SceneNode::getWorldOrientation()
{
    if (!worldValid)
        updateWorldTransform();
    return worldOrientation;
}

const Scale& SceneNode::getWorldScale()
{
    if (!worldValid)
        updateWorldTransform();
    return worldScale;
}

const Matrix3& SceneNode::getTransformMatrix()
{
    if (!matrixValid)
    {
        if (!worldValid)
            updateWorldTransform();
        // Scale first, then rotate, then move: the same order in which children are placed.
        const double c = worldOrientation.r, s = worldOrientation.i;
        const double sx = worldScale.x, sy = worldScale.y;
        transformMatrix.m[0][0] = c * sx;
        transformMatrix.m[0][1] = s * sx;
        transformMatrix.m[0][2] = 0.0;
        transformMatrix.m[1][0] = -s * sy;
        transformMatrix.m[1][1] = c * sy;
        transformMatrix.m[1][2] = 0.0;
        transformMatrix.m[2][0] = worldPosition.x;
        transformMatrix.m[2][1] = worldPosition.y;
        transformMatrix.m[2][2] = 1.0;
        matrixValid = true;
    }
    return transformMatrix;
}

void SceneNode::transformChanged()
{
    invalidateCache();
    if (childrenNotified)
        return;
    // The subtree below, in a loop: it may be deeper than the stack. Only the render
    // manager is called on the way, and it leaves the graph as it is.
    ReusedStack<1> pending;
    pending->push_back(this);
    while (!pending->empty())
    {
        SceneNode* node = pending->back();
        pending->pop_back();
        node->invalidateCache();
        if (node->childrenNotified)
            continue;
        node->childrenNotified = true;
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
            pending->push_back(child->get());
    }
}

void SceneNode::invalidateCache()
{
    if (worldValid || matrixValid)
    {
        worldValid = false;
        matrixValid = false;
        if (renderableLink)
        {
            RenderManager* renderer = renderableLink->getRenderManager();
            if (renderer && !renderableLink->isMoved())
                renderer->renderableMoved(renderableLink);
            renderableLink->markMoved();
        }
        if (collidableLink)
            collidableLink->markMoved();
    }
}

void SceneNode::parentChanged()
{
    // Whatever was cached was relative to the old parent: force the walk below.
    worldValid = true;
    childrenNotified = false;
    transformChanged();
}

void SceneNode::setPosition(const Vector2& v, TransformSpace space)
{
    requireFinite(v, "pos");
    Vector2 changed = v;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        if (parentPointer)
        {
            invertible(parentPointer->getWorldScale(), "SceneNode.setPosition");
            changed = parentPointer->positionBelow(v);
        }
        break;
    case LOCAL:
        if (v == Vector2::ZERO)
            return;
        changed = position + (v * scaling) * orientation;
        break;
    }
    position = checkedResult(changed, "pos");
    transformChanged();
}

Complex SceneNode::orientationFor(const Complex& q, TransformSpace space)
{
    switch (space)
    {
    case WORLD:
        return parentPointer && inheritOrientation ? parentPointer->orientationBelow(q) : q;
    case LOCAL:
        return orientation * q;
    case PARENT:
        break;
    }
    return q;
}

void SceneNode::setOrientation(const Complex& q, TransformSpace space)
{
    orientation = checkedResult(orientationFor(requireFinite(q, "ori"), space), "ori");
    transformChanged();
}

bool SceneNode::trySetOrientation(const Complex& q, TransformSpace space)
{
    const Complex changed = orientationFor(q, space);
    if (!isFinite(changed))
        return false;
    orientation = changed;
    transformChanged();
    return true;
}

void SceneNode::setScale(const Scale& s, TransformSpace space)
{
    requireFinite(s, "scl");
    Scale changed = s;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        if (parentPointer && inheritScale)
        {
            invertible(parentPointer->getWorldScale(), "SceneNode.setScale");
            changed = parentPointer->scaleBelow(s);
        }
        break;
    case LOCAL:
        changed = scaling * s;
        break;
    }
    scaling = checkedResult(changed, "scl");
    transformChanged();
}

Vector2 SceneNode::translatedBy(const Vector2& v, TransformSpace space)
{
    switch (space)
    {
    case WORLD:
        if (parentPointer)
            return position + unscaled(v * parentPointer->getWorldOrientation().conjugate(),
                                       parentPointer->getWorldScale());
        break;
    case LOCAL:
        return position + (v * scaling) * orientation;
    case PARENT:
        break;
    }
    return position + v;
}

void SceneNode::translate(const Vector2& v, TransformSpace space)
{
    if (requireFinite(v, "v") == Vector2::ZERO)
        return;
    if (space == WORLD && parentPointer)
        invertible(parentPointer->getWorldScale(), "SceneNode.translate");
    position = checkedResult(translatedBy(v, space), "v");
    transformChanged();
}

bool SceneNode::tryTranslate(const Vector2& v, TransformSpace space)
{
    // One test of the result catches an offset that was not finite as well.
    const Vector2 moved = translatedBy(v, space);
    if (!isFinite(moved))
        return false;
    position = moved;
    transformChanged();
    return true;
}

void SceneNode::rotate(const Complex& q)
{
    if (requireFinite(q, "ori") == Complex::IDENTITY)
        return;
    orientation = checkedResult(orientation * q, "ori");
    transformChanged();
}

void SceneNode::scale(const Scale& s)
{
    if (requireFinite(s, "scl") == Scale::IDENTITY)
        return;
    scaling = checkedResult(scaling * s, "scl");
    transformChanged();
}

void SceneNode::setInheritOrientation(bool inherit)
{
    if (inherit == inheritOrientation)
        return;
    inheritOrientation = inherit;
    transformChanged();
}

void SceneNode::setInheritScale(bool inherit)
{
    if (inherit == inheritScale)
        return;
    inheritScale = inherit;
    transformChanged();
}

void SceneNode::walkSubtree(const std::function<void(const std::shared_ptr<SceneNode>&)>& visit)
{
    // Pre-order, in a loop. Visitors may restructure the graph: each node's children
    // are read when its turn comes, and a node that has left the subtree meanwhile is skipped.
    struct Step
    {
        std::shared_ptr<SceneNode> node, parent;
    };
    std::vector<Step> pending{{self.lock(), nullptr}};
    while (!pending.empty())
    {
        const Step step = std::move(pending.back());
        pending.pop_back();
        if (step.parent && step.node->parentPointer != step.parent.get())
            continue;
        visit(step.node);
        for (auto child = step.node->children.rbegin(); child != step.node->children.rend(); ++child)
            pending.push_back({*child, step.node});
    }
}

void SceneNode::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor(entity);
    visitor.all(children);
}

void SceneNode::accept(Visitor<std::shared_ptr<SceneNode>>& visitor)
{
    walkSubtree([&visitor](const std::shared_ptr<SceneNode>& node) { visitor.visit(node); });
}

void SceneNode::accept(Visitor<std::shared_ptr<Entity>>& visitor)
{
    walkSubtree([&visitor](const std::shared_ptr<SceneNode>& node) {
        if (const std::shared_ptr<Entity> entity = node->entity)
            visitor.visit(entity);
    });
}

std::istream& operator>>(std::istream& stream, SceneNode::TransformSpace& space)
{
    std::string word;
    if (!(stream >> word))
        return stream;
    if (word == "Local")
        space = SceneNode::LOCAL;
    else if (word == "Parent")
        space = SceneNode::PARENT;
    else if (word == "World")
        space = SceneNode::WORLD;
    else
        stream.setstate(std::ios::failbit);
    return stream;
}

}
