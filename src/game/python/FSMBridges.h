#pragma once
// The bridge of Python subclasses of UnitFSMComponent: the component protocol
// of every Python component, and stateChanged, whose errors are printed and go
// no further (the change itself has happened).

#include "game/units/UnitFSMComponent.h"
#include "scene/python/PythonComponent.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class PyUnitFSM : public PythonComponent<UnitFSMComponent>
{
public:
    /// The definition must have been made by a loader before, or an empty one is made.
    PyUnitFSM(PyObject* self, const std::string& name) : PythonComponent(self, name, std::string(), std::string()) {}

    void stateChanged(std::uint32_t oldState, std::uint32_t newState, const std::shared_ptr<Event>& event) override
    {
        callPrinted("stateChanged", oldState, newState, event);
    }

    // What a Python subclass inherits when it leaves the notifications out: the
    // engine's part of them has run already.
    void defaultEntityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&) {}
    void defaultManagerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&) {}
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PyUnitFSM> : mpl::true_ {};
}
