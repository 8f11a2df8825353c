// How the cycle collector finds the engine object of a Python instance: whatever shared pointer its
// holder keeps it by (its own class's, or the one the engine handed it out as), the hooks of the
// instance's class read it, count its owners, and reach the very object the bindings hand to C++.

#include "EmbeddedPython.h"

#include "core/Event.h"
#include "core/ProcessManager.h"
#include "core/python/CycleCollection.h"
#include "game/physics/PhysicsManager.h"
#include "render/RenderManager.h"
#include "scene/Component.h"
#include "scene/SceneManager.h"

#include <gtest/gtest.h>

#include <string>

namespace py = boost::python;
using namespace Tarnu;

namespace
{

class CycleCollectionTest : public testing::Test
{
protected:
    CycleCollectionTest()
    {
        Embedded::runPython(R"(
from tarnu import *
class Worker(Process):
    def updateProcess(self, elapsed):
        pass
scene = SceneManager.createNew()
worker = Worker()
scene.addProcess(worker)
)",
                            space);
    }

    /// Binds what a script's expression makes to "made".
    void make(const std::string& expression) { Embedded::runPython("made = " + expression + "\n", space); }

    /// The collector's view of "made" as a Root: the object it alone keeps alive, or null.
    template <class Root>
    Root* onlyOwned()
    {
        return cycles::onlyOwned<Root>(cycles::find<Root>(made().ptr()));
    }

    template <class Root>
    Root* asBound()
    {
        return py::extract<Root*>(made())();
    }

    py::object made() { return space["made"]; }

    py::dict space = Embedded::pythonNamespace();
};

// What a script makes, and how the collector and the bindings each reach it as its engine class.
struct Holding
{
    const char* expression;
    const void* (*onlyOwned)(PyObject* made);
    const void* (*bound)(PyObject* made);
};

template <class Root>
Holding holding(const char* expression)
{
    return {expression, [](PyObject* made) -> const void* { return cycles::onlyOwned<Root>(cycles::find<Root>(made)); },
            [](PyObject* made) -> const void* {
                return py::extract<Root*>(py::object(py::handle<>(py::borrowed(made))))();
            }};
}

class Holders : public CycleCollectionTest, public testing::WithParamInterface<Holding>
{
};

}

TEST_P(Holders, TheInstanceAloneHoldsTheObjectItBindsTo)
{
    make(GetParam().expression);
    const void* const found = GetParam().onlyOwned(made().ptr());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, GetParam().bound(made().ptr()));
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
                    holding<ProcessManager>("ProcessManager.createNew(0.0)")));

TEST_F(CycleCollectionTest, AScenePassedOnAsAProcessManagerIsReadAsTheSceneAndCountsBothOwners)
{
    make("worker.getProcessManager()");
    const cycles::HeldRoot root = cycles::find<SceneManager>(made().ptr());
    ASSERT_TRUE(root.shared);
    EXPECT_EQ(root.shared.useCount(), 2) << "the scene's own wrapper holds it too";
    EXPECT_EQ(onlyOwned<SceneManager>(), nullptr);
    Embedded::runPython("del scene\n", space);
    EXPECT_EQ(onlyOwned<SceneManager>(), asBound<SceneManager>());
}
