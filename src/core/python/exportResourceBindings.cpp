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
    py::class_<Resource, std::shared_ptr<Resource>, boost::noncopyable> resource(
        "Resource", "Something loaded from a file by name: a template, an event script, a state machine.",
        py::no_init);
    {
        py::scope inside = resource;
        py::enum_<Resource::LoadState>("LoadState", "Where a resource is: UNLOADED, LOADING, LOADED, UNLOADING.")
            .value("UNLOADED", Resource::UNLOADED)
            .value("LOADING", Resource::LOADING)
            .value("LOADED", Resource::LOADED)
            .value("UNLOADING", Resource::UNLOADING)
            .export_values();
    }
    resource
        .def("getName", &Resource::getName, py::return_value_policy<py::copy_const_reference>(),
             "getName(): The resource's name.")
        .def("getHandle", &Resource::getHandle, "getHandle(): The resource's number in its manager.")
        .def("getLoadState", &Resource::getLoadState, "getLoadState(): Its LoadState.")
        .def("isLoaded", &Resource::isLoaded,
             "isLoaded(): Whether it is loaded (also after a failed load: ask wasLoadError).")
        .def("load", &Resource::load,
             "load(): Loads it unless loaded; problems go to the logs and set wasLoadError.")
        .def("unload", &Resource::unload, "unload(): Lets go of what was loaded.")
        .def("reload", &Resource::reload, "reload(): Unloads and loads it again.")
        .def("wasLoadError", &Resource::wasLoadError, "wasLoadError(): Whether the last load failed.");
    defineIdentity(resource);

    using ByHandle = std::shared_ptr<Resource> (ResourceManager::*)(std::uint32_t) const;
    using ByName = std::shared_ptr<Resource> (ResourceManager::*)(const std::string&) const;
    py::class_<ResourceManager, boost::noncopyable>("ResourceManager",
                                                    "Keeps the resources of one kind by name and by number.",
                                                    py::no_init)
        .def("getResource", static_cast<ByHandle>(&ResourceManager::getResource),
             "getResource(handle): The resource of that number, or None.")
        .def("getResource", static_cast<ByName>(&ResourceManager::getResource),
             "getResource(name): The resource of that name, or None.");
}

}
