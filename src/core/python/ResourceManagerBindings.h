#pragma once
// What every typed resource manager's Python class has: a static getSingleton
// that answers None while the manager does not exist (each call a new wrapper,
// equal to the others), and the inherited
// lookups checked like its own methods, so that a script's reference kept
// past the engine's shutdown raises RuntimeError instead of reaching a
// deleted manager.

#include "core/python/Identity.h"
#include "core/python/LiveSingleton.h"
#include "core/resources/ResourceManager.h"

#include <boost/python.hpp>

#include <cstdint>
#include <string>

namespace Tarnu
{

template <class Manager, class PythonClass>
void defineTypedManager(PythonClass& cls)
{
    namespace py = boost::python;
    using ByHandle = std::shared_ptr<Resource> (ResourceManager::*)(std::uint32_t) const;
    using ByName = std::shared_ptr<Resource> (ResourceManager::*)(const std::string&) const;
    cls.def("getSingleton", &Manager::getSingletonPtr, py::return_value_policy<py::reference_existing_object>())
        .staticmethod("getSingleton")
        .def("getResource", static_cast<ByHandle>(&ResourceManager::getResource), LiveSingleton<Manager>())
        .def("getResource", static_cast<ByName>(&ResourceManager::getResource), LiveSingleton<Manager>());
    defineIdentity(cls);
}

}
