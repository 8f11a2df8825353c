#pragma once
// The bridge of Python subclasses of PlayerBeacon: the component protocol of
// every Python component, with "PlayerBeacon" as the family its type chain
// ends at, and the four beacon operations, which call the Python methods of
// their names. A failure there (an answer that does not convert included) is
// printed, and selectUnitToRemove and evaluateUnit answer the engine's own
// advice instead; nothing reaches the engine.

#include "game/units/PlayerBeacon.h"
#include "game/units/PlayerUnit.h"
#include "scene/python/PythonComponent.h"

#include <cstdint>
#include <memory>

namespace Tarnu
{

class PyPlayerBeacon : public PythonComponent<PlayerBeacon>
{
public:
    PyPlayerBeacon(PyObject* self, std::uint32_t unitType, std::uint32_t player)
        : PythonComponent(self, unitType, player)
    {
    }

    std::shared_ptr<PlayerUnit> selectUnitToRemove() override
    {
        return callPrintedOr<std::shared_ptr<PlayerUnit>>([this] { return PlayerBeacon::selectUnitToRemove(); },
                                                          "selectUnitToRemove");
    }
    double evaluateUnit(const std::shared_ptr<PlayerUnit>& unit) override
    {
        return callPrintedOr<double>([this, &unit] { return PlayerBeacon::evaluateUnit(unit); }, "evaluateUnit", unit);
    }
    void unitAdded(const std::shared_ptr<PlayerUnit>& unit) override { callPrinted("unitAdded", unit); }
    void unitRemoved(const std::shared_ptr<PlayerUnit>& unit) override { callPrinted("unitRemoved", unit); }

    // What a Python subclass inherits when it leaves a method out: the engine's own,
    // which a Python override may also call through PlayerBeacon.
    std::shared_ptr<PlayerUnit> defaultSelectUnitToRemove() { return PlayerBeacon::selectUnitToRemove(); }
    double defaultEvaluateUnit(const std::shared_ptr<PlayerUnit>& unit) { return PlayerBeacon::evaluateUnit(unit); }
    void defaultUnitAdded(const std::shared_ptr<PlayerUnit>&) {}
    void defaultUnitRemoved(const std::shared_ptr<PlayerUnit>&) {}
    // The engine's part of the notifications has run already.
    void defaultEntityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&) {}
    void defaultManagerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&) {}
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PyPlayerBeacon> : mpl::true_ {};
}
