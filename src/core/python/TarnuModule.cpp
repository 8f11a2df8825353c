// The module initialiser: event type numbers first, then every export area in
// order, since later areas use the classes of earlier ones; last the Root.

#include "core/EventTypes.h"
#include "core/ProcessManager.h"
#include "core/PythonErrors.h"
#include "core/Root.h"
#include "core/python/Bindings.h"
#include "core/python/CycleCollection.h"
#include "render/RenderManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace
{

// Ctrl-C in a running game, or an exit a callback asked for: the interpreter
// only notes them, so the loop asks once per frame and leaves with them.
void raisePendingExits()
{
    if (!Tarnu::raiseDeferredExits())
        py::throw_error_already_set();
}

void exportRoot()
{
    using Tarnu::Root;
    py::class_<Root, boost::noncopyable>("Root", py::init<>())
        .def("initialize", &Root::initialize)
        .def("shutdown", &Root::shutdown)
        .def("run", &Root::run);
    Root::setFrameHook(&raisePendingExits);
    // A script that ends without shutdown is shut down while Python can still
    // release the objects the engine holds for it.
    py::import("atexit").attr("register")(py::make_function(&Root::shutdownAtExit));
}

}

BOOST_PYTHON_MODULE(tarnu)
{
    Tarnu::collectCyclesThroughDicts();
    Tarnu::assignEventTypes();
    Tarnu::exportCoreBindings();
    Tarnu::exportMathBindings();
    Tarnu::exportEntityBindings();
    Tarnu::exportResourceBindings();
    Tarnu::exportInputBindings();
    Tarnu::exportManagerBindings();
    Tarnu::exportBoundBindings();
    Tarnu::exportPhysicsBindings();
    Tarnu::exportRenderBindings();
    Tarnu::exportTextBindings();
    Tarnu::exportGamePlayerBindings();
    Tarnu::exportPathfinderBindings();
    Tarnu::exportFSMBindings();
    Tarnu::exportPlayerBindings();
    exportRoot();
}
