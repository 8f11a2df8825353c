#include "SceneFixtures.h"

#include "scene/EventRouter.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

constexpr std::uint32_t ROUTED = 3001;

// A component whose copies are one fixed instance, which may belong to someone else.
class Borrowed : public ComponentClass<Borrowed>
{
public:
    static inline const std::string FACTORY_TYPE = "Borrowed";

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return copyTo; }
    std::shared_ptr<Component> createCopy() const override { return copyTo; }
    std::shared_ptr<Component> copyTo;
};

using EntityComponents = SceneTest;
using EntityLifetime = SceneTest;
using EntityCopy = SceneTest;
using EntityRouting = SceneTest;

}

TEST_F(EntityComponents, InASceneAddAndRemoveTellTheManagerAndPostOnEntityAndScene)
{
    Log log;
    auto scene = SceneManager::createNew(2.5);
    auto node = entityNode("e");
    scene->addNode(node);
    auto entity = node->getEntity();
    EventRecorder onEntity(log, EntityEvent::TYPE, "e: ");
    EventRecorder onScene(log, EntityEvent::TYPE, "scene: ");
    entity->addEventListener(&onEntity);
    scene->addEventListener(&onScene);
    auto tracer = std::make_shared<Tracer>("a", &log);
    tracer->onEntityChanged = [&](auto, auto) { log.push_back("a sees scene " + nameOf(tracer->getSceneManager())); };

    entity->addComponent(tracer);
    entity->removeComponent(nullptr);
    entity->removeComponent(tracer);

    EXPECT_EQ(log, (Log{"a attach", "a entity e<-none", "a sees scene scene", "a manager scene<-none", "e: added a",
                        "scene: added a", "a manager none<-scene", "a entity none<-e", "a sees scene none", "a detach",
                        "e: removed a", "scene: removed a"}));
    EXPECT_EQ(onEntity.times, (std::vector<double>{2.5, 2.5}));
    EXPECT_EQ(tracer->getEntity(), nullptr);
    EXPECT_EQ(Tracer::getFor(entity.get()), nullptr);
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

    EXPECT_EQ(log, (Log{"a attach", "refused refused", "a entity e<-none", "siblings MSB", "removed Body", "added a",
                        "added Marker", "added Sprite"}));
    EXPECT_EQ(entity->getComponents(), (std::vector<std::shared_ptr<Component>>{tracer, marker, sprite}));
    EXPECT_EQ(body->getEntity(), nullptr);
    EXPECT_EQ(body->getOwnerPointer(), nullptr);
}

TEST_F(EntityComponents, RemovingAllSurvivesCallbacksThatRemoveSiblingsAndAddComponents)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRecorder heard(log, EntityEvent::TYPE);
    entity->addEventListener(&heard);
    auto first = std::make_shared<Tracer>("first", &log);
    auto marker = std::make_shared<Marker>();
    auto sprite = std::make_shared<Sprite>();
    auto body = std::make_shared<Body>();
    entity->addComponents({first, marker, sprite});
    log.clear();
    first->onEntityChanged = [&](const std::shared_ptr<Entity>& now, const std::shared_ptr<Entity>& old) {
        if (now)
            return;
        old->removeComponent(sprite);
        old->addComponent(body);
    };

    entity->removeAllComponents();

    EXPECT_EQ(log, (Log{"first detach", "first entity none<-e", "added Body", "removed first", "removed Marker",
                        "removed Sprite"}));
    EXPECT_EQ(entity->getComponents(), std::vector<std::shared_ptr<Component>>{body});
    EXPECT_EQ(body->getEntity(), entity);
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

TEST_F(EntityLifetime, LastPointerGoingDetachesEveryComponentWhileTheEntityCanStillBeKept)
{
    Log log;
    std::shared_ptr<Entity> kept;
    EventRecorder heard(log, EntityEvent::TYPE);
    heard.onEvent = [&](const std::shared_ptr<Event>& event) {
        auto entityEvent = std::static_pointer_cast<EntityEvent>(event);
        auto entity = entityEvent->getEntity();
        log.push_back("entity alive " + std::to_string(entity && entity->getSelf() == entity));
        if (entityEvent->getComponent()->getType() == "Marker")
            kept = entity;
    };
    auto tracer = std::make_shared<Tracer>("a", &log);
    const Entity* original = nullptr;
    {
        auto entity = Entity::createNew("e");
        entity->addComponents({tracer, std::make_shared<Marker>()});
        entity->addEventListener(&heard);
        entity->kill();  // without a node: nothing to do
        original = entity.get();
        log.clear();
    }
    EXPECT_EQ(log, (Log{"a detach", "a entity none<-e", "removed a", "entity alive 1", "removed Marker",
                        "entity alive 1"}));
    EXPECT_EQ(tracer->getEntity(), nullptr);
    ASSERT_EQ(kept.get(), original);
    EXPECT_TRUE(kept->getComponents().empty());
    EXPECT_EQ(liveEntities(), 1);
    EXPECT_EQ(liveComponents(), 1);
    kept.reset();
    EXPECT_EQ(liveEntities(), 0);
}

TEST_F(EntityCopy, CopySkipsComponentCopiesThatAlreadyHaveAnOwner)
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
    EXPECT_EQ(Component::getComponent("Marker", copy.get()), nullptr);
    borrowed->copyTo.reset();
}

TEST_F(EntityRouting, RouterOnItsOwnTargetDeliversOnceAndDoesNotKeepTheTargetAlive)
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
