#include "ErrorText.h"
#include "SceneFixtures.h"

#include "core/ParameterList.h"
#include "scene/ComponentFactory.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

// Another renderable class: it shares the "Renderable" level with Sprite.
class Label : public ComponentClass<Label, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "Label";

    std::shared_ptr<Component> createNew(const ParameterList&) const override { return std::make_shared<Label>(); }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Label>(*this); }
    const AxisAlignedBox& getLocalBox() const override { return box; }

    AxisAlignedBox box;
};

// A prototype whose type names, and those of what it makes, are chosen by the test.
class Shapeshifter : public Component
{
public:
    Shapeshifter(std::string type, std::string superType, std::string madeType = "", std::string madeSuperType = "",
                 bool makesNothing = false)
        : type(std::move(type)), superType(std::move(superType)),
          madeType(madeType.empty() ? this->type : std::move(madeType)),
          madeSuperType(madeSuperType.empty() ? this->superType : std::move(madeSuperType)),
          makesNothing(makesNothing)
    {
    }

    const std::string& getType() const override { return type; }
    const std::string& getSuperType() const override { return superType; }
    std::shared_ptr<Component> createNew(const ParameterList&) const override
    {
        return makesNothing ? nullptr : std::make_shared<Shapeshifter>(madeType, madeSuperType);
    }
    std::shared_ptr<Component> createCopy() const override { return std::make_shared<Shapeshifter>(*this); }

    const std::string type, superType, madeType, madeSuperType;
    const bool makesNothing;
};

using ComponentRegistry = SceneTest;
using ComponentFactoryTest = SceneTest;

}

TEST_F(ComponentRegistry, EntityTakesOneComponentPerClassAndRefusesTheSecond)
{
    Log log;
    auto entity = Entity::createNew("e");
    auto first = std::make_shared<Tracer>("first", &log);
    auto second = std::make_shared<Tracer>("second", &log);
    EXPECT_TRUE(entity->addComponent(first));
    EXPECT_FALSE(entity->addComponent(second));
    EXPECT_TRUE(entity->addComponent(std::make_shared<Marker>()));

    EXPECT_EQ(second->getEntity(), nullptr);
    EXPECT_EQ(second->getOwnerPointer(), nullptr);
    EXPECT_EQ(Component::getComponent("Tracer", entity.get()), first);
    EXPECT_EQ(Tracer::getFor(entity.get()), first);
    EXPECT_EQ(entity->getComponents().size(), 2u);
    EXPECT_EQ(log, (Log{"first attach", "first entity e<-none", "second refused"}));
}

