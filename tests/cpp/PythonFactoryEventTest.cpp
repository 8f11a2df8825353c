#include "EmbeddedPython.h"

#include "core/EventFactory.h"
#include "core/ParameterList.h"

#include <gtest/gtest.h>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

/// A namespace in which "factory" is the given factory and Explosion is defined.
py::dict spaceWith(EventFactory& factory)
{
    py::dict space = Embedded::pythonNamespace();
    space["factory"] = py::ptr(&factory);
    Embedded::runPython(R"(
class Explosion(tarnu.FactoryEvent):
    def __init__(self, time=0.0, power=0):
        tarnu.FactoryEvent.__init__(self, 77, time)
        self.power = power
    def createNew(self, params):
        return Explosion(0.0, params.getInt("power", 1))
    def createCopy(self, time):
        return Explosion(time, self.power)
)", space);
    return space;
}

}

TEST(PythonFactoryEvent, DroppedPrototypeStillCreatesItsOwnClassNamedOnce)
{
    EventFactory factory;
    py::dict space = spaceWith(factory);
    Embedded::runPython("factory.registerType(Explosion())\ngc.collect()\n", space);
    ParameterList params;
    params.add("power", "9");
    std::shared_ptr<FactoryEvent> made = factory.create("Explosion", params);
    ASSERT_TRUE(made);

    space["made"] = made;
    Embedded::runPython("assert type(made).__name__ == 'Explosion', type(made)\n"
                        "copy = made.createCopy(2.5)\n"
                        "assert copy.eventTime == 2.5 and copy.power == made.power == 9\n"
                        "assert factory.create('Explosion', tarnu.ParameterList()).power == 1\n"
                        // A new prototype asks its renamed class for the first time.
                        "Explosion.__name__ = 'Renamed'\n"
                        "factory.registerType(Explosion())\n",
                        space);
    EXPECT_TRUE(factory.isRegistered("Renamed"));
    EXPECT_EQ(factory.getRegistered("Explosion")->getFactoryType(), "Explosion");
}

TEST(PythonFactoryEvent, FailedCreateReachesTheScriptAsItsOwnError)
{
    EventFactory factory;
    py::dict space = spaceWith(factory);
    Embedded::runPython(R"(
class Broken(Explosion):
    def createNew(self, params):
        return 42
class Empty(Explosion):
    def createNew(self, params):
        return None
factory.registerType(Broken())
factory.registerType(Empty())
def failure(name):
    try:
        factory.create(name, tarnu.ParameterList())
    except Exception as error:
        return type(error).__name__ + ': ' + str(error)
assert failure('Broken').startswith('TypeError'), failure('Broken')
assert failure('Missing') == 'RuntimeError: Unregistered factory type Missing.', failure('Missing')
# A None result is an empty pointer, which the factory reports itself.
assert failure('Empty') == 'RuntimeError: Create function returned null for type Empty.', failure('Empty')
)", space);
}
