#include "EmbeddedPython.h"

#include "core/EventFactory.h"
#include "core/ParameterList.h"

#include <gtest/gtest.h>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

const char* const eventClass = R"(
class Explosion(tarnu.FactoryEvent):
    def __init__(self, time=0.0, power=0):
        tarnu.FactoryEvent.__init__(self, 77, time)
        self.power = power
    def createNew(self, params):
        return Explosion(0.0, params.getInt("power", 1))
    def createCopy(self, time):
        return Explosion(time, self.power)
)";

/// A namespace in which "factory" is the given factory and Explosion is defined.
py::dict spaceWith(EventFactory& factory)
{
    py::dict space = Embedded::pythonNamespace();
    space["factory"] = py::ptr(&factory);
    Embedded::runPython(eventClass, space);
    return space;
}

}

TEST(PythonFactoryEvent, DroppedPrototypeStillCreatesItsOwnClass)
{
    EventFactory factory;
    py::dict space = spaceWith(factory);
    Embedded::runPython("factory.registerType(Explosion())\ngc.collect()\n", space);

    ASSERT_TRUE(factory.isRegistered("Explosion"));
    ParameterList params;
    params.add("power", "9");
    std::shared_ptr<FactoryEvent> made = factory.create("Explosion", params);
    ASSERT_TRUE(made);
    EXPECT_EQ(made->getEventType(), 77u);
    EXPECT_EQ(made->getFactoryType(), "Explosion");

    space["made"] = made;
    Embedded::runPython("assert type(made).__name__ == 'Explosion', type(made)\n"
                        "assert made.power == 9\n"
                        "copy = made.createCopy(2.5)\n"
                        "assert copy.eventTime == 2.5 and copy.power == 9\n"
                        "assert factory.create('Explosion', tarnu.ParameterList()).power == 1\n",
                        space);
}

TEST(PythonFactoryEvent, FactoryTypeIsTheClassNameTakenOnce)
{
    EventFactory factory;
    py::dict space = spaceWith(factory);
    Embedded::runPython("prototype = Explosion()\n"
                        "factory.registerType(prototype)\n"
                        "Explosion.__name__ = 'Renamed'\n"
                        "factory.registerType(Explosion())\n",
                        space);
    // The second prototype asks its (renamed) class for the first time.
    EXPECT_TRUE(factory.isRegistered("Explosion"));
    EXPECT_TRUE(factory.isRegistered("Renamed"));
}

TEST(PythonFactoryEvent, FailedCreateReachesTheScriptAsItsOwnError)
{
    EventFactory factory;
    py::dict space = spaceWith(factory);
    Embedded::runPython(R"(
class Broken(tarnu.FactoryEvent):
    def __init__(self):
        tarnu.FactoryEvent.__init__(self, 78, 0.0)
    def createNew(self, params):
        return 42
    def createCopy(self, time):
        return None
class Empty(Broken):
    def createNew(self, params):
        return None
factory.registerType(Broken())
factory.registerType(Empty())
def failure(name):
    try:
        factory.create(name, tarnu.ParameterList())
    except Exception as error:
        return type(error).__name__ + ': ' + str(error)
    return 'no error'
assert failure('Broken').startswith('TypeError'), failure('Broken')
assert failure('Missing') == 'RuntimeError: Unregistered factory type Missing.', failure('Missing')
# A None result is an empty pointer, which the factory reports itself.
assert failure('Empty') == 'RuntimeError: Create function returned null for type Empty.', failure('Empty')
)", space);
}

TEST(PythonFactoryEvent, ReferenceToDeletedFactoryRaises)
{
    py::dict space = Embedded::pythonNamespace();
    {
        EventFactory factory;
        space["factory"] = py::ptr(&factory);
        Embedded::runPython("assert tarnu.EventFactory.getSingleton() is not None\n", space);
    }
    Embedded::runPython(R"(
assert tarnu.EventFactory.getSingleton() is None
try:
    factory.isRegistered('x')
    raise AssertionError('no error')
except RuntimeError:
    pass
)", space);
}
