// The module initialiser: event type numbers first, then every export area in
// order, since later areas use the classes of earlier ones; last the Root,
// given the roster of managers it starts after the window.

#include "assembly/EngineRoster.h"
#include "assembly/EventTypes.h"
#include "core/ProcessManager.h"
#include "core/PythonErrors.h"
#include "core/Root.h"
#include "core/Singleton.h"
#include "core/python/Bindings.h"
#include "core/python/CycleCollection.h"
#include "core/python/ScriptExit.h"
#include "game/python/Bindings.h"
#include "render/RenderManager.h"
#include "render/python/Bindings.h"
#include "scene/python/Bindings.h"

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

// A manager used before Root.initialize: the exception keeps the engine's
// message, and a note, which a traceback shows under it, says what to do.
void raiseMissingSingleton(const Tarnu::MissingSingletonError& error)
{
    PyErr_SetString(PyExc_RuntimeError, error.what());
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (PyObject* added = PyObject_CallMethod(
            value, "add_note", "s", "Call Root.initialize first: it creates the engine's managers (Root.shutdown "
                                    "deletes them)."))
        Py_DECREF(added);
    else
        PyErr_Clear();
    PyErr_Restore(type, value, traceback);
}

void exportRoot()
{
    using Tarnu::Root;
    py::class_<Root, boost::noncopyable>(
        "Root", "The application: initialize opens the window and starts the engine, run is the main loop.",
        py::init<>("Root(): The one Root of the program; a second while one lives raises RuntimeError."))
        .def("initialize", &Root::initialize,
             "initialize(width, height, bitDepth, fullscreen): Opens the window (bit depth 0: the desktop's) and "
             "creates the engine's managers; call it first.")
        .def("shutdown", &Root::shutdown,
             "shutdown(): Deletes the engine's managers and closes the window; the program's end does it too.")
        .def("run", &Root::run,
             "run(processManager, renderManager, fps): Steps the process manager (a scene) fps times a second and "
             "draws through the render manager (None: nothing) until Escape or the window's closing.");
    Root::setFrameHook(&raisePendingExits);
    Root::setRoster(&Tarnu::startEngineRoster, &Tarnu::stopEngineRoster);
    // A script that ends without shutdown is shut down while Python can still
    // release the objects the engine holds for it.
    Tarnu::registerScriptExit();
}

}

BOOST_PYTHON_MODULE(tarnu)
{
    // help() shows the texts only: each begins with the call's form, arguments by name. The library's
    // own signatures would name them arg1, arg2 ..., since the arguments are positional only.
    py::docstring_options documentation(true, false, false);
    py::register_exception_translator<Tarnu::MissingSingletonError>(&raiseMissingSingleton);
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
