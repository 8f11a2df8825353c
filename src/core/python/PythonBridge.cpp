#include "core/python/PythonBridge.h"

namespace Tarnu
{

std::string PythonBridge::getClassName() const
{
    namespace py = boost::python;
    const CallbackScope callback;
    const py::object object(py::handle<>(py::borrowed(self)));
    return py::extract<std::string>(object.attr("__class__").attr("__name__"));
}

}
