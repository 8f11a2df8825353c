#include "core/python/PythonBridge.h"

#include "core/LogManager.h"
#include "core/PythonManager.h"

namespace Tarnu
{

namespace
{

// Ctrl-C is the player's, not the callback's: it is re-armed so that the
// main loop, which checks once per frame, ends with it.
bool rearmedInterrupt() noexcept
{
    if (!PyErr_ExceptionMatches(PyExc_KeyboardInterrupt))
        return false;
    PyErr_Clear();
    PyErr_SetInterrupt();
    return true;
}

}

void printPythonException() noexcept
{
    if (!rearmedInterrupt() && PyErr_Occurred())
        PyErr_Print();
}

void reportPythonException(const std::string& message) noexcept
{
    if (rearmedInterrupt())
        return;
    try
    {
        if (LogManager* logs = LogManager::getSingletonPtr())
            logs->logMessage(PythonManager::LOG_NAME, message, LogFile::ML_NORMAL, false);
    }
    catch (...)
    {
        // Reporting must not fail the engine call it reports on.
    }
    printPythonException();
}

std::string PythonBridge::getClassName() const
{
    namespace py = boost::python;
    const CallbackScope callback;
    const py::object object(py::handle<>(py::borrowed(self)));
    return py::extract<std::string>(object.attr("__class__").attr("__name__"));
}

void printPythonExceptionKeepingIt() noexcept
{
    if (!PyErr_Occurred())
        return;
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    Py_XINCREF(type);
    Py_XINCREF(value);
    Py_XINCREF(traceback);
    PyErr_Restore(type, value, traceback);
    PyErr_Print();
    PyErr_Restore(type, value, traceback);
}

}
