// How the cycle collector finds the engine object of a Python instance: whatever shared pointer its
// holder keeps it by (its own class's, or the one the engine handed it out as), the hooks of the
// instance's class read it and reach the very object the bindings hand to C++. A class whose
// pointer it cannot read would hide what its objects own and the copies they hold from every walk.

#include "EmbeddedPython.h"

#include "core/Event.h"
#include "core/ProcessManager.h"
#include "core/python/CycleCollection.h"
#include "game/physics/PhysicsManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"

#include <gtest/gtest.h>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

// What a script makes, and what the collector and the bindings each find in it as its engine class.
struct Holding
{
    const char* expression;
    std::pair<const void*, const void*> (*found)(PyObject* made);
};

template <class Root>
Holding holding(const char* expression)
{
    return {expression, [](PyObject* made) -> std::pair<const void*, const void*> {
                return {cycles::onlyOwned<Root>(cycles::find<Root>(made)),
                        py::extract<Root*>(py::object(py::handle<>(py::borrowed(made))))()};
            }};
}

class Holders : public testing::TestWithParam<Holding>
{
};

}

TEST_P(Holders, TheInstanceAloneHoldsTheObjectItBindsTo)
{
    py::dict space = Embedded::pythonNamespace();
    Embedded::runPython(std::string(R"(
from tarnu import *
class Worker(Process):
    pass
def handedOutScene():
    scene, worker = SceneManager.createNew(), Worker()
    scene.addProcess(worker)
    return worker.getProcessManager()
made = )") + GetParam().expression + "\n",
                        space);
    const auto [collector, bound] = GetParam().found(py::object(space["made"]).ptr());
    ASSERT_NE(collector, nullptr);
    EXPECT_EQ(collector, bound);
    // The second look reads the holder as the first learnt it.
    EXPECT_EQ(GetParam().found(py::object(space["made"]).ptr()).first, bound);
}

INSTANTIATE_TEST_SUITE_P(
    BuiltIn, Holders,
    testing::Values(holding<Component>("UnitFSMController()"), holding<Component>("GamePlayer(1, True)"),
                    holding<Component>("GamePlayerManager()"), holding<Component>("TileMap(Vector2(2, 2), 0, 0, 0)"),
                    holding<Component>("PlayerUnit(1, 1, '')"), holding<Component>("VisualReactor()"),
                    holding<Component>("VisualTargetSeeker('target')"),
                    holding<Component>("OccludedAnimatable(OccludedQuad.HORIZONTAL, 0.0)"),
                    holding<Component>("SpawnPointSTI()"),
                    holding<Component>("StaticCollidable(Circle(Vector2(0, 0), 1))"), holding<Component>("Movable()"),
                    holding<Event>("Event(9300, 0.0)"), holding<Event>("UnitFSMControllerActionEvent('guard', 1.0)"),
                    holding<Event>("PathfinderActionEvent(PathfinderActionEvent.CLEAR_DEST, Vector2(0, 0), '', 1.0)"),
                    holding<Event>("SetVisualTargetActionEvent('target', 1.0)"),
                    holding<RenderManager>("QuadtreeRenderManager.createNew()"),
                    holding<PhysicsManager>("GridPhysicsManager.createNew()"),
                    holding<ProcessManager>("ProcessManager.createNew(0.0)"),
                    // The engine hands a scene out as the process manager its process is in.
                    holding<ProcessManager>("handedOutScene()")));
