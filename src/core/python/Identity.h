#pragma once
// Equality and hashing by engine object, for classes whose Python objects are
// wrappers made anew each time the engine hands an object out: two wrappers of
// one entity compare equal and hash alike, and nothing equals None.

#include <boost/python.hpp>

#include <cstdint>

namespace Tarnu
{

template <class T>
bool sameEngineObject(const T& self, const boost::python::object& other)
{
    boost::python::extract<const T*> engineObject(other);
    return engineObject.check() && engineObject() == &self;
}

template <class T>
std::uintptr_t engineAddress(const T& self)
{
    return reinterpret_cast<std::uintptr_t>(&self);
}

template <class PythonClass>
void defineIdentity(PythonClass& cls)
{
    using T = typename PythonClass::wrapped_type;
    cls.def("__eq__", &sameEngineObject<T>).def("__hash__", &engineAddress<T>);
}

}
