// Physics: the physics manager a scene moves and collides through.

#include "core/python/Bindings.h"
#include "game/PhysicsManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportPhysicsBindings()
{
    py::class_<PhysicsManager, py::bases<Process>, std::shared_ptr<PhysicsManager>, boost::noncopyable>(
        "PhysicsManager", py::no_init);
}

}
