#include "SceneFixtures.h"

#include <gtest/gtest.h>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

// Another renderable class: it shares the "Renderable" level with Sprite.
const std::string LABEL = "Label";
using Label = Silent<LABEL, Renderable>;

using ComponentRegistry = SceneTest;

}

TEST_F(ComponentRegistry, OneComponentPerClassLevelFoundUnderEveryNameOfItsChainUntilRemoved)
{
    Log log;
    auto entity = Entity::createNew("e");
    auto first = std::make_shared<Tracer>("first", &log);
    auto second = std::make_shared<Tracer>("second", &log);
    auto sprite = std::make_shared<Sprite>();
    EXPECT_TRUE(entity->addComponent(first));
    EXPECT_FALSE(entity->addComponent(second));
    EXPECT_TRUE(entity->addComponent(sprite));
    // The shared base level refuses a second renderable of another class.
    EXPECT_FALSE(entity->addComponent(std::make_shared<Label>()));

    EXPECT_EQ(second->getEntity(), nullptr);
    EXPECT_EQ(second->getOwnerPointer(), nullptr);
    EXPECT_EQ(Tracer::getFor(entity.get()), first);
    EXPECT_EQ(Component::getComponent("Renderable", entity.get()), sprite);
    EXPECT_EQ(Component::getComponent("Sprite", entity.get()), sprite);
    EXPECT_EQ(Renderable::getFor(entity.get()), sprite);
    EXPECT_EQ(Component::getComponent("Component", entity.get()), nullptr);
    EXPECT_EQ(entity->getComponents().size(), 2u);
    EXPECT_EQ(log, (Log{"first attach", "first entity e<-none", "second refused"}));

    entity->removeAllComponents();
    EXPECT_EQ(Component::getComponent("Renderable", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Sprite", entity.get()), nullptr);
    EXPECT_EQ(Renderable::getFor(entity.get()), nullptr);
    EXPECT_TRUE(entity->addComponent(std::make_shared<Label>()));
}

TEST_F(ComponentRegistry, OnlyTheAttachedComponentRemovesItsEntries)
{
    auto entity = Entity::createNew("e");
    auto other = Entity::createNew("other");
    auto attached = std::make_shared<Tracer>();
    auto stranger = std::make_shared<Tracer>();
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
