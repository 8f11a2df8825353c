#pragma once
// An event class's TYPE as a read-only class attribute that reads the engine's
// number at the moment of access, and an action event's FACTORY_TYPE.

#include "core/python/Documentation.h"

#include <boost/python.hpp>

#include <cstdint>
#include <string>

namespace Tarnu
{

template <class PythonClass>
void addEventType(PythonClass& cls, std::uint32_t* type)
{
    addConstant(cls, "TYPE", boost::python::make_getter(type),
                "The event type number of this class's events: what a listener of them is made with.");
}

template <class PythonClass>
void addFactoryType(PythonClass& cls, const std::string* name)
{
    namespace py = boost::python;
    addConstant(cls, "FACTORY_TYPE", py::make_getter(name, py::return_value_policy<py::copy_const_reference>()),
                "The name the event factory and event scripts know this action event by.");
}

}
