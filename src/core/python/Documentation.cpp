#include "core/python/Documentation.h"

namespace Tarnu
{

std::string callForm(const char* doc)
{
    const std::string text(doc ? doc : "");
    const std::size_t end = text.find("): ");
    return end == std::string::npos ? std::string() : text.substr(0, end + 3);
}

boost::python::object staticPropertyWithText(const boost::python::object& staticPropertyType)
{
    namespace py = boost::python;
    // Kept for the interpreter's life: the classes refer to it until the very end.
    static PyObject* type = nullptr;
    if (!type)
    {
        // Its own __doc__ reads the instance's text; the property type's is read-only.
        py::dict members;
        members["__module__"] = "Boost.Python";
        members["__doc__"] = py::import("builtins").attr("property")(py::import("operator").attr("attrgetter")("text"));
        type = py::incref(
            py::import("builtins").attr("type")("StaticProperty", py::make_tuple(staticPropertyType), members).ptr());
    }
    return py::object(py::borrowed(type));
}

}
