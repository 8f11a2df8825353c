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

}

class ComponentHolders : public CycleCollectionTest, public testing::WithParamInterface<const char*>
{
};

TEST_P(ComponentHolders, TheInstanceAloneHoldsTheComponentItBindsTo)
{
    make(GetParam());
    Component* const found = onlyOwned<Component>();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, asBound<Component>());
}

INSTANTIATE_TEST_SUITE_P(
    BuiltIn, ComponentHolders,
    testing::Values("UnitFSMController()", "GamePlayer(1, True)", "GamePlayerManager()",
                    "TileMap(Vector2(2, 2), 0, 0, 0)", "PlayerUnit(1, 1, '')", "VisualReactor()",
                    "VisualTargetSeeker('target')", "OccludedAnimatable(OccludedQuad.HORIZONTAL, 0.0)",
                    "SpawnPointSTI()", "StaticCollidable(Circle(Vector2(0, 0), 1))", "Movable()"));

class EventHolders : public CycleCollectionTest, public testing::WithParamInterface<const char*>
{
};

TEST_P(EventHolders, TheInstanceAloneHoldsTheEventItBindsTo)
{
    make(GetParam());
    Event* const found = onlyOwned<Event>();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, asBound<Event>());
}

INSTANTIATE_TEST_SUITE_P(
    BuiltIn, EventHolders,
    testing::Values("Event(9300, 0.0)", "UnitFSMControllerActionEvent('guard', 1.0)",
                    "PathfinderActionEvent(PathfinderActionEvent.CLEAR_DEST, Vector2(0, 0), '', 1.0)",
                    "SetVisualTargetActionEvent('target', 1.0)"));

TEST_F(CycleCollectionTest, ManagersAreReadThroughTheClassTheyWereMadeAs)
{
    make("QuadtreeRenderManager.createNew()");
    EXPECT_EQ(onlyOwned<RenderManager>(), asBound<RenderManager>());
    make("GridPhysicsManager.createNew()");
    EXPECT_EQ(onlyOwned<PhysicsManager>(), asBound<PhysicsManager>());
    make("ProcessManager.createNew(0.0)");
    EXPECT_EQ(onlyOwned<ProcessManager>(), asBound<ProcessManager>());
}

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
