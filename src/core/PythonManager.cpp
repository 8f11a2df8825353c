#include "core/PythonManager.h"

#include "core/LogManager.h"

#include <boost/python.hpp>

namespace Tarnu
{

PythonManager::PythonManager()
{
    LogManager& logs = LogManager::getSingleton();
    logs.createLog(LOG_NAME, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, false);
    logs.logMessage(LOG_NAME, "Initialized python subsytem", LogFile::ML_CRITICAL);
}

PythonManager::~PythonManager()
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(LOG_NAME, "Python subsytem shut down.", LogFile::ML_CRITICAL, true);
}

void PythonManager::discardPendingError() noexcept
{
    if (Py_IsInitialized() && PyErr_Occurred())
        PyErr_Clear();
}

boost::python::dict PythonManager::createNamespace() const
{
    namespace py = boost::python;
    py::dict space;
    space["__builtins__"] = py::object(py::borrowed(PyEval_GetBuiltins()));
    py::exec("from tarnu import *", space, space);
    return space;
}

}
