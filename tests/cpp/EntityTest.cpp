#include "SceneFixtures.h"

#include "scene/EventRouter.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr std::uint32_t ROUTED = 3001;

// Another renderable class: it shares the "Renderable" level with Sprite.
const std::string LABEL = "Label";
using Label = Traced<LABEL, BlankRenderable>;

// A component whose copies are one fixed instance, which may belong to someone else.
class Borrowed : public ComponentClass<Borrowed>
{
public:
    static inline const std::string FACTORY_TYPE = "Borrowed";

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return copyTo; }
    std::shared_ptr<Component> createCopy() const override { return copyTo; }
    std::shared_ptr<Component> copyTo;
};

using ComponentRegistry = SceneTest;
using EntityComponents = SceneTest;

}

TEST_F(ComponentRegistry, OneComponentPerClassLevelFoundUnderEveryNameOfItsChainUntilRemoved)
{
    auto entity = Entity::createNew("e");
    auto sprite = std::make_shared<Sprite>();
    EXPECT_TRUE(entity->addComponent(sprite));
    EXPECT_FALSE(entity->addComponent(std::make_shared<Label>())) << "the shared renderable level is taken";
    for (const char* name : {"Renderable", "Sprite"})
        EXPECT_EQ(Component::getComponent(name, entity.get()), sprite) << name;
    EXPECT_EQ(Renderable::getFor(entity.get()), sprite);
    EXPECT_EQ(Component::getComponent("Component", entity.get()), nullptr);

    entity->removeAllComponents();
    for (const char* name : {"Renderable", "Sprite"})
        EXPECT_EQ(Component::getComponent(name, entity.get()), nullptr) << name;
    EXPECT_TRUE(entity->addComponent(std::make_shared<Label>()));
}

TEST_F(ComponentRegistry, OnlyTheAttachedComponentRemovesItsEntries)
{
    auto entity = Entity::createNew("e"), other = Entity::createNew("other");
    auto attached = std::make_shared<Tracer>(), stranger = std::make_shared<Tracer>();
    auto foreign = std::make_shared<Marker>();
    entity->addComponent(attached);
    other->addComponent(foreign);

    stranger->detach(entity.get());
    EXPECT_EQ(Component::unregisterComponent("Tracer", entity.get(), stranger.get()), 0u);
    entity->removeComponent(foreign);

    EXPECT_EQ(Component::getComponent("Tracer", entity.get()), attached);
    EXPECT_EQ(Tracer::getFor(entity.get()), attached);
    EXPECT_EQ(foreign->getEntity(), other);
    EXPECT_EQ(Component::getComponent("Marker", other.get()), foreign);
}

TEST_F(EntityComponents, BatchIsAttachedWholeFirstAndAMemberRemovedByASiblingIsNotAnnounced)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRecorder heard(log, EntityEvent::TYPE);
    entity->addEventListener(&heard);
    auto tracer = std::make_shared<Tracer>("a", &log);
    auto marker = std::make_shared<Marker>();
    auto sprite = std::make_shared<Sprite>();
    auto body = std::make_shared<Body>();
    tracer->onEntityChanged = [&](const std::shared_ptr<Entity>& now, auto) {
        if (!now)
            return;
        log.push_back(std::string("siblings ") + (tracer->checkRef(nullptr, "Marker") == marker ? "M" : "-") +
                      (tracer->checkRef(nullptr, "Renderable") == sprite ? "S" : "-") +
                      (tracer->checkRef(nullptr, "Collidable") == body ? "B" : "-"));
        now->removeComponent(body);
    };

    entity->addComponents({tracer, std::make_shared<Tracer>("refused", &log), nullptr, marker, sprite, body});

    EXPECT_EQ(log, (Log{"a attach", "refused refused", "a entity e<-none", "siblings MSB", "removed Body",
                        "added Tracer", "added Marker", "added Sprite"}));
    EXPECT_EQ(entity->getComponents(), (std::vector<std::shared_ptr<Component>>{tracer, marker, sprite}));
    EXPECT_EQ(body->getOwnerPointer(), nullptr);
}

