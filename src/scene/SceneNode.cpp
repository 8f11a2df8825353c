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

/// A new local value, refused when it is not finite (huge values overflow).
template <class T>
const T& checkedResult(const T& value)
{
    return requireFinite(value, "the resulting local value");
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
    if (keepWorld)
    {
        // Checked before the child is linked, so that a refusal leaves both as they were.
        invertible(getWorldScale(), "SceneNode.addChild");
    }
    const std::shared_ptr<SceneNode> keep = self.lock(), child = newChild;
    child->setParent(this);
    children.push_back(child);
    if (keepWorld)
    {
        child->setPosition(child->position, WORLD);
        child->setOrientation(child->orientation, WORLD);
        child->setScale(child->scaling, WORLD);
    }
    markReadBelow();
    if (managerPointer)
        managerPointer->connectNode(child);
}

void SceneNode::removeChild(const std::shared_ptr<SceneNode>& child, bool keepWorld)
{
    if (!child || child->parentPointer != this)
        return;
    // Absent while removeAll is releasing the list: it will reach this child itself.
    auto found = std::find(children.begin(), children.end(), child);
    if (found == children.end())
        return;
    // The caller may hold its only other reference through the children list,
    // and a callback of the scene may drop the last one to this node.
    const std::shared_ptr<SceneNode> keepThis = self.lock(), keepChild = child;
    children.erase(found);
    release(keepChild, keepWorld);
}

void SceneNode::removeAll(bool keepWorld)
{
    // The list is taken first: disconnecting calls out to components and listeners.
    const std::shared_ptr<SceneNode> keep = self.lock();
    const std::vector<std::shared_ptr<SceneNode>> leaving = std::move(children);
    children.clear();
    for (const std::shared_ptr<SceneNode>& child : leaving)
        release(child, keepWorld);
}

void SceneNode::release(const std::shared_ptr<SceneNode>& child, bool keepWorld)
{
    if (keepWorld)
    {
        const Vector2 worldPosition = child->getWorldPosition();
        const Complex worldOrientation = child->getWorldOrientation();
        const Scale worldScale = child->getWorldScale();
        child->position = worldPosition;
        child->orientation = worldOrientation;
        child->scaling = worldScale;
    }
    child->setParent(nullptr);
    if (managerPointer)
        managerPointer->disconnectNode(child);
}

void SceneNode::attach(const std::shared_ptr<Entity>& newEntity)
{
    if (!newEntity || newEntity->getSceneNodePointer() || entity || !takesAdditions("SceneNode.attach"))
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
    static constexpr const char* OPERATION = "SceneNode.setPosition";
    requireFinite(v, "pos");
    Vector2 changed = v;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        // A child's position always takes its parent's world rotation and scale,
        // whatever it inherits for its own orientation and scale.
        if (parentPointer)
            changed = unscaled((v - parentPointer->getWorldPosition()) * parentPointer->getWorldOrientation().conjugate(),
                               invertible(parentPointer->getWorldScale(), OPERATION));
        break;
    case LOCAL:
        if (v == Vector2::ZERO)
            return;
        changed = position + (v * scaling) * orientation;
        break;
    }
    position = checkedResult(changed);
    transformChanged();
}

void SceneNode::setOrientation(const Complex& q, TransformSpace space)
{
    requireFinite(q, "ori");
    Complex changed = q;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        if (parentPointer && inheritOrientation)
            changed = q * parentPointer->getWorldOrientation().conjugate();
        break;
    case LOCAL:
        changed = orientation * q;
        break;
    }
    orientation = checkedResult(changed);
    transformChanged();
}

void SceneNode::setScale(const Scale& s, TransformSpace space)
{
    static constexpr const char* OPERATION = "SceneNode.setScale";
    requireFinite(s, "scl");
    Scale changed = s;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        if (parentPointer && inheritScale)
            changed = s / invertible(parentPointer->getWorldScale(), OPERATION);
        break;
    case LOCAL:
        changed = scaling * s;
        break;
    }
    scaling = checkedResult(changed);
    transformChanged();
}

void SceneNode::translate(const Vector2& v, TransformSpace space)
{
    static constexpr const char* OPERATION = "SceneNode.translate";
    if (requireFinite(v, "v") == Vector2::ZERO)
        return;
    Vector2 offset = v;
    switch (space)
    {
    case PARENT:
        break;
    case WORLD:
        if (parentPointer)
            offset = unscaled(v * parentPointer->getWorldOrientation().conjugate(),
                              invertible(parentPointer->getWorldScale(), OPERATION));
        break;
    case LOCAL:
        offset = (v * scaling) * orientation;
        break;
    }
    position = checkedResult(position + offset);
    transformChanged();
}

void SceneNode::rotate(const Complex& q)
{
    if (requireFinite(q, "ori") == Complex::IDENTITY)
        return;
    orientation = checkedResult(orientation * q);
    transformChanged();
}

void SceneNode::scale(const Scale& s)
{
    if (requireFinite(s, "scl") == Scale::IDENTITY)
        return;
    scaling = checkedResult(scaling * s);
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
