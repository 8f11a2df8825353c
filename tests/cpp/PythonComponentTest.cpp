// Python components whose place in the type hierarchy goes through the
// component factory's prototypes: scripts cannot make a factory before the
// engine starts, so the factory is made here and handed to Python.

#include "EmbeddedPython.h"

#include "core/ParameterList.h"
#include "scene/Component.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"

#include <gtest/gtest.h>

#include <optional>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

const char* const componentClasses = R"(
class Base(tarnu.Component):
    super = tarnu.Component
    def __init__(self):
        tarnu.Component.__init__(self)
    def createNew(self, params):
        return type(self)()
    def createCopy(self):
        return type(self)()

class Left(Base):
    super = Base

class Right(Base):
    super = Base

class Loop(Base):
    pass
Loop.super = Loop
)";

class PythonComponentTest : public testing::Test
{
protected:
    void SetUp() override
    {
        factory.emplace();
        space["factory"] = py::ptr(&*factory);
        Embedded::runPython(componentClasses, space);
    }

    std::shared_ptr<Component> make(const char* className)
    {
        return py::extract<std::shared_ptr<Component>>(space[className]())();
    }

    py::dict space = Embedded::pythonNamespace();
    std::optional<ComponentFactory> factory;
};

}

TEST_F(PythonComponentTest, FoundUnderEveryNameOfItsChainButComponent)
{
    Embedded::runPython("factory.registerType(Base())\n", space);
    auto entity = Entity::createNew("hero");
    auto left = make("Left");
    ASSERT_TRUE(entity->addComponent(left));
    EXPECT_EQ(Component::getComponent("Left", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Base", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Component", entity.get()), nullptr);

    entity->removeComponent(left);
    EXPECT_EQ(Component::getComponent("Left", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Base", entity.get()), nullptr);
}

TEST_F(PythonComponentTest, DetachingOneComponentLeavesAnotherComponentsEntry)
{
    Embedded::runPython("factory.registerType(Base())\n", space);
    auto entity = Entity::createNew("hero");
    auto left = make("Left");
    auto right = make("Right");
    ASSERT_TRUE(entity->addComponent(left));
    ASSERT_TRUE(entity->addComponent(right));
    // "Base" belongs to the first; the second leaving must not take it along.
    entity->removeComponent(right);
    EXPECT_EQ(Component::getComponent("Base", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Right", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Left", entity.get()), left);
}

TEST_F(PythonComponentTest, DetachNeedsNoFactory)
{
    Embedded::runPython("factory.registerType(Base())\n", space);
    auto entity = Entity::createNew("hero");
    auto left = make("Left");
    ASSERT_TRUE(entity->addComponent(left));
    factory.reset();
    entity->removeAllComponents();
    EXPECT_EQ(Component::getComponent("Base", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Left", entity.get()), nullptr);
}

TEST_F(PythonComponentTest, UnregisteredOrRepeatingChainIsRefused)
{
    auto entity = Entity::createNew("hero");
    EXPECT_FALSE(entity->addComponent(make("Left")));  // "Base" is not registered

    Embedded::runPython("factory.registerType(Loop())\n", space);
    auto loop = make("Loop");
    EXPECT_FALSE(entity->addComponent(loop));
    EXPECT_EQ(loop->getEntity(), nullptr);
    EXPECT_TRUE(entity->getComponents().empty());
}

TEST_F(PythonComponentTest, FactoryChecksWhatAPythonPrototypeMakes)
{
    Embedded::runPython(R"(
class Liar(Base):
    super = tarnu.Component
    def createNew(self, params):
        return Base()
class Turncoat(Base):
    super = tarnu.Component
    def createNew(self, params):
        made = Turncoat()
        made.super = Base
        return made
factory.registerType(Base())
factory.registerType(Liar())
factory.registerType(Turncoat())
try:
    factory.create('Liar', tarnu.ParameterList())
    raise AssertionError('no error')
except RuntimeError as error:
    assert str(error) == "Factory object created by 'Liar' has different type of 'Base.", str(error)
try:
    factory.create('Turncoat', tarnu.ParameterList())
    raise AssertionError('no error')
except RuntimeError as error:
    assert str(error) == ("Factory object created by Turncoat has different super type of 'Base' "
                          "instead of 'Component'."), str(error)
try:
    factory.create('Nothing', tarnu.ParameterList())
    raise AssertionError('no error')
except RuntimeError as error:
    assert str(error) == "Unregistered factory type 'Nothing'.", str(error)
made = factory.create('Base', tarnu.ParameterList())
assert type(made) is Base
)", space);
}