TEST_F(ComponentRegistry, SubclassIsFoundUnderItsBaseNameUntilRemoved)
{
    auto entity = Entity::createNew("e");
    auto sprite = std::make_shared<Sprite>();
    ASSERT_TRUE(entity->addComponent(sprite));

    EXPECT_EQ(Component::getComponent("Renderable", entity.get()), sprite);
    EXPECT_EQ(Component::getComponent("Sprite", entity.get()), sprite);
    EXPECT_EQ(Renderable::getFor(entity.get()), sprite);
    EXPECT_EQ(sprite->getType(), "Sprite");
    EXPECT_EQ(sprite->getSuperType(), "Renderable");
    EXPECT_EQ(Component::getComponent("Component", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("NeverRegistered", entity.get()), nullptr);

    // The shared base level refuses a second renderable of another class.
    EXPECT_FALSE(entity->addComponent(std::make_shared<Label>()));

    entity->removeAllComponents();
    EXPECT_EQ(Component::getComponent("Renderable", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Sprite", entity.get()), nullptr);
    EXPECT_EQ(Renderable::getFor(entity.get()), nullptr);
    EXPECT_TRUE(entity->addComponent(std::make_shared<Label>()));
}

TEST_F(ComponentRegistry, DetachingAStrangerLeavesTheAttachedComponentsEntries)
{
    auto entity = Entity::createNew("e");
    auto attached = std::make_shared<Tracer>();
    auto stranger = std::make_shared<Tracer>();
    entity->addComponent(attached);

    stranger->detach(entity.get());

    EXPECT_EQ(Component::getComponent("Tracer", entity.get()), attached);
    EXPECT_EQ(Tracer::getFor(entity.get()), attached);
    EXPECT_EQ(Component::unregisterComponent("Tracer", entity.get(), stranger.get()), 0u);
    EXPECT_EQ(Component::getComponent("Tracer", entity.get()), attached);
}

TEST_F(ComponentRegistry, CheckRefLooksUpAnewWhenTheReferenceIsEmptyOrElsewhere)
{
    auto entity = Entity::createNew("e");
    auto other = Entity::createNew("other");
    auto tracer = std::make_shared<Tracer>();
    auto marker = std::make_shared<Marker>();
    auto foreignMarker = std::make_shared<Marker>();
    entity->addComponent(tracer);
    entity->addComponent(marker);
    other->addComponent(foreignMarker);

    EXPECT_EQ(tracer->checkRef(nullptr, "Marker"), marker);
    EXPECT_EQ(tracer->checkRef(foreignMarker, "Marker"), marker);
    EXPECT_EQ(tracer->checkRef(marker, "Marker"), marker);
    EXPECT_EQ(Component::checkDiffEntityRef(marker, "Marker", other.get()), foreignMarker);
    EXPECT_EQ(Component::checkDiffEntityRef(foreignMarker, "Marker", other.get()), foreignMarker);
}

TEST_F(ComponentRegistry, LinksAndTimeFollowTheOwnersNodeAndScene)
{
    EXPECT_EQ(Tracer().getCurrentTime(), 0.0);
    auto tracer = std::make_shared<Tracer>();
    auto node = entityNode("e", {tracer});
    EXPECT_EQ(tracer->getSceneNode(), node);
    EXPECT_EQ(tracer->getSceneManager(), nullptr);
    EXPECT_EQ(tracer->getCurrentTime(), 0.0);

    auto scene = SceneManager::createNew(4.5);
    scene->addNode(node);
    EXPECT_EQ(tracer->getSceneManager(), scene);
    EXPECT_EQ(tracer->getCurrentTime(), 4.5);
}

TEST_F(ComponentRegistry, LiveCountRisesWithEveryConstructionIncludingCopies)
{
    {
        Tracer original("a");
        EXPECT_EQ(liveComponents(), 1);
        Tracer copied(original);
        EXPECT_EQ(liveComponents(), 2);
        auto cloned = original.createCopy();
        EXPECT_EQ(liveComponents(), 3);
        EXPECT_EQ(cloned->getEntity(), nullptr);
    }
    EXPECT_EQ(liveComponents(), 0);
}

TEST_F(ComponentFactoryTest, CreatesFromThePrototypeRegisteredFirst)
{
    ComponentFactory factory;
    Log log;
    factory.registerType(std::make_shared<Tracer>("first", &log));
    factory.registerType(std::make_shared<Tracer>("second", &log));
    factory.registerType(nullptr);

    EXPECT_TRUE(factory.isRegistered("Tracer"));
    EXPECT_FALSE(factory.isRegistered("Marker"));
    EXPECT_EQ(factory.getRegistered("Marker"), nullptr);
    auto made = std::dynamic_pointer_cast<Tracer>(factory.create("Tracer", ParameterList()));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->label, "first made");
    EXPECT_EQ(made->getEntity(), nullptr);
}

TEST_F(ComponentFactoryTest, ReportsWhatWentWrongWithTheExactMessage)
{
    ComponentFactory factory;
    factory.registerType(std::make_shared<Shapeshifter>("Null", "Component", "", "", true));
    factory.registerType(std::make_shared<Shapeshifter>("Liar", "Component", "Other"));
    factory.registerType(std::make_shared<Shapeshifter>("Climber", "Component", "", "Renderable"));
    const ParameterList none;

    EXPECT_EQ(errorText([&] { factory.create("x", none); }), "Unregistered factory type 'x'.");
    EXPECT_EQ(errorText([&] { factory.create("Null", none); }), "Create function returned null for type 'Null'.");
    EXPECT_EQ(errorText([&] { factory.create("Liar", none); }),
              "Factory object created by 'Liar' has different type of 'Other.");
    EXPECT_EQ(errorText([&] { factory.create("Climber", none); }),
              "Factory object created by Climber has different super type of 'Renderable' instead of 'Component'.");
    EXPECT_EQ(errorText([&] { factory.registerType(std::make_shared<Shapeshifter>("Component", "Component")); }),
              "attempt to register object with type 'Component'.");
    EXPECT_FALSE(factory.isRegistered("Component"));
}
