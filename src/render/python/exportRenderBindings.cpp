// Rendering: the render manager a scene draws through.

#include "core/python/Bindings.h"
#include "render/RenderManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportRenderBindings()
{
    py::class_<RenderManager, py::bases<Process>, std::shared_ptr<RenderManager>, boost::noncopyable>(
        "RenderManager", py::no_init);
}

}
