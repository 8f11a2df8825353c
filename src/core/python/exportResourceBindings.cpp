// The bases of every loadable item and of every resource manager. The typed
// resources and managers of later areas name these as their Python bases, so
// scripts reach load, getName and getResource through inheritance.

#include "core/python/Bindings.h"
#include "core/python/Identity.h"
#include "core/resources/ResourceManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportResourceBindings()
{
    py::class_<Resource, std::shared_ptr<Resource>, boost::noncopyable> resource("Resource", py::no_init);
    {
        py::scope inside = resource;
        py::enum_<Resource::LoadState>("LoadState")
            .value("UNLOADED", Resource::UNLOADED)
            .value("LOADING", Resource::LOADING)
            .value("LOADED", Resource::LOADED)
            .value("UNLOADING", Resource::UNLOADING)
            .export_values();
    }
    resource.def("getName", &Resource::getName, py::return_value_policy<py::copy_const_reference>())
        .def("getHandle", &Resource::getHandle)
        .def("getLoadState", &Resource::getLoadState)
        .def("isLoaded", &Resource::isLoaded)
        .def("load", &Resource::load)
        .def("unload", &Resource::unload)
        .def("reload", &Resource::reload)
        .def("wasLoadError", &Resource::wasLoadError);
    defineIdentity(resource);

    using ByHandle = std::shared_ptr<Resource> (ResourceManager::*)(std::uint32_t) const;
    using ByName = std::shared_ptr<Resource> (ResourceManager::*)(const std::string&) const;
    py::class_<ResourceManager, boost::noncopyable>("ResourceManager", py::no_init)
        .def("getResource", static_cast<ByHandle>(&ResourceManager::getResource))
        .def("getResource", static_cast<ByName>(&ResourceManager::getResource));
}

}
