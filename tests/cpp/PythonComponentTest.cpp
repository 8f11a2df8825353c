// Python components placed in the class hierarchy by the component factory's prototypes.

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
        space["factory"] = py::ptr(&factory.emplace());
        Embedded::runPython(componentClasses, space);
    }
    std::shared_ptr<Component> make(const char* name)
    {
        return py::extract<std::shared_ptr<Component>>(space[name]())();
    }

    py::dict space = Embedded::pythonNamespace();
    std::optional<ComponentFactory> factory;
};

}

TEST_F(PythonComponentTest, FoundUnderEveryNameOfItsChainUntilItsOwnDetachNeedingNoFactory)
{
    auto entity = Entity::createNew("hero");
    EXPECT_FALSE(entity->addComponent(make("Left"))) << "Base is not registered yet";
    Embedded::runPython("factory.registerType(Base())\nfactory.registerType(Loop())\n", space);
    auto loop = make("Loop");
    EXPECT_FALSE(entity->addComponent(loop)) << "a chain that repeats itself";
    EXPECT_EQ(loop->getEntity(), nullptr);

    auto left = make("Left");
    auto right = make("Right");
    ASSERT_TRUE(entity->addComponent(left));
    ASSERT_TRUE(entity->addComponent(right));
    EXPECT_EQ(Component::getComponent("Left", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Base", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Component", entity.get()), nullptr);

    // "Base" belongs to the first; the second leaving must not take it along.
    entity->removeComponent(right);
    EXPECT_EQ(Component::getComponent("Base", entity.get()), left);
    EXPECT_EQ(Component::getComponent("Right", entity.get()), nullptr);

    factory.reset();
    entity->removeAllComponents();
    EXPECT_EQ(Component::getComponent("Base", entity.get()), nullptr);
    EXPECT_EQ(Component::getComponent("Left", entity.get()), nullptr);
}

TEST_F(PythonComponentTest, FactoryMakesFromTheFirstPrototypeAndChecksWhatItMakes)
{
    Embedded::runPython(R"(
class Labelled(Base):
    super = tarnu.Component
    def __init__(self, label):
        Base.__init__(self)
        self.label = label
    def createNew(self, params):
        return Labelled(self.label + ' made')
class Null(Base):
    super = tarnu.Component
    def createNew(self, params):
        return None
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
for prototype in (Labelled('first'), Labelled('second'), None, Null(), Liar(), Turncoat()):
    factory.registerType(prototype)

def error(call):
    try:
        call()
    except RuntimeError as error:
        return str(error)
    raise AssertionError('no error')
def create(name):
    return factory.create(name, tarnu.ParameterList())
made = create('Labelled')
assert type(made) is Labelled and made.label == 'first made' and made.getEntity() is None
assert error(lambda: create('Nothing')) == "Unregistered factory type 'Nothing'."
assert error(lambda: create('Null')) == "Create function returned null for type 'Null'."
assert error(lambda: create('Liar')) == "Factory object created by 'Liar' has different type of 'Base."
assert error(lambda: create('Turncoat')) == ("Factory object created by Turncoat has different super type of "
                                             "'Base' instead of 'Component'.")
named_component = type('Component', (Base,), {'super': tarnu.Component})
assert error(lambda: factory.registerType(named_component())) == "attempt to register object with type 'Component'."
assert not factory.isRegistered('Component') and factory.getRegistered('Nothing') is None
)", space);
}
