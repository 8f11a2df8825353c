#include "ErrorText.h"
#include "SceneFixtures.h"

#include "scene/EventRouter.h"
#include "scene/NameableObject.h"

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
using EntityNames = SceneTest;
using EntityCopy = SceneTest;
using EntityPlacement = SceneTest;
using EntityRouting = SceneTest;

}

TEST_F(EntityComponents, OutsideASceneAddingTellsTheEntityOnlyAndPostsOneEventAtTimeZero)
{
    Log log;
    auto entity = Entity::createNew("e");
    auto other = Entity::createNew("other");
    EventRecorder heard(log, EntityEvent::TYPE, "e: ");
    entity->addEventListener(&heard);
    auto tracer = std::make_shared<Tracer>("a", &log);
    auto owned = std::make_shared<Marker>();
    other->addComponent(owned);

    EXPECT_TRUE(entity->addComponent(tracer));
    EXPECT_FALSE(entity->addComponent(tracer));
    EXPECT_FALSE(entity->addComponent(nullptr));
    EXPECT_FALSE(entity->addComponent(owned));
    entity->removeComponent(owned);

    EXPECT_EQ(log, (Log{"a attach", "a entity e<-none", "e: added a"}));
    EXPECT_EQ(heard.times, std::vector<double>{0.0});
    EXPECT_EQ(entity->getComponents(), std::vector<std::shared_ptr<Component>>{tracer});
    EXPECT_EQ(owned->getEntity(), other);
    EXPECT_EQ(Component::getComponent("Marker", other.get()), owned);
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

TEST_F(EntityComponents, BatchIsAttachedWholeBeforeAnyMemberHearsOfItsEntity)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRecorder heard(log, EntityEvent::TYPE);
    entity->addEventListener(&heard);
    auto tracer = std::make_shared<Tracer>("a", &log);
    auto marker = std::make_shared<Marker>();
    auto sprite = std::make_shared<Sprite>();
    tracer->onEntityChanged = [&](const std::shared_ptr<Entity>& now, auto) {
        if (now)
            log.push_back(std::string("siblings ") + (tracer->checkRef(nullptr, "Marker") == marker ? "M" : "-") +
                          (tracer->checkRef(nullptr, "Renderable") == sprite ? "S" : "-"));
    };

    entity->addComponents({tracer, std::make_shared<Tracer>("refused", &log), nullptr, marker, sprite});

    EXPECT_EQ(log, (Log{"a attach", "refused refused", "a entity e<-none", "siblings MS", "added a", "added Marker",
                        "added Sprite"}));
    EXPECT_EQ(entity->getComponents(), (std::vector<std::shared_ptr<Component>>{tracer, marker, sprite}));
}

TEST_F(EntityComponents, BatchMemberRemovedByASiblingIsNotAnnouncedAfterwards)
{
    Log log;
    auto entity = Entity::createNew("e");
    EventRecorder heard(log, EntityEvent::TYPE);
    entity->addEventListener(&heard);
    auto first = std::make_shared<Tracer>("first", &log);
    auto marker = std::make_shared<Marker>();
    first->onEntityChanged = [&](const std::shared_ptr<Entity>& now, auto) {
        if (now)
            now->removeComponent(marker);
    };

    entity->addComponents({first, marker});

    EXPECT_EQ(marker->getEntity(), nullptr);
    EXPECT_EQ(marker->getOwnerPointer(), nullptr);
    EXPECT_EQ(entity->getComponents(), std::vector<std::shared_ptr<Component>>{first});
    EXPECT_EQ(log, (Log{"first attach", "first entity e<-none", "removed Marker", "added first"}));
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
    struct Remover : Collector<std::shared_ptr<Component>>
    {
        void visit(const std::shared_ptr<Component>& component) override
        {
            Collector::visit(component);
            component->getEntity()->removeComponent(component);
        }
    } visitor;
    auto entity = Entity::createNew("e");
    auto tracer = std::make_shared<Tracer>();
    auto marker = std::make_shared<Marker>();
    entity->addComponents({tracer, marker});

    entity->accept(visitor);

    EXPECT_EQ(visitor.seen, (std::vector<std::shared_ptr<Component>>{tracer, marker}));
    EXPECT_TRUE(entity->getComponents().empty());
}

TEST_F(EntityLifetime, LastPointerGoingDetachesEveryComponentBeforeTheEntityDies)
{
    Log log;
    EventRecorder heard(log, EntityEvent::TYPE);
    heard.onEvent = [&](const std::shared_ptr<Event>& event) {
        auto entity = std::static_pointer_cast<EntityEvent>(event)->getEntity();
        log.push_back("entity alive " + std::to_string(entity && entity->getSelf() == entity));
    };
    auto tracer = std::make_shared<Tracer>("a", &log);
    {
        auto entity = Entity::createNew("e");
        entity->addComponents({tracer, std::make_shared<Marker>()});
        entity->addEventListener(&heard);
        log.clear();
        EXPECT_EQ(liveEntities(), 1);
    }
    EXPECT_EQ(log, (Log{"a detach", "a entity none<-e", "removed a", "entity alive 1", "removed Marker",
                        "entity alive 1"}));
    EXPECT_EQ(liveEntities(), 0);
    EXPECT_EQ(liveComponents(), 1);
    EXPECT_EQ(tracer->getEntity(), nullptr);
}

