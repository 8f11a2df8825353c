#include "game/physics/Movable.h"

#include "core/EngineWarning.h"
#include "core/OwnedReferences.h"
#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/Complex.h"
#include "core/math/FiniteCheck.h"
#include "game/physics/MovableActionEvent.h"
#include "game/physics/MovableAffector.h"
#include "game/physics/PhysicsManager.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "Movable",
    {{"mass", NUMBER, "0 (forces act as on a mass of 1)", "The mass that forces are divided by."},
     {"velocity", VECTOR2, "<0,0>", "The velocity, in world units per second."},
     {"rotationalVelocity", NUMBER, "0", "The turning speed, in radians per second."},
     {"relativeToOrienation", "text, \"true\" for true", "false",
      "true: the velocity is turned by the entity's orientation once it is in a scene (the key is spelled so)."},
     {"force", VECTOR2, "none", "With forceSpace, a force applied from the start."},
     {"forceSpace", oneOf({"Local", "Parent", "World"}), "none", "The space the force is given in."}});

}

Movable::ActionListener::ActionListener(Movable& movable)
    : EventListener(MovableActionEvent::TYPE), movable(movable)
{
}

void Movable::ActionListener::handleEvent(const std::shared_ptr<Event>& event)
{
    // A script may post a bare Event under this type number.
    auto action = std::dynamic_pointer_cast<MovableActionEvent>(event);
    if (!action)
        return;
    const double real = action->getReal();
    switch (action->getAction())
    {
    case MovableActionEvent::SET_VELOCITY:
        movable.velocity = action->getVector();
        break;
    case MovableActionEvent::ADD_VELOCITY:
        movable.velocity += action->getVector();
        break;
    case MovableActionEvent::SCALE_VELOCITY:
        movable.velocity *= real;
        break;
    case MovableActionEvent::ROTATE_VELOCITY:
        movable.velocity *= Complex(std::cos(real), std::sin(real));
        break;
    case MovableActionEvent::SET_ROT_VELOCITY:
        movable.rotationalVelocity = real;
        return;
    case MovableActionEvent::SCALE_ROT_VELOCITY:
        movable.rotationalVelocity *= real;
        return;
    case MovableActionEvent::SET_MASS:
        movable.setMass(real);
        return;
    }
    movable.pendingOrientation = false;
}

Movable::Movable() : actionListener(std::make_unique<ActionListener>(*this))
{
}

Movable::Movable(const Vector2& velocity, double mass, double rotationalVelocity)
    : velocity(velocity),
      rotationalVelocity(rotationalVelocity),
      mass(mass),
      actionListener(std::make_unique<ActionListener>(*this))
{
}

Movable::Movable(const Movable& other)
    : ComponentClass<Movable>(other),
      velocity(other.velocity),
      rotationalVelocity(other.rotationalVelocity),
      mass(other.mass),
      pendingOrientation(other.pendingOrientation),
      actionListener(std::make_unique<ActionListener>(*this))
{
    for (const std::shared_ptr<MovableAffector>& affector : other.affectors)
        if (affector->isShareable())
            affectors.push_back(affector);
}

Movable::~Movable()
{
    if (physicsManager)
        physicsManager->removeMovable(this);
    // An affector marked as this one's could otherwise never be applied again.
    for (const std::shared_ptr<MovableAffector>& affector : affectors)
        if (affector->getOwner() == this)
            affector->setOwner(nullptr);
}

std::shared_ptr<Component> Movable::createNew(const ParameterList& params) const
{
    double readMass = 0.0;
    Vector2 readVelocity;
    double readRotationalVelocity = 0.0;
    if (params.get("mass", readMass) == ParameterList::INVALID_TYPE ||
        params.get("velocity", readVelocity) == ParameterList::INVALID_TYPE ||
        params.get("rotationalVelocity", readRotationalVelocity) == ParameterList::INVALID_TYPE)
        throw std::runtime_error("Invalid type in Movable ParamList.");
    auto made = std::make_shared<Movable>(readVelocity, readMass, readRotationalVelocity);
    if (params.get("relativeToOrienation") == "true")
        made->pendingOrientation = true;
    if (params.contains("force") && params.contains("forceSpace"))
    {
        Vector2 force;
        SceneNode::TransformSpace space = SceneNode::WORLD;
        params.getThrowOnFail("force", force, "");
        params.getThrowOnFail("forceSpace", space, "");
        made->apply(std::make_shared<Force>(force, space));
    }
    return made;
}

