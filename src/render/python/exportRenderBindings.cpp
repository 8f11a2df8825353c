// Rendering: render managers, the camera, renderables and outlines of bounds,
// and the render-permission slot that scripts may subclass. Objects come from
// factories and createNew functions; only slots are made from Python.

#include "core/math/Bound.h"
#include "core/python/Bindings.h"
#include "core/python/Identity.h"
#include "render/Camera.h"
#include "render/QuadtreeRenderManager.h"
#include "render/RenderableGeometry.h"
#include "render/StaticImage.h"
#include "render/python/PythonSlot.h"
#include "scene/SceneManager.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

void exportRenderManagers()
{
    py::class_<RenderManager, std::shared_ptr<RenderManager>, boost::noncopyable> manager("RenderManager", py::no_init);
    manager.def("connect", &RenderManager::connect)
        .def("disconnect", &RenderManager::disconnect)
        .def("getMainCamera", &RenderManager::getMainCamera)
        .def("setMainCamera", &RenderManager::setMainCamera);
    defineIdentity(manager);

    py::class_<QuadtreeRenderManager, py::bases<RenderManager>, std::shared_ptr<QuadtreeRenderManager>,
               boost::noncopyable>("QuadtreeRenderManager", py::no_init)
        .def("createNew", &QuadtreeRenderManager::createNew)
        .staticmethod("createNew");
}

void exportCamera()
{
    py::class_<Camera, py::bases<Component>, std::shared_ptr<Camera>, boost::noncopyable>("Camera", py::no_init)
        .def("convertPosition", &Camera::convertPosition)
        .def("getViewport", &Camera::getViewport);
}

void exportRenderables()
{
    // The signal's operations belong to a base that Python does not see.
    using SlotCall = void (Renderable::*)(RenderSlot*);
    using Call = void (Renderable::*)();
    py::class_<Renderable, py::bases<Component>, std::shared_ptr<Renderable>, boost::noncopyable>("Renderable",
                                                                                                   py::no_init)
        .def("getZOrder", &Renderable::getZOrder)
        .def("setAlpha", &Renderable::setAlpha)
        .def("connect", static_cast<SlotCall>(&Renderable::connect))
        .def("disconnectAll", static_cast<Call>(&Renderable::disconnectAll));

    py::class_<StaticImage, py::bases<Renderable>, std::shared_ptr<StaticImage>, boost::noncopyable>("StaticImage",
                                                                                                     py::no_init);
}

void exportGeometry()
{
    py::class_<RenderableGeometry, py::bases<Renderable>, std::shared_ptr<RenderableGeometry>, boost::noncopyable>(
        "RenderableGeometry", py::no_init)
        .def("createFromBound", &RenderableGeometry::createFromBound)
        .staticmethod("createFromBound");
    py::class_<RenderableBox, py::bases<RenderableGeometry>, std::shared_ptr<RenderableBox>, boost::noncopyable>(
        "RenderableBox", py::no_init)
        .def("update", &RenderableBox::update);
    py::class_<RenderableCircle, py::bases<RenderableGeometry>, std::shared_ptr<RenderableCircle>,
               boost::noncopyable>("RenderableCircle", py::no_init)
        .def("update", &RenderableCircle::update);
}

void exportSlot()
{
    py::class_<RenderSlot, PythonSlot, boost::noncopyable>("Slot", py::init<>())
        .def("disconnect", &RenderSlot::disconnect);
}

}

void exportRenderBindings()
{
    exportRenderManagers();
    exportCamera();
    exportRenderables();
    // The animated renderables and their events take their places here.
    exportGeometry();
    exportSlot();
}

}
