#pragma once
// The factory methods and notifications of a component class that scripts
// subclass (Component, UnitFSMComponent, PlayerBeacon). Each such class
// defines them again, in this order: the defaults of an engine class only reach
// instances of its own bridge.

#include "core/python/Documentation.h"
#include "scene/Component.h"

#include <boost/python.hpp>

#include <string>

namespace Tarnu
{

/// kind: what the texts call an instance ("component", "machine", "beacon").
template <class Bridge, class PythonClass>
void defineComponentHooks(PythonClass& cls, const std::string& kind)
{
    cls.def("createNew", pureVirtual(&Component::createNew),
            ("createNew(params): A new " + kind + " made from a ParameterList; a subclass defines it.").c_str());
    cls.def("createCopy", pureVirtual(&Component::createCopy),
            ("createCopy(): A copy of this " + kind + " for another entity; a subclass defines it.").c_str());
    cls.def("entityChanged", overridable(&Component::entityChanged, &Bridge::defaultEntityChanged),
            ("entityChanged(newEntity, oldEntity): Called when the " + kind +
             " joins (newEntity) or leaves (oldEntity) an entity; does nothing unless a subclass defines it.")
                .c_str());
    cls.def("managerChanged", overridable(&Component::managerChanged, &Bridge::defaultManagerChanged),
            "managerChanged(newManager, oldManager): Called when its entity enters (newManager) or leaves "
            "(oldManager) a scene; does nothing unless a subclass defines it.");
}

}