TEST_F(EntityComponents, RemovingAllSurvivesCallbacksThatRemoveSiblingsAndAddComponents)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRecorder heard(log, EntityEvent::TYPE);
    entity->addEventListener(&heard);
    auto tracer = std::make_shared<Tracer>("a", &log);
    auto sprite = std::make_shared<Sprite>();
    auto body = std::make_shared<Body>();
    entity->addComponents({tracer, std::make_shared<Marker>(), sprite});
    log.clear();
    tracer->onEntityChanged = [&](const std::shared_ptr<Entity>& now, const std::shared_ptr<Entity>& old) {
        if (now)
            return;
        old->removeComponent(sprite);
        old->addComponent(body);
    };

    entity->removeAllComponents();

    EXPECT_EQ(log, (Log{"a detach", "a entity none<-e", "added Body", "removed Tracer", "removed Marker",
                        "removed Sprite"}));
    EXPECT_EQ(entity->getComponents(), std::vector<std::shared_ptr<Component>>{body});
    EXPECT_EQ(sprite->getOwnerPointer(), nullptr);
    EXPECT_EQ(Component::getComponent("Renderable", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Marker", entity.get()), nullptr);
}

TEST_F(EntityComponents, VisitorRemovingWhatItVisitsStillSeesEveryComponentInOrder)
{
    struct Remover : Visitor<std::shared_ptr<Component>>
    {
        void visit(const std::shared_ptr<Component>& component) override
        {
            seen.push_back(component);
            component->getEntity()->removeComponent(component);
        }
        std::vector<std::shared_ptr<Component>> seen;
    } visitor;
    auto entity = Entity::createNew("e");
    auto tracer = std::make_shared<Tracer>();
    auto marker = std::make_shared<Marker>();
    entity->addComponents({tracer, marker});
    entity->accept(visitor);

    EXPECT_EQ(visitor.seen, (std::vector<std::shared_ptr<Component>>{tracer, marker}));
    EXPECT_TRUE(entity->getComponents().empty());
}

TEST_F(EntityComponents, CopyAnnouncesEveryComponentAddedAfterAllHaveHeardOfTheirEntity)
{
    Log log;
    EventRecorder heard(log, EntityEvent::TYPE);
    auto source = Entity::createNew("source");
    auto tracer = std::make_shared<Tracer>("a", &log);
    // The tracer's copy listens on its new entity as soon as it hears of it.
    tracer->onEntityChanged = [&](const std::shared_ptr<Entity>& now, auto) {
        if (now && now != source)
            now->addEventListener(&heard);
    };
    source->addComponents({tracer, std::make_shared<Marker>()});
    log.clear();

    auto copy = Entity::createCopy(source, "copy");

    EXPECT_EQ(log, (Log{"a attach", "a entity copy<-none", "added Tracer", "added Marker"}));
    EXPECT_EQ(heard.times, (std::vector<double>{0.0, 0.0}));
}

TEST_F(EntityComponents, CopySkipsComponentCopiesThatAlreadyHaveAnOwner)
{
    auto holder = Entity::createNew("holder");
    auto taken = std::make_shared<Marker>();
    holder->addComponent(taken);
    auto source = Entity::createNew("source");
    auto borrowed = std::make_shared<Borrowed>();
    borrowed->copyTo = taken;
    source->addComponents({borrowed, std::make_shared<Tracer>()});

    auto copy = Entity::createCopy(source, "copy");

    ASSERT_EQ(copy->getComponents().size(), 1u);
    EXPECT_EQ(copy->getComponents()[0]->getType(), "Tracer");
    EXPECT_EQ(taken->getEntity(), holder);
    borrowed->copyTo.reset();
}

TEST_F(EntityComponents, RouterOnItsOwnTargetDeliversOnceAndDoesNotKeepTheTargetAlive)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRouter router(entity, ROUTED);
    EventRecorder heard(log, ROUTED);
    entity->addEventListener(&router);
    entity->addEventListener(&heard);

    entity->queueEvent(std::make_shared<Event>(ROUTED, 0.0));
    entity->dispatchEvents(10.0);
    entity->postEvent(std::make_shared<Event>(ROUTED, 0.0));
    EXPECT_EQ(log.size(), 2u);
    EXPECT_FALSE(entity->hasQueuedEvents());
    std::weak_ptr<Entity> watch = entity;
    entity.reset();
    EXPECT_TRUE(watch.expired());
}
