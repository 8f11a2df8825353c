#pragma once
// What the scene-layer tests share: components and listeners that write into one
// log (one comparison shows order, repetition and omission), counting managers,
// and a fixture failing any test that leaves entities or components alive.

#include "core/EventListener.h"
#include "game/physics/Collidable.h"
#include "game/physics/PhysicsManager.h"
#include "game/physics/StaticCollidable.h"
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
#include <set>
#include <string>
#include <vector>

namespace Tarnu::Testing
{

using Log = std::vector<std::string>;

inline std::string nameOf(const std::shared_ptr<Entity>& entity) { return entity ? entity->getName() : "none"; }

// A component class named TYPE below Base. Given a log, it writes "<label> <what>" for
// every attach, refusal, detach and entity change; the hook acts inside the change.
template <const std::string& TYPE, class Base = Component>
class Traced : public ComponentClass<Traced<TYPE, Base>, Base>
{
    using Class = ComponentClass<Traced<TYPE, Base>, Base>;

public:
    static inline const std::string& FACTORY_TYPE = TYPE;

    explicit Traced(std::string label = TYPE, Log* log = nullptr) : label(std::move(label)), log(log) {}

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return createCopy(); }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Traced>(*this); }
    const AxisAlignedBox& getLocalBox() const { return localBox; }

    void entityChanged(const std::shared_ptr<Entity>& now, const std::shared_ptr<Entity>& before) override
    {
        write("entity " + nameOf(now) + "<-" + nameOf(before));
        if (onEntityChanged)
            onEntityChanged(now, before);
    }
    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override
    {
        const bool taken = Class::attach(entity, self);
        write(taken ? "attach" : "refused");
        return taken;
    }
    void detach(Entity* entity) override
    {
        write("detach");
        Class::detach(entity);
    }

    std::string label;
    Log* log;
    std::function<void(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&)> onEntityChanged;
    AxisAlignedBox localBox{Vector2(-1, -1), Vector2(1, 1)};

private:
    void write(const std::string& what)
    {
        if (log)
            log->push_back(label + " " + what);
    }
};
// A renderable with nothing to draw, for tests of what renderables share with all components.
class BlankRenderable : public Renderable
{
public:
    using Renderable::Renderable;
    void setAlpha(float) override {}
    RenderOperation& getRenderOperation(bool) override { return record; }

private:
    RenderOperation record;
};

inline const std::string TRACER = "Tracer", MARKER = "Marker", SPRITE = "Sprite", BODY = "Body";
using Tracer = Traced<TRACER>;
using Marker = Traced<MARKER>;
using Sprite = Traced<SPRITE, BlankRenderable>;  // one class level below the engine's renderable base
using Body = Traced<BODY, StaticCollidable>;  // below the engine's concrete collidable

// Records the events of one type: component and scene events as "added/removed
// <component type or entity name>", any other as "event <type>"; keeps their
// times apart. The hook hears each line as it is written.
class EventRecorder : public EventListener
{
public:
    EventRecorder(Log& log, std::uint32_t type) : EventListener(type), log(log) {}

    void handleEvent(const std::shared_ptr<Event>& event) override
    {
        times.push_back(event->getEventTime());
        if (auto e = std::dynamic_pointer_cast<EntityEvent>(event))
            write(e->getType() == EntityEvent::COMPONENT_ADDED, e->getComponent()->getType());
        else if (auto e = std::dynamic_pointer_cast<SceneEvent>(event))
            write(e->getType() == SceneEvent::ENTITY_ADDED, nameOf(e->getEntity()));
        else
            log.push_back("event " + std::to_string(event->getEventType()));
        if (onEvent)
            onEvent(std::string(log.back()));
    }

    std::vector<double> times;
    std::function<void(std::string)> onEvent;

private:
    void write(bool added, const std::string& what) { log.push_back((added ? "added " : "removed ") + what); }
    Log& log;
};

// Managers that count the moves they hear of.
struct CountingRenderer : RenderManager
{
    void updateProcess(double) override {}
    void render() override {}
    std::shared_ptr<Camera> getMainCamera() const override { return nullptr; }
    void setMainCamera(const std::string&) override {}
    // Filing as a render manager does it, as far as the renderables see.
    void addRenderable(Renderable* renderable) override
    {
        renderable->setRenderManager(this);
        renderable->clearMoved();
        filed.insert(renderable);
    }
    void removeRenderable(Renderable* renderable) override
    {
        renderable->setRenderManager(nullptr);
        filed.erase(renderable);
    }
    void addCamera(const std::shared_ptr<Camera>&) override {}
    void removeCamera(const Camera*) override {}
    void addAnimatable(Animatable*) override {}
    void removeAnimatable(Animatable*) override {}
    void renderableMoved(Renderable*) override { ++moves; }
    void notifyConnected() override {}
    void notifyDisconnected() override
    {
        for (Renderable* renderable : filed)
            renderable->setRenderManager(nullptr);
        filed.clear();
    }
    int moves = 0;
    std::set<Renderable*> filed;
};
struct CountingPhysics : PhysicsManager
{
    void updateProcess(double) override {}
    std::uint32_t createStaticCollidable(const Bound&) override { return 0; }
    // Taken as a real manager takes it: queued once, so the next move is heard.
    void addCollidable(Collidable* collidable) override { collidable->getRecord().queued = false; }
    void removeCollidable(Collidable*) override {}
    void addMovable(Movable*) override {}
    void removeMovable(Movable*) override {}
    void collidableMoved(Collidable*) override { ++moves; }
    void notifyConnected() override {}
    void notifyDisconnected() override {}
    int moves = 0;
};

/// A free node carrying a new entity of that name with the components added.
inline std::shared_ptr<SceneNode> entityNode(const std::string& name,
                                             const std::vector<std::shared_ptr<Component>>& components = {})
{
    auto entity = Entity::createNew(name);
    entity->addComponents(components);
    auto node = SceneNode::createNew();
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

private:
    const int entitiesBefore = activeEntityCount;
    const int componentsBefore = activeComponentCount;
};

}
