#include "core/PythonErrors.h"

#include "core/CallbackScope.h"
#include "core/LogManager.h"
#include "core/PythonManager.h"

#include <Python.h>

namespace Tarnu
{

namespace
{

// The first exit a callback asked for, until the interpreter raises it again.
PyObject* exitType = nullptr;
PyObject* exitValue = nullptr;
PyObject* exitTraceback = nullptr;
bool exitsDropped = false;

int raiseExit(void*)
{
    if (!exitType)
        return 0;
    PyErr_Restore(exitType, exitValue, exitTraceback);
    exitType = exitValue = exitTraceback = nullptr;
    return -1;
}

bool isExit() noexcept
{
    return PyErr_ExceptionMatches(PyExc_SystemExit) || PyErr_ExceptionMatches(PyExc_KeyboardInterrupt);
}

/// Takes a pending SystemExit or KeyboardInterrupt aside for the script; false for other errors.
bool deferredExit() noexcept
{
    if (!PyErr_Occurred() || !isExit())
        return false;
    // After the script's end, an exit still ends the script code a callback runs (a main loop that a
    // component leaving at exit shows), which receives it as the engine call it made returns; one
    // that escapes to the end of the script itself has nothing left to end.
    if (exitType || (exitsDropped && !CallbackScope::isOpen()))
    {
        // One exit is on its way already, or the script has ended: this one changes nothing.
        PyErr_Clear();
        return true;
    }
    PyErr_Fetch(&exitType, &exitValue, &exitTraceback);
    // The interpreter runs pending calls between script instructions; Root.run
    // runs them once a frame (raiseDeferredExits), so the exit is never lost
    // while the engine goes on calling scripts that do not fail.
    Py_AddPendingCall(&raiseExit, nullptr);
    return true;
}

}

void printPythonException() noexcept
{
    // Printed without becoming sys.last_traceback: its frames would keep the
    // callback's objects, and all they hold, alive until the next error.
    if (!deferredExit() && PyErr_Occurred())
        PyErr_PrintEx(0);
}

void reportPythonException(const std::string& message) noexcept
{
    if (deferredExit())
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

void printPythonExceptionKeepingIt() noexcept
{
    // An exit goes on up unprinted: the interpreter would end the process to print it.
    if (!PyErr_Occurred() || isExit())
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
    PyErr_PrintEx(0);
    PyErr_Restore(type, value, traceback);
}

bool raiseDeferredExits() noexcept
{
    return Py_MakePendingCalls() == 0;
}

void dropExitsFromNowOn() noexcept
{
    exitsDropped = true;
    Py_CLEAR(exitType);
    Py_CLEAR(exitValue);
    Py_CLEAR(exitTraceback);
}

void dropPendingExit() noexcept
{
    if (exitsDropped && !CallbackScope::isOpen())
        dropExitsFromNowOn();
}

}
