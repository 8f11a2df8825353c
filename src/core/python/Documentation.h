#pragma once
// What help() shows beyond the binding library's own means. Every text begins
// with its call form, "name(a, b): ...", since the arguments are positional
// only. A method a Python subclass may define has a second form that the
// library adds (the engine's version, or the one that raises for a pure
// virtual method); it gets a text of its own instead of a copy of the first.
// Class constants (static properties) get a text, which the library's own
// static properties cannot carry. What the data files make lists the
// parameters it reads, from the table beside its createNew.

#include "core/ParameterTable.h"

#include <boost/python.hpp>
#include <boost/python/object/add_to_namespace.hpp>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace Tarnu
{

/// The subclass of the library's static property type whose instances keep a text (their "text"), made once.
boost::python::object staticPropertyWithText(const boost::python::object& staticPropertyType);

/// A text added to a class's own, after a blank line: cls.def(MoreText(text)).
class MoreText : public boost::python::def_visitor<MoreText>
{
public:
    explicit MoreText(std::string text) : text(std::move(text)) {}

private:
    friend class boost::python::def_visitor_access;

    template <class Class>
    void visit(Class& cls) const
    {
        append(cls);
    }
    void append(boost::python::object& cls) const;

    std::string text;
};

/// The parameters a type made by name reads, from its ParameterTable; std::logic_error for a type without one.
MoreText parametersOf(ParameterTable::Family family, const std::string& type);

/// For a factory: each type given, by name, what it is and its parameters, for types without a class of their own.
MoreText typesWithoutClass(ParameterTable::Family family,
                           const std::vector<std::pair<std::string, std::string>>& typesAndTexts);

/// The call form that begins a text: "name(a, b): " of "name(a, b): What it does."
std::string callForm(const char* doc);

template <class Method, class Second>
class WithSecondForm : public boost::python::def_visitor<WithSecondForm<Method, Second>>
{
public:
    WithSecondForm(Method method, Second second, const char* secondText)
        : method(method), second(second), secondText(secondText)
    {
    }

private:
    friend class boost::python::def_visitor_access;

    template <class Class, class Options>
    void visit(Class& cls, const char* name, Options& options) const
    {
        cls.def(name, method, options.doc(), options.keywords(), options.policies());
        const std::string text = callForm(options.doc()) + secondText;
        boost::python::objects::add_to_namespace(cls, name, second(cls, options), text.c_str());
    }

    Method method;
    Second second;
    const char* secondText;
};

/// boost::python::pure_virtual, with a text for the form that raises.
template <class Method>
auto pureVirtual(Method method)
{
    namespace py = boost::python;
    auto raising = [method](auto& cls, auto&) {
        using Held = typename std::remove_reference_t<decltype(cls)>::metadata::held_type;
        return py::make_function(py::detail::nullary_function_adaptor<void (*)()>(py::detail::pure_virtual_called),
                                 py::default_call_policies(),
                                 py::detail::error_signature<Held>(py::detail::get_signature(method)));
    };
    return WithSecondForm<Method, decltype(raising)>(method, raising,
                                                     "Raises RuntimeError when a subclass leaves it out.");
}

/// A virtual method with the engine's version that a subclass may replace: the library's
/// def(name, method, engineVersion), with a text for the engine's version.
template <class Method, class Default>
auto overridable(Method method, Default engineVersion)
{
    auto own = [engineVersion](auto&, auto& options) {
        return boost::python::make_function(engineVersion, options.policies(), options.keywords());
    };
    return WithSecondForm<Method, decltype(own)>(method, own,
                                                 "The engine's own version, which runs when a subclass leaves it out.");
}

/// A read-only class attribute read through get, with a text for help().
template <class PythonClass, class Get>
void addConstant(PythonClass& cls, const char* name, Get get, const char* doc)
{
    namespace py = boost::python;
    cls.add_static_property(name, get);
    // The library's static properties have no room for a text: a copy that
    // keeps one takes the place, set past the library's metaclass (which would
    // assign through the property). The class keeps its attributes in order.
    const py::object made = py::object(cls.attr("__dict__"))[name];
    py::object documented = staticPropertyWithText(made.attr("__class__"))(py::object(made.attr("fget")));
    documented.attr("text") = doc;
    if (PyType_Type.tp_setattro(cls.ptr(), py::str(name).ptr(), documented.ptr()) != 0)
        py::throw_error_already_set();
}

}
