#pragma once
// A node of a scene graph: a local transform relative to its parent, a lazily
// computed and cached world transform, owned children and at most one entity.
//
// A change of the local transform invalidates this node's cache and tells the
// scene's render and physics managers that what the node carries has moved;
// children are told only when something below has read its world transform
// since the last change, so moving a parent every step costs nothing below it
// until a child's world transform is needed. Nodes are made by createNew and
// held by shared pointers whose deleter detaches the entity and the children.
//
// Graphs may be far deeper than the stack: every walk down or up the graph
// (copies, scene entry and exit, destruction, notification, world reads) is a
// loop, and the first world read of a deep node computes each stale ancestor
// once. A node whose childrenNotified is clear has it clear on every ancestor
// too, so marking "read below" upward stops at the first node already marked.

#include "core/Teardown.h"
#include "core/math/Complex.h"
#include "core/math/Matrix3.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "scene/Visitor.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <vector>

namespace Tarnu
{

class Collidable;
class Entity;
class ReferenceVisitor;
class Renderable;
class SceneManager;

class alignas(64) SceneNode : public Visitable<std::shared_ptr<SceneNode>>,
                              public Visitable<std::shared_ptr<Entity>>,
                              public Teardown
{
public:
    enum TransformSpace
    {
        LOCAL = 0,
        PARENT = 1,
        WORLD = 2
    };

    using Deleter = TeardownDeleter<SceneNode>;

    static std::shared_ptr<SceneNode> createNew(const Vector2& position = Vector2::ZERO,
                                                const Complex& orientation = Complex::IDENTITY,
                                                const Scale& scale = Scale::IDENTITY);
    /// A node with the source's local transform and inherit flags, detached from everything;
    /// the deep form also copies the entity (under a generated name) and every child.
    static std::shared_ptr<SceneNode> createCopy(const std::shared_ptr<SceneNode>& source, bool deep);

    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;
    ~SceneNode() override;

    void addChild(const std::shared_ptr<SceneNode>& child, bool keepWorld = false);
    void removeChild(const std::shared_ptr<SceneNode>& child, bool keepWorld = false);
    void removeAll(bool keepWorld = false);
    bool hasChildren() const { return !children.empty(); }
    const std::vector<std::shared_ptr<SceneNode>>& getChildren() const { return children; }

    /// Takes an entity that has no node; raises for a missing one.
    void attach(const std::shared_ptr<Entity>& entity);
    void detachEntity();
    const std::shared_ptr<Entity>& getEntity() const { return entity; }

    std::shared_ptr<SceneNode> getParent() const { return parent.lock(); }
    SceneNode* getParentPointer() const { return parentPointer; }
    std::shared_ptr<SceneManager> getManager() const { return manager.lock(); }
    SceneManager* getManagerPointer() const { return managerPointer; }

    void setPosition(const Vector2& position, TransformSpace space = PARENT);
    void setOrientation(const Complex& orientation, TransformSpace space = PARENT);
    void setScale(const Scale& scale, TransformSpace space = PARENT);
    void translate(const Vector2& offset, TransformSpace space = PARENT);
    void rotate(const Complex& rotation);
    void scale(const Scale& factor);

    // For the engine's own steps, which must not raise: the change is made only when
    // its result is finite, and they answer whether it was.
    bool tryTranslate(const Vector2& offset, TransformSpace space);
    bool trySetOrientation(const Complex& orientation, TransformSpace space);

    const Vector2& getPosition() const { return position; }
    const Complex& getOrientation() const { return orientation; }
    const Scale& getScale() const { return scaling; }

    const Vector2& getWorldPosition();
    const Complex& getWorldOrientation();
    const Scale& getWorldScale();
    const Matrix3& getTransformMatrix();

    void setInheritOrientation(bool inherit);
    void setInheritScale(bool inherit);
    bool getInheritOrientation() const { return inheritOrientation; }
    bool getInheritScale() const { return inheritScale; }

    /// The entity and the children.
    void forEachOwned(ReferenceVisitor& visitor) const;

    /// Pre-order over this subtree.
    void accept(Visitor<std::shared_ptr<SceneNode>>& visitor) override;
    /// This node's entity, then each child's subtree.
    void accept(Visitor<std::shared_ptr<Entity>>& visitor) override;

    // Written by the render and physics managers while they hold what this node carries.
    void setRenderableLink(Renderable* renderable) { renderableLink = renderable; }
    void setCollidableLink(Collidable* collidable) { collidableLink = collidable; }
    Collidable* getCollidableLink() const { return collidableLink; }

private:
    friend class SceneManager;
    friend Deleter;

    SceneNode(const Vector2& position, const Complex& orientation, const Scale& scale);

    // The teardown of the deleter.
    bool holdsNothing() const { return !entity && children.empty(); }
    void setTemporaryOwner(const std::shared_ptr<SceneNode>& owner) { self = owner; }
    void letGo();

    struct LocalTransform
    {
        Vector2 position;
        Complex orientation;
        Scale scale;
    };

    bool isSelfOrAncestorOf(const SceneNode* node) const;
    void setParent(SceneNode* newParent);
    /// The local transform below this node that keeps the child's stored transform as its world one.
    LocalTransform localBelow(const SceneNode& child);
    /// A child's world transform, to be kept as its local one when it leaves.
    static LocalTransform keptWorld(SceneNode& child);
    // World values as local ones below this node; the caller checks that its world scale has an inverse.
    Vector2 positionBelow(const Vector2& world);
    Complex orientationBelow(const Complex& world);
    Scale scaleBelow(const Scale& world);
    Complex orientationFor(const Complex& orientation, TransformSpace space);
    Vector2 translatedBy(const Vector2& offset, TransformSpace space);
    /// Lets a child go that has left the children list, with its kept world transform, if any.
    void release(const std::shared_ptr<SceneNode>& child, const LocalTransform* kept);
    void updateWorldTransform();
    /// This node's world values from its parent's, which are up to date.
    void composeWithParent();
    /// Tells this node and its ancestors that a world transform below them was read.
    void markReadBelow();
    void transformChanged();
    /// Drops this node's cached world values and tells the managers that what it carries moved.
    void invalidateCache();
    /// Clears the cache after a change of parent, whatever was read before.
    void parentChanged();
    /// Pre-order over this subtree.
    void walkSubtree(const std::function<void(const std::shared_ptr<SceneNode>&)>& visit);

    Matrix3 transformMatrix;
    std::vector<std::shared_ptr<SceneNode>> children;
    Vector2 position;
    Complex orientation;
    Scale scaling;
    Vector2 worldPosition;
    Complex worldOrientation;
    Scale worldScale;
    // Next to the transforms: a move reads these too, so that moving a node
    // and reading its world transform touch four cache lines.
    SceneNode* parentPointer = nullptr;       // cleared by the parent when it lets the node go
    Renderable* renderableLink = nullptr;     // set and cleared by the scene's render manager
    Collidable* collidableLink = nullptr;     // set and cleared by the scene's physics manager
    bool matrixValid = false;
    bool worldValid = false;
    bool childrenNotified = true;
    bool inheritOrientation = true;
    bool inheritScale = true;
    std::shared_ptr<Entity> entity;
    std::weak_ptr<SceneNode> parent;
    std::weak_ptr<SceneManager> manager;
    std::weak_ptr<SceneNode> self;
    SceneManager* managerPointer = nullptr;   // written by the scene manager only
};

/// Reads "Local", "Parent" or "World"; any other word fails the stream.
std::istream& operator>>(std::istream& stream, SceneNode::TransformSpace& space);

}
