#pragma once
// A render-permission slot written in Python: the render manager calls the
// subclass's __call__ with the renderable and draws it only on a true answer.
// A slot that raises is reported like any Python hook and lets the renderable
// be drawn. The script keeps its slot: a connection does not keep it alive,
// and a slot that is collected leaves its signals.

#include "core/python/PythonBridge.h"
#include "render/Renderable.h"

namespace Tarnu
{

class PythonSlot : public RenderSlot, public PythonBridge
{
public:
    explicit PythonSlot(PyObject* self) : PythonBridge(self) {}

    bool operator()(Renderable* renderable) override
    {
        // The script sees the renderable as the component it is.
        const std::shared_ptr<Renderable> shared = renderable ? Renderable::getFor(renderable->getOwnerPointer()) : nullptr;
        return callLoggedOr(true, "__call__", shared);
    }
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonSlot> : mpl::true_ {};
}
