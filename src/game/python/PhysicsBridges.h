#pragma once
// The bridge of Python subclasses of CollidableListener: the engine's listener
// turns a collision event into entitiesCollided or entitiesSeparated, and the
// bridge calls the Python method of that name. Errors are logged and printed;
// the physics step goes on with the next event.

#include "core/python/PythonBridge.h"
#include "game/physics/CollidableEvent.h"

#include <memory>

namespace Tarnu
{

class PythonCollidableListener : public CollidableListener, public PythonBridge
{
public:
    explicit PythonCollidableListener(PyObject* self) : PythonBridge(self) {}

    void entitiesCollided(const std::shared_ptr<CollidableEvent>& event) override
    {
        callLogged("entitiesCollided", event);
    }
    void entitiesSeparated(const std::shared_ptr<CollidableEvent>& event) override
    {
        callLogged("entitiesSeparated", event);
    }

    /// What a Python subclass inherits when it leaves separations out.
    void defaultEntitiesSeparated(const std::shared_ptr<CollidableEvent>& event)
    {
        CollidableListener::entitiesSeparated(event);
    }
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonCollidableListener> : mpl::true_ {};
}
