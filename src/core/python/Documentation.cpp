#include "core/python/Documentation.h"

#include <stdexcept>

namespace Tarnu
{

namespace
{

std::string describe(ParameterTable::Family family, const std::string& type)
{
    const ParameterTable* table = ParameterTable::find(family, type);
    if (!table)
        throw std::logic_error(type + " has no parameter table");
    return table->describe();
}

}

void MoreText::append(boost::python::object& cls) const
{
    const boost::python::object own = cls.attr("__doc__");
    cls.attr("__doc__") = (own.is_none() ? std::string() : boost::python::extract<std::string>(own)() + "\n\n") + text;
}

MoreText parametersOf(ParameterTable::Family family, const std::string& type)
{
    return MoreText(describe(family, type));
}

MoreText typesWithoutClass(ParameterTable::Family family,
                           const std::vector<std::pair<std::string, std::string>>& typesAndTexts)
{
    std::string text = "The types it makes that have no class of their own:";
    for (const auto& [type, what] : typesAndTexts)
        text += "\n\n" + type + ": " + what + "\n" + describe(family, type);
    return MoreText(text);
}

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
