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

}

TEST(PythonFactoryEvent, DroppedPrototypeStillCreatesItsOwnClass)
{
    py::dict space = Embedded::pythonNamespace();
    EventFactory factory;
    space["factory"] = py::ptr(&factory);
    Embedded::runPython(eventClass, space);
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
    py::dict space = Embedded::pythonNamespace();
    EventFactory factory;
    space["factory"] = py::ptr(&factory);
    Embedded::runPython(eventClass, space);
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
    py::dict space = Embedded::pythonNamespace();
    EventFactory factory;
    space["factory"] = py::ptr(&factory);
    Embedded::runPython(R"(
class Broken(tarnu.FactoryEvent):
    def __init__(self):
        tarnu.FactoryEvent.__init__(self, 78, 0.0)
    def createNew(self, params):
        return 42
    def createCopy(self, time):
        return None
factory.registerType(Broken())
try:
    factory.create('Broken', tarnu.ParameterList())
    raise AssertionError('no error')
except TypeError:
    pass
try:
    factory.create('Missing', tarnu.ParameterList())
    raise AssertionError('no error')
except RuntimeError as error:
    assert str(error) == 'Unregistered factory type Missing.', str(error)
)", space);

    // A None result is an empty pointer, which the factory reports itself.
    Embedded::runPython(R"(
class Empty(Broken):
    def createNew(self, params):
        return None
factory.registerType(Empty())
try:
    factory.create('Empty', tarnu.ParameterList())
    raise AssertionError('no error')
except RuntimeError as error:
    assert str(error) == 'Create function returned null for type Empty.', str(error)
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
