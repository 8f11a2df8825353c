#pragma once
// What the scene-layer tests share: components and listeners that write what
// they hear into one log (so one comparison shows order, repetition and
// omission), counting render and physics managers, and a fixture that fails a
// test which leaves entities or components alive.

#include "core/EventListener.h"
#include "core/Process.h"
#include "game/Collidable.h"
#include "game/PhysicsManager.h"
#include "render/RenderManager.h"
#include "render/Renderable.h"
#include "scene/Component.h"
#include "scene/ComponentClass.h"
#include "scene/Entity.h"
#include "scene/EntityEvent.h"
#include "scene/SceneEvent.h"
#include "scene/SceneManager.h"
#include "scene/SceneNode.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu::Testing
{

using Log = std::vector<std::string>;

inline std::string nameOf(const std::shared_ptr<Entity>& entity) { return entity ? entity->getName() : "none"; }
inline std::string nameOf(const std::shared_ptr<SceneManager>& scene) { return scene ? "scene" : "none"; }

// Writes "<label> <what>" for every notification, attach and detach; the hooks
// let a test act from inside a notification.
class Tracer : public ComponentClass<Tracer>
{
public:
    static inline const std::string FACTORY_TYPE = "Tracer";

    explicit Tracer(std::string label = "", Log* log = nullptr) : label(std::move(label)), log(log) {}

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return createCopy(); }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Tracer>(*this); }

    void entityChanged(const std::shared_ptr<Entity>& now, const std::shared_ptr<Entity>& before) override
    {
        write("entity " + nameOf(now) + "<-" + nameOf(before));
        if (onEntityChanged)
            onEntityChanged(now, before);
    }
    void managerChanged(const std::shared_ptr<SceneManager>& now, const std::shared_ptr<SceneManager>& before) override
    {
        write("manager " + nameOf(now) + "<-" + nameOf(before));
    }
    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override
    {
        const bool taken = ComponentClass::attach(entity, self);
        write(taken ? "attach" : "refused");
        return taken;
    }
    void detach(Entity* entity) override
    {
        write("detach");
        ComponentClass::detach(entity);
    }

    std::string label;
    Log* log;
    std::function<void(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&)> onEntityChanged;

private:
    void write(const std::string& what)
    {
        if (log)
            log->push_back(label + " " + what);
    }
};

// A silent component class named by the template argument, below the given base.
template <const std::string& TYPE, class Base = Component>
class Silent : public ComponentClass<Silent<TYPE, Base>, Base>
{
public:
    static inline const std::string& FACTORY_TYPE = TYPE;
    std::shared_ptr<Component> createNew(const ParameterList&) const override { return createCopy(); }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Silent>(*this); }
    const AxisAlignedBox& getLocalBox() const { return localBox; }
    AxisAlignedBox localBox{Vector2(-1, -1), Vector2(1, 1)};
};
inline const std::string MARKER = "Marker", SPRITE = "Sprite", BODY = "Body";
using Marker = Silent<MARKER>;
using Sprite = Silent<SPRITE, Renderable>;  // one class level below the engine's renderable base
using Body = Silent<BODY, Collidable>;

inline std::string labelOf(const std::shared_ptr<Component>& component)
{
    if (auto tracer = std::dynamic_pointer_cast<Tracer>(component))
        return tracer->label;
    return component ? component->getType() : "none";
}

// Records the events of one type: component events in words, any other as
// "event <type>"; keeps their times apart.
class EventRecorder : public EventListener
{
public:
    EventRecorder(Log& log, std::uint32_t type, std::string prefix = "")
        : EventListener(type), log(log), prefix(std::move(prefix))
    {
    }

    void handleEvent(const std::shared_ptr<Event>& event) override
    {
        times.push_back(event->getEventTime());
        if (auto entityEvent = std::dynamic_pointer_cast<EntityEvent>(event))
            log.push_back(prefix + (entityEvent->getType() == EntityEvent::COMPONENT_ADDED ? "added " : "removed ") +
                          labelOf(entityEvent->getComponent()));
        else
            log.push_back(prefix + "event " + std::to_string(event->getEventType()));
        if (onEvent)
            onEvent(event);
    }

    std::vector<double> times;
    std::function<void(const std::shared_ptr<Event>&)> onEvent;

private:
    Log& log;
    std::string prefix;
};

class SceneRecorder : public SceneListener
{
public:
    explicit SceneRecorder(Log& log) : log(log) {}

    void entityAdded(const std::shared_ptr<SceneEvent>& event) override
    {
        log.push_back("added " + nameOf(event->getEntity()));
    }
    void entityRemoved(const std::shared_ptr<SceneEvent>& event) override
    {
        log.push_back("removed " + nameOf(event->getEntity()));
        if (onRemoved)
            onRemoved(event);
    }

    std::function<void(const std::shared_ptr<SceneEvent>&)> onRemoved;

private:
    Log& log;
};

class CountingRenderer : public RenderManager
{
public:
    void updateProcess(double) override {}
    void render() override {}
    void renderableMoved(Renderable*) override { ++moves; }
    int moves = 0;

protected:
    void notifyConnected() override {}
    void notifyDisconnected() override {}
};

class CountingPhysics : public PhysicsManager
{
public:
    void updateProcess(double) override {}
    void collidableMoved(Collidable*) override { ++moves; }
    int moves = 0;

protected:
    void notifyConnected() override {}
    void notifyDisconnected() override {}
};

// Runs a test's code inside the scene's update pass.
class Step : public Process
{
public:
    explicit Step(std::function<void()> action) : action(std::move(action)) {}
    void updateProcess(double) override { action(); }

private:
    std::function<void()> action;
};

/// A free node carrying a new entity of that name with the components added.
inline std::shared_ptr<SceneNode> entityNode(const std::string& name,
                                             const std::vector<std::shared_ptr<Component>>& components = {},
                                             const Vector2& position = Vector2::ZERO)
{
    auto entity = Entity::createNew(name);
    entity->addComponents(components);
    auto node = SceneNode::createNew(position);
    node->attach(entity);
    return node;
}

// Fails any test that leaves entities or components alive once its locals are gone.
class SceneTest : public testing::Test
{
protected:
    void TearDown() override
    {
        EXPECT_EQ(activeEntityCount, entitiesBefore) << "entities leaked or destroyed twice";
        EXPECT_EQ(activeComponentCount, componentsBefore) << "components leaked or destroyed twice";
    }

    int liveEntities() const { return activeEntityCount - entitiesBefore; }
    int liveComponents() const { return activeComponentCount - componentsBefore; }

private:
    const int entitiesBefore = activeEntityCount;
    const int componentsBefore = activeComponentCount;
};

}