std::shared_ptr<Component> Movable::createCopy() const
{
    return std::make_shared<Movable>(*this);
}

void Movable::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(actionListener.get());
    if (newEntity)
        newEntity->addEventListener(actionListener.get());
}

void Movable::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                             const std::shared_ptr<SceneManager>& oldManager)
{
    if (physicsManager && oldManager)
        physicsManager->removeMovable(this);
    if (!newManager)
        return;
    if (PhysicsManager* manager = newManager->getPhysicsManager().get())
        manager->addMovable(this);
    resolvePendingOrientation();
}

void Movable::resolvePendingOrientation()
{
    SceneNode* node = getSceneNodePointer();
    if (!pendingOrientation || !node)
        return;
    pendingOrientation = false;
    velocity *= node->getWorldOrientation();
}

void Movable::setVelocity(const Vector2& value)
{
    velocity = requireFiniteLength(value, "velocity");
    pendingOrientation = false;
}

void Movable::setVelocity(double speed, const Vector2& direction)
{
    requireFinite(speed, "speed");
    requireFiniteLength(direction, "direction");
    if (SceneNode* node = getSceneNodePointer())
    {
        velocity = requireFiniteLength(direction * node->getWorldOrientation() * speed, "speed");
        return;
    }
    velocity = requireFiniteLength(direction * speed, "speed");
    pendingOrientation = true;
}

void Movable::setVelocityX(double x)
{
    velocity = requireFiniteLength(Vector2(requireFinite(x, "x"), velocity.y), "x");
    pendingOrientation = false;
}

void Movable::setVelocityY(double y)
{
    velocity = requireFiniteLength(Vector2(velocity.x, requireFinite(y, "y")), "y");
    pendingOrientation = false;
}

void Movable::changeVelocity(const Vector2& change)
{
    velocity = requireFiniteLength(velocity + requireFinite(change, "change"), "change");
}

void Movable::setRotationalVelocity(double value)
{
    rotationalVelocity = requireFinite(value, "rotationalVelocity");
}

void Movable::setMass(double value)
{
    requireFinite(value, "mass");
    mass = value > 0.0 ? value : 0.0;
}

void Movable::stopRunaway()
{
    if (!runawayReported)
    {
        runawayReported = true;
        const std::shared_ptr<Entity> entity = getEntity();
        std::ostringstream message;
        message << "the physics step stopped the movable of entity '" << (entity ? entity->getName() : "")
                << "' where it was: its velocity " << velocity << " and rotational velocity " << rotationalVelocity
                << " would carry it past the largest number.";
        logEngineWarning(message.str());
    }
    velocity = Vector2::ZERO;
    rotationalVelocity = 0.0;
}

void Movable::apply(const std::shared_ptr<MovableAffector>& affector)
{
    if (!affector || (!affector->isShareable() && affector->getOwner()))
        return;
    if (std::find(affectors.begin(), affectors.end(), affector) != affectors.end())
        return;
    affectors.push_back(affector);
    affector->setOwner(this);
    affector->attached(*this);
}

void Movable::remove(const std::shared_ptr<MovableAffector>& affector)
{
    auto found = std::find(affectors.begin(), affectors.end(), affector);
    if (!affector || found == affectors.end())
        return;
    affectors.erase(found);
    if (affector->getOwner() == this)
        affector->setOwner(nullptr);
}

void Movable::applyAffectors(double dt)
{
    // Every step of every movable: no reference is copied, and so no count
    // touched, until an affector finishes.
    for (std::size_t i = 0; i < affectors.size();)
    {
        if (!affectors[i]->apply(*this, dt))
        {
            ++i;
            continue;
        }
        // Taken out first: the list may hold its last reference.
        const std::shared_ptr<MovableAffector> finished = std::move(affectors[i]);
        affectors.erase(affectors.begin() + static_cast<std::ptrdiff_t>(i));
        if (finished->getOwner() == this)
            finished->setOwner(nullptr);
    }
}

void Movable::forEachOwned(ReferenceVisitor& visitor) const
{
    visitor.all(affectors);
}

}
