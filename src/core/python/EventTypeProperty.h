#pragma once
// An event class's TYPE as a read-only class attribute that reads the engine's
// number at the moment of access.

#include <boost/python.hpp>

#include <cstdint>

namespace Tarnu
{

template <class PythonClass>
void addEventType(PythonClass& cls, std::uint32_t* type)
{
    cls.add_static_property("TYPE", boost::python::make_getter(type));
}

}