TEST_F(EntityLifetime, ListenerKeepingTheEntityDuringTeardownKeepsItAlive)
{
    Log log;
    std::shared_ptr<Entity> kept;
    EventRecorder heard(log, EntityEvent::TYPE);
    heard.onEvent = [&](const std::shared_ptr<Event>& event) {
        kept = std::static_pointer_cast<EntityEvent>(event)->getEntity();
    };
    const Entity* original = nullptr;
    {
        auto entity = Entity::createNew("e");
        entity->addComponent(std::make_shared<Marker>());
        entity->addEventListener(&heard);
        original = entity.get();
    }
    ASSERT_EQ(kept.get(), original);
    EXPECT_EQ(kept->getName(), "e");
    EXPECT_TRUE(kept->getComponents().empty());
    EXPECT_EQ(liveEntities(), 1);
    kept.reset();
    EXPECT_EQ(liveEntities(), 0);
}

TEST_F(EntityNames, NamesAreCountedPerLiveEntityAndEmptyOnesAreGenerated)
{
    auto first = Entity::createNew("twin");
    {
        auto second = Entity::createNew("twin");
        EXPECT_EQ(NameableObject<Entity>::countOf("twin"), 2);
    }
    EXPECT_EQ(NameableObject<Entity>::countOf("twin"), 1);

    std::vector<std::shared_ptr<Entity>> unnamed;
    for (int i = 0; i < 100; ++i)
        unnamed.push_back(Entity::createNew(""));
    for (const auto& entity : unnamed)
    {
        ASSERT_GE(entity->getName().size(), 2u);
        EXPECT_EQ(entity->getName()[0], '\x01');
        EXPECT_EQ(NameableObject<Entity>::countOf(entity->getName()), 1) << "generated name carried twice";
    }
}

TEST_F(EntityCopy, CopyCarriesFreshCopiesOfTheComponentsAndNoNode)
{
    Log log;
    auto source = entityNode("source", {std::make_shared<Tracer>("a", &log), std::make_shared<Sprite>()});
    log.clear();

    auto copy = Entity::createCopy(source->getEntity(), "copy");

    EXPECT_EQ(copy->getName(), "copy");
    EXPECT_EQ(copy->getSceneNode(), nullptr);
    ASSERT_EQ(copy->getComponents().size(), 2u);
    EXPECT_EQ(copy->getComponents()[0]->getType(), "Tracer");
    EXPECT_EQ(copy->getComponents()[1]->getType(), "Sprite");
    EXPECT_NE(copy->getComponents()[0], source->getEntity()->getComponents()[0]);
    EXPECT_EQ(copy->getComponents()[1]->getEntity(), copy);
    EXPECT_EQ(Component::getComponent("Renderable", copy.get()), copy->getComponents()[1]);
    EXPECT_EQ(log, (Log{"a attach", "a entity copy<-none"}));
    EXPECT_EQ(liveEntities(), 2);
    EXPECT_EQ(liveComponents(), 4);
    EXPECT_EQ(errorText([] { Entity::createCopy(nullptr, "x"); }), "entity to copy is null");
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

TEST_F(EntityPlacement, WithoutANodeWorldValuesAreNeutralAndKillDoesNothing)
{
    auto entity = Entity::createNew("e");
    EXPECT_EQ(entity->getWorldPosition(), Vector2::ZERO);
    EXPECT_EQ(entity->getWorldOrientation(), Complex::IDENTITY);
    EXPECT_EQ(entity->getWorldScale(), Scale::IDENTITY);
    EXPECT_EQ(entity->getParentEntity(), nullptr);
    EXPECT_EQ(entity->getSceneManager(), nullptr);
    entity->kill();
}

TEST_F(EntityPlacement, ParentEntityIsTheNearestAncestorThatCarriesOne)
{
    auto top = entityNode("top", {}, Vector2(10, 0));
    auto bare = SceneNode::createNew(Vector2(0, 5));
    auto leaf = entityNode("leaf", {}, Vector2(1, 1));
    top->addChild(bare);
    bare->addChild(leaf);

    EXPECT_EQ(leaf->getEntity()->getParentEntity(), top->getEntity());
    EXPECT_EQ(top->getEntity()->getParentEntity(), nullptr);
    EXPECT_EQ(leaf->getEntity()->getWorldPosition(), Vector2(11, 6));
}

TEST_F(EntityRouting, RouterQueuesOntoItsTargetAndLetsItDie)
{
    Log log;
    EventManager source;
    auto target = Entity::createNew("target");
    EventRecorder heard(log, ROUTED);
    target->addEventListener(&heard);
    EventRouter router(target, ROUTED);
    source.addEventListener(&router);

    source.postEvent(std::make_shared<Event>(ROUTED, 1.5));
    EXPECT_TRUE(log.empty()) << "routed events wait in the target's queue";
    target->dispatchEvents(1.5);
    EXPECT_EQ(heard.times, std::vector<double>{1.5});

    std::weak_ptr<Entity> watch = target;
    target.reset();
    EXPECT_TRUE(watch.expired()) << "the router must not keep its target alive";
    source.postEvent(std::make_shared<Event>(ROUTED, 2.0));
    EXPECT_EQ(heard.times.size(), 1u);
}

TEST_F(EntityRouting, RouterListeningOnItsOwnTargetDeliversOnceInsteadOfLooping)
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
}
