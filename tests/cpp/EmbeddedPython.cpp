#include "EmbeddedPython.h"

#include <gtest/gtest.h>

extern "C" PyObject* PyInit_tarnu();

namespace Tarnu::Embedded
{

void ensurePython()
{
    if (Py_IsInitialized())
        return;
    PyImport_AppendInittab("tarnu", &PyInit_tarnu);
    Py_Initialize();
}

boost::python::dict pythonNamespace()
{
    ensurePython();
    boost::python::dict space;
    space["__builtins__"] = boost::python::import("builtins");
    boost::python::exec("import gc\nimport tarnu\n", space, space);
    return space;
}

void runPython(const std::string& code, boost::python::dict& space)
{
    try
    {
        boost::python::exec(code.c_str(), space, space);
    }
    catch (const boost::python::error_already_set&)
    {
        PyErr_Print();
        FAIL() << "Python error in:\n" << code;
    }
}

}
