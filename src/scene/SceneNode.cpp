#include "scene/SceneNode.h"

#include "game/Collidable.h"
#include "render/RenderManager.h"
#include "render/Renderable.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <algorithm>
#include <istream>
#include <string>

namespace Tarnu
{

namespace
{

Vector2 unscaled(const Vector2& v, const Scale& s)
{
    return Vector2(v.x / s.x, v.y / s.y);
}

}

void SceneNode::Deleter::operator()(SceneNode* node) const
{
    if (!node->entity && node->children.empty())
    {
        delete node;
        return;
    }
    // Detaching hands pointers to this node to the scene and the entity's
    // components; a temporary owner keeps those valid until it lets go.
    std::shared_ptr<SceneNode> temporary(node, Deleter());
    node->self = temporary;
    node->detachEntity();
    node->removeAll(false);
}

SceneNode::SceneNode(const Vector2& position, const Complex& orientation, const Scale& scale)
    : position(position), orientation(orientation), scaling(scale)
{
}

SceneNode::~SceneNode() = default;

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
    std::shared_ptr<SceneNode> copy = createNew(source->position, source->orientation, source->scaling);
    copy->inheritOrientation = source->inheritOrientation;
    copy->inheritScale = source->inheritScale;
    if (!deep)
        return copy;
    if (source->entity)
        copy->attach(Entity::createCopy(source->entity, ""));
    for (const std::shared_ptr<SceneNode>& child : source->children)
        copy->addChild(createCopy(child, true));
    return copy;
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

void SceneNode::addChild(const std::shared_ptr<SceneNode>& child, bool keepWorld)
{
    // A node cannot hang below itself: the graph must stay a tree.
    if (!child || child->parentPointer || child->managerPointer || child->isSelfOrAncestorOf(this))
        return;
    child->setParent(this);
    children.push_back(child);
    if (keepWorld)
    {
        child->setPosition(child->position, WORLD);
        child->setOrientation(child->orientation, WORLD);
        child->setScale(child->scaling, WORLD);
    }
    if (managerPointer)
        managerPointer->connectNode(child);
    childrenNotified = false;
}

void SceneNode::removeChild(const std::shared_ptr<SceneNode>& child, bool keepWorld)
{
    if (!child || child->parentPointer != this)
        return;
    // Absent while removeAll is releasing the list: it will reach this child itself.
    auto found = std::find(children.begin(), children.end(), child);
    if (found == children.end())
        return;
    // The caller may hold its only other reference through the children list.
    const std::shared_ptr<SceneNode> keep = child;
    children.erase(found);
    release(keep, keepWorld);
}

void SceneNode::removeAll(bool keepWorld)
{
    // The list is taken first: disconnecting calls out to components and listeners.
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
    if (!newEntity || newEntity->getSceneNodePointer() || entity)
        return;
    newEntity->setSceneNode(self.lock(), this);
    entity = newEntity;
    if (managerPointer)
        managerPointer->addEntity(entity);
}

void SceneNode::detachEntity()
{
    if (!entity)
        return;
    const std::shared_ptr<Entity> leaving = std::move(entity);
    entity.reset();
    leaving->setSceneNode(nullptr, nullptr);
    if (managerPointer)
        managerPointer->removeEntity(leaving);
}

void SceneNode::updateWorldTransform()
{
    if (parentPointer)
    {
        SceneNode& p = *parentPointer;
        const Complex& parentOrientation = p.getWorldOrientation();
        const Scale& parentScale = p.getWorldScale();
        worldOrientation = inheritOrientation ? orientation * parentOrientation : orientation;
        worldScale = inheritScale ? scaling * parentScale : scaling;
        worldPosition = p.getWorldPosition() + (position * parentScale) * parentOrientation;
    }
    else
    {
        worldOrientation = orientation;
        worldScale = scaling;
        worldPosition = position;
    }
    worldValid = true;
    for (SceneNode* ancestor = parentPointer; ancestor; ancestor = ancestor->parentPointer)
        ancestor->childrenNotified = false;
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
    if (!childrenNotified)
    {
        for (const std::shared_ptr<SceneNode>& child : children)
            child->transformChanged();
        childrenNotified = true;
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
    switch (space)
    {
    case PARENT:
        position = v;
        break;
    case WORLD:
        // A child's position always takes its parent's world rotation and scale,
        // whatever it inherits for its own orientation and scale.
        position = v;
        if (parentPointer)
            position = unscaled((v - parentPointer->getWorldPosition()) * parentPointer->getWorldOrientation().conjugate(),
                                parentPointer->getWorldScale());
        break;
    case LOCAL:
        if (v == Vector2::ZERO)
            return;
        position += (v * scaling) * orientation;
        break;
    }
    transformChanged();
}

void SceneNode::setOrientation(const Complex& q, TransformSpace space)
{
    switch (space)
    {
    case PARENT:
        orientation = q;
        break;
    case WORLD:
        orientation = parentPointer && inheritOrientation
                          ? q * parentPointer->getWorldOrientation().conjugate()
                          : q;
        break;
    case LOCAL:
        orientation = orientation * q;
        break;
    }
    transformChanged();
}

void SceneNode::setScale(const Scale& s, TransformSpace space)
{
    switch (space)
    {
    case PARENT:
        scaling = s;
        break;
    case WORLD:
        if (parentPointer && inheritScale)
        {
            const Scale& parentScale = parentPointer->getWorldScale();
            scaling = s / parentScale;
        }
        else
            scaling = s;
        break;
    case LOCAL:
        scaling *= s;
        break;
    }
    transformChanged();
}

void SceneNode::translate(const Vector2& v, TransformSpace space)
{
    if (v == Vector2::ZERO)
        return;
    switch (space)
    {
    case PARENT:
        position += v;
        break;
    case WORLD:
        if (parentPointer)
            position += unscaled(v * parentPointer->getWorldOrientation().conjugate(), parentPointer->getWorldScale());
        else
            position += v;
        break;
    case LOCAL:
        position += (v * scaling) * orientation;
        break;
    }
    transformChanged();
}

void SceneNode::rotate(const Complex& q)
{
    if (q == Complex::IDENTITY)
        return;
    orientation = orientation * q;
    transformChanged();
}

void SceneNode::scale(const Scale& s)
{
    if (s == Scale::IDENTITY)
        return;
    scaling *= s;
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

void SceneNode::accept(Visitor<std::shared_ptr<SceneNode>>& visitor)
{
    visitor.visit(self.lock());
    // Visitors may restructure the graph; walk what was there when the visit began.
    const std::vector<std::shared_ptr<SceneNode>> snapshot = children;
    for (const std::shared_ptr<SceneNode>& child : snapshot)
        child->accept(visitor);
}

void SceneNode::accept(Visitor<std::shared_ptr<Entity>>& visitor)
{
    if (entity)
        visitor.visit(entity);
    const std::vector<std::shared_ptr<SceneNode>> snapshot = children;
    for (const std::shared_ptr<SceneNode>& child : snapshot)
        child->accept(visitor);
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
