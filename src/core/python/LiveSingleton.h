#pragma once
// Python objects that refer to an engine singleton by reference (the log
// manager, the event factory, later managers) would dangle once the engine
// deletes it. This call policy checks, before each call, that the object a
// method is called on is still the live instance, and raises RuntimeError if not.

#include "core/TypeName.h"

#include <boost/python.hpp>

#include <string>

namespace Tarnu
{

template <class T, class Base = boost::python::default_call_policies>
struct LiveSingleton : Base
{
    template <class ArgumentPackage>
    bool precall(const ArgumentPackage& args)
    {
        namespace converter = boost::python::converter;
        // Reads the held pointer without dereferencing it.
        const void* held =
            converter::get_lvalue_from_python(PyTuple_GET_ITEM(args, 0), converter::registered<T>::converters);
        if (held && held != static_cast<const void*>(T::getSingletonPtr()))
        {
            const std::string message = "Error: " + typeName<T>() + " was deleted; this reference to it is no longer valid.";
            PyErr_SetString(PyExc_RuntimeError, message.c_str());
            return false;
        }
        return Base::precall(args);
    }
};

}
