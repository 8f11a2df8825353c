// Rendering and animation: render managers, the camera, renderables, animated
// sprites with their event and action event, the occlusion interface, outlines
// of bounds, and the render-permission slot that scripts may subclass. Objects
// come from factories and createNew functions; only slots and occluded sprites
// are made from Python.

#include "core/math/Bound.h"
#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "render/Camera.h"
#include "render/QuadtreeRenderManager.h"
#include "render/RenderableGeometry.h"
#include "render/StaticImage.h"
#include "render/animation/AnimationEvents.h"
#include "render/animation/OccludedAnimatable.h"
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

void exportAnimation()
{
    using Length = double (Animatable::*)() const;
    using NamedLength = double (Animatable::*)(const std::string&) const;
    using Looping = void (Animatable::*)(bool);
    using NamedLooping = void (Animatable::*)(bool, const std::string&);
    using IsLooping = bool (Animatable::*)() const;
    using IsNamedLooping = bool (Animatable::*)(const std::string&) const;
    py::class_<Animatable, py::bases<Renderable>, std::shared_ptr<Animatable>, boost::noncopyable> animatable(
        "Animatable", py::no_init);
    animatable.setattr("NO_ANIMATION", Animatable::NO_ANIMATION);
    animatable.def("setAnimation", &Animatable::setAnimation, (py::arg("name"), py::arg("time") = 0.0))
        .def("getCurrentAnimation", &Animatable::getCurrentAnimation,
             py::return_value_policy<py::copy_const_reference>())
        .def("animationAvailable", &Animatable::animationAvailable)
        .def("advancePosition", &Animatable::advancePosition)
        .def("setPosition", &Animatable::setPosition)
        .def("getCurrentPosition", &Animatable::getCurrentPosition)
        .def("getAnimationLength", static_cast<Length>(&Animatable::getAnimationLength))
        .def("getAnimationLength", static_cast<NamedLength>(&Animatable::getAnimationLength))
        .def("setLooping", static_cast<Looping>(&Animatable::setLooping))
        .def("setLooping", static_cast<NamedLooping>(&Animatable::setLooping))
        .def("isLooping", static_cast<IsLooping>(&Animatable::isLooping))
        .def("isLooping", static_cast<IsNamedLooping>(&Animatable::isLooping));

    py::class_<AnimationEvent, py::bases<Event>, std::shared_ptr<AnimationEvent>, boost::noncopyable> event(
        "AnimationEvent", py::no_init);
    addEventType(event, &AnimationEvent::TYPE);

    py::class_<AnimationActionEvent, py::bases<FactoryEvent>, std::shared_ptr<AnimationActionEvent>,
               boost::noncopyable>
        action("AnimationActionEvent", py::no_init);
    addEventType(action, &AnimationActionEvent::TYPE);
    action.add_static_property("FACTORY_TYPE", py::make_getter(&AnimationActionEvent::FACTORY_TYPE,
                                                               py::return_value_policy<py::copy_const_reference>()));
    action.def("setAnimation", &AnimationActionEvent::setAnimation, (py::arg("name"), py::arg("time") = 0.0))
        .staticmethod("setAnimation")
        .def("setPosition", &AnimationActionEvent::setPosition)
        .staticmethod("setPosition");
}

void exportOcclusion()
{
    py::class_<OccludedQuad, std::shared_ptr<OccludedQuad>, boost::noncopyable> quad("OccludedQuad", py::no_init);
    {
        py::scope inside = quad;
        py::enum_<OccludedQuad::Direction>("Direction")
            .value("HORIZONTAL", OccludedQuad::HORIZONTAL)
            .value("VERTICAL", OccludedQuad::VERTICAL)
            .export_values();
    }
    quad.def("setOcclusion", &OccludedQuad::setOcclusion)
        .def("getOcclusion", &OccludedQuad::getOcclusion)
        .def("setMinPos", &OccludedQuad::setMinPos)
        .def("getMinPos", &OccludedQuad::getMinPos)
        .def("setMaxPos", &OccludedQuad::setMaxPos)
        .def("getMaxPos", &OccludedQuad::getMaxPos);

    // Scripts may make an occluded sprite themselves, with the arguments of the engine's constructor.
    py::class_<OccludedAnimatable, py::bases<Animatable, OccludedQuad>, std::shared_ptr<OccludedAnimatable>,
               boost::noncopyable>(
        "OccludedAnimatable", py::init<OccludedQuad::Direction, double, py::optional<double, double, double>>(
                                  (py::arg("direction"), py::arg("zOrder"), py::arg("minPos") = 0.0, py::arg("maxPos") = 1.0,
                                   py::arg("occlusion") = 1.0)));
    // Either base is reached from the sprite itself, whichever the engine expects.
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<Animatable>>();
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<OccludedQuad>>();
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<Component>>();
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
    exportAnimation();
    exportOcclusion();
    exportGeometry();
    exportSlot();
}

}
