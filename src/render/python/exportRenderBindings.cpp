// Rendering and animation: render managers, the camera, renderables, animated
// sprites with their event and action event, the occlusion interface, outlines
// of bounds, and the render-permission slot that scripts may subclass. Objects
// come from factories and createNew functions; only slots and occluded sprites
// are made from Python.

#include "core/math/Bound.h"
#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/Identity.h"
#include "render/Camera.h"
#include "render/QuadtreeRenderManager.h"
#include "render/RenderableGeometry.h"
#include "render/StaticImage.h"
#include "render/animation/AnimationEvents.h"
#include "render/animation/OccludedAnimatable.h"
#include "render/python/Bindings.h"
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
    py::class_<RenderManager, std::shared_ptr<RenderManager>, boost::noncopyable> manager(
        "RenderManager", "Draws one scene through its main camera; hand it to Root.run.", py::no_init);
    manager
        .def("connect", &RenderManager::connect,
             "connect(scene): Makes this the scene's render manager: it files the scene's renderables and cameras from "
             "then on.")
        .def("disconnect", &RenderManager::disconnect, "disconnect(): Leaves the scene; nothing is drawn after.")
        .def("getMainCamera", &RenderManager::getMainCamera,
             "getMainCamera(): The camera it draws through (the scene's first, unless set), or None.")
        .def("setMainCamera", &RenderManager::setMainCamera,
             "setMainCamera(name): Draws through the camera of the entity of that name; an unknown name changes "
             "nothing.");
    defineIdentity(manager);
    collectCyclesThrough<RenderManager>(manager);

    py::class_<QuadtreeRenderManager, py::bases<RenderManager>, std::shared_ptr<QuadtreeRenderManager>,
               boost::noncopyable>("QuadtreeRenderManager",
                                   "The render manager: keeps the scene's renderables in a quadtree and draws those "
                                   "the main camera sees, in z-order.",
                                   py::no_init)
        .def("createNew", &QuadtreeRenderManager::createNew,
             "createNew(): A new render manager; connect it to a scene.")
        .staticmethod("createNew");
    collectCyclesThroughHeld<QuadtreeRenderManager>();
}

void exportCamera()
{
    py::class_<Camera, py::bases<Component>, std::shared_ptr<Camera>, boost::noncopyable>(
        "Camera",
        "A view of the scene: a rectangle of \"dimensions\" world units centred on its entity's node, which "
        "fills the window (made by ComponentFactory as \"Camera\").",
        py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "Camera"))
        .def("convertPosition", &Camera::convertPosition,
             "convertPosition(x, y): The world point under a window position in pixels (a mouse event's x and y).")
        .def("getViewport", &Camera::getViewport, "getViewport(): What the camera sees, in world space.");
    collectCyclesThroughHeld<Camera>();
}

void exportRenderables()
{
    // The signal's operations belong to a base that Python does not see.
    using SlotCall = void (Renderable::*)(RenderSlot*);
    using Call = void (Renderable::*)();
    py::class_<Renderable, py::bases<Component>, std::shared_ptr<Renderable>, boost::noncopyable>(
        "Renderable", "A component the render manager draws at its entity's node, lower z-orders first.",
        py::no_init)
        .def("getZOrder", &Renderable::getZOrder, "getZOrder(): Its z-order: higher ones are drawn on top.")
        .def("setAlpha", &Renderable::setAlpha,
             "setAlpha(alpha): Its opacity, from 0 (invisible) to 1 (opaque).")
        .def("connect", static_cast<SlotCall>(&Renderable::connect),
             "connect(slot): Asks the Slot before each drawing; the script keeps the slot alive.")
        .def("disconnectAll", static_cast<Call>(&Renderable::disconnectAll),
             "disconnectAll(): Lets go of every slot connected to it.");
    collectCyclesThroughHeld<Renderable>();

    py::class_<StaticImage, py::bases<Renderable>, std::shared_ptr<StaticImage>, boost::noncopyable>(
        "StaticImage",
        "A quad with an image (32 bits a pixel, sides powers of two) or a colour (made by ComponentFactory as "
        "\"StaticImage\").",
        py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "StaticImage"));
    collectCyclesThroughHeld<StaticImage>();
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
        "Animatable",
        "A sprite that plays named animations made from the data files' AnimationSequences (made by "
        "ComponentFactory as \"Animatable\").",
        py::no_init);
    animatable.setattr("NO_ANIMATION", Animatable::NO_ANIMATION);
    animatable.def(parametersOf(ParameterTable::COMPONENT, "Animatable"))
        .def("setAnimation", &Animatable::setAnimation, (py::arg("name"), py::arg("time") = 0.0),
             "setAnimation(name[, time]): Plays the named animation from time seconds in; NO_ANIMATION stops and hides "
             "the sprite.")
        .def("getCurrentAnimation", &Animatable::getCurrentAnimation,
             py::return_value_policy<py::copy_const_reference>(),
             "getCurrentAnimation(): The name of the animation playing, or NO_ANIMATION.")
        .def("animationAvailable", &Animatable::animationAvailable,
             "animationAvailable(name): Whether the sprite has an animation of that name.")
        .def("advancePosition", &Animatable::advancePosition,
             "advancePosition(dt): Moves the animation on by dt seconds (the render manager does so every update).")
        .def("setPosition", &Animatable::setPosition,
             "setPosition(time): Jumps to time seconds into the current animation.")
        .def("getCurrentPosition", &Animatable::getCurrentPosition,
             "getCurrentPosition(): How many seconds into the current animation it is.")
        .def("getAnimationLength", static_cast<Length>(&Animatable::getAnimationLength),
             "getAnimationLength(): The current animation's length in seconds.")
        .def("getAnimationLength", static_cast<NamedLength>(&Animatable::getAnimationLength),
             "getAnimationLength(name): The named animation's length in seconds.")
        .def("setLooping", static_cast<Looping>(&Animatable::setLooping),
             "setLooping(looping): Whether the current animation starts again when it ends.")
        .def("setLooping", static_cast<NamedLooping>(&Animatable::setLooping),
             "setLooping(looping, name): Whether the named animation starts again when it ends.")
        .def("isLooping", static_cast<IsLooping>(&Animatable::isLooping),
             "isLooping(): Whether the current animation loops.")
        .def("isLooping", static_cast<IsNamedLooping>(&Animatable::isLooping),
             "isLooping(name): Whether the named animation loops.");
    collectCyclesThroughHeld<Animatable>();

    py::class_<AnimationEvent, py::bases<Event>, std::shared_ptr<AnimationEvent>, boost::noncopyable> event(
        "AnimationEvent", "Queued on a sprite's entity when an animation starts and when a one-shot one ends.",
        py::no_init);
    addEventType(event, &AnimationEvent::TYPE);
    collectCyclesThroughHeld<AnimationEvent>();

    py::class_<AnimationActionEvent, py::bases<FactoryEvent>, std::shared_ptr<AnimationActionEvent>,
               boost::noncopyable>
        action("AnimationActionEvent",
               "Posted or queued on an entity, changes its sprite's animation or position (\"AnimationAction\" "
               "in event scripts).",
               py::no_init);
    addEventType(action, &AnimationActionEvent::TYPE);
    collectCyclesThroughHeld<AnimationActionEvent>();
    addFactoryType(action, &AnimationActionEvent::FACTORY_TYPE);
    action.def(parametersOf(ParameterTable::EVENT, "AnimationAction"))
        .def("setAnimation", &AnimationActionEvent::setAnimation, (py::arg("name"), py::arg("time") = 0.0),
             "setAnimation(name[, time]): An action event that plays the named animation, due at time.")
        .staticmethod("setAnimation")
        .def("setPosition", &AnimationActionEvent::setPosition,
             "setPosition(time): An action event that jumps the current animation to time seconds in.")
        .staticmethod("setPosition");
}

void exportOcclusion()
{
    py::class_<OccludedQuad, std::shared_ptr<OccludedQuad>, boost::noncopyable> quad(
        "OccludedQuad",
        "A picture shown in part, as a bar: the occlusion (0 to 1) maps onto minPos..maxPos of its width.",
        py::no_init);
    {
        py::scope inside = quad;
        py::enum_<OccludedQuad::Direction>("Direction", "HORIZONTAL cuts the picture; VERTICAL shows it whole.")
            .value("HORIZONTAL", OccludedQuad::HORIZONTAL)
            .value("VERTICAL", OccludedQuad::VERTICAL)
            .export_values();
    }
    quad.def("setOcclusion", &OccludedQuad::setOcclusion,
             "setOcclusion(occlusion): How much is shown, from 0 to 1 (clamped).")
        .def("getOcclusion", &OccludedQuad::getOcclusion, "getOcclusion(): How much is shown, from 0 to 1.")
        .def("setMinPos", &OccludedQuad::setMinPos,
             "setMinPos(minPos): The fraction of the width shown at occlusion 0.")
        .def("getMinPos", &OccludedQuad::getMinPos,
             "getMinPos(): The fraction of the width shown at occlusion 0.")
        .def("setMaxPos", &OccludedQuad::setMaxPos,
             "setMaxPos(maxPos): The fraction of the width shown at occlusion 1.")
        .def("getMaxPos", &OccludedQuad::getMaxPos,
             "getMaxPos(): The fraction of the width shown at occlusion 1.");
    collectCyclesThroughHeld<OccludedQuad>();

    // Scripts may make an occluded sprite themselves, with the arguments of the engine's constructor.
    py::class_<OccludedAnimatable, py::bases<Animatable, OccludedQuad>, std::shared_ptr<OccludedAnimatable>,
               boost::noncopyable>(
        "OccludedAnimatable", "An animated sprite shown in part, as a bar (health, progress).",
        py::init<OccludedQuad::Direction, double, py::optional<double, double, double>>(
            (py::arg("direction"), py::arg("zOrder"), py::arg("minPos") = 0.0, py::arg("maxPos") = 1.0,
             py::arg("occlusion") = 1.0),
            "OccludedAnimatable(direction, zOrder[, minPos[, maxPos[, occlusion]]]): A bar sprite; give it animations "
            "through data, or use it as a prototype."))
        .def(parametersOf(ParameterTable::COMPONENT, "OccludedAnimatable"));
    collectCyclesThroughHeld<OccludedAnimatable>();
    // Either base is reached from the sprite itself, whichever the engine expects.
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<Animatable>>();
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<OccludedQuad>>();
    py::implicitly_convertible<std::shared_ptr<OccludedAnimatable>, std::shared_ptr<Component>>();
}

void exportGeometry()
{
    py::class_<RenderableGeometry, py::bases<Renderable>, std::shared_ptr<RenderableGeometry>, boost::noncopyable>(
        "RenderableGeometry", "The outline of a bound, drawn in lines.", py::no_init)
        .def("createFromBound", &RenderableGeometry::createFromBound,
             "createFromBound(bound, zOrder): An outline of the bound: a RenderableBox for a box, a RenderableCircle "
             "for a circle.")
        .staticmethod("createFromBound");
    collectCyclesThroughHeld<RenderableGeometry>();
    py::class_<RenderableBox, py::bases<RenderableGeometry>, std::shared_ptr<RenderableBox>, boost::noncopyable>(
        "RenderableBox", "The outline of a box (made by ComponentFactory as \"RenderableBox\").", py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "RenderableBox"))
        .def("update", &RenderableBox::update, "update(bound): Takes the shape of another box.");
    collectCyclesThroughHeld<RenderableBox>();
    py::class_<RenderableCircle, py::bases<RenderableGeometry>, std::shared_ptr<RenderableCircle>,
               boost::noncopyable>("RenderableCircle",
                                   "The outline of a circle (made by ComponentFactory as \"RenderableCircle\").",
                                   py::no_init)
        .def(parametersOf(ParameterTable::COMPONENT, "RenderableCircle"))
        .def("update", &RenderableCircle::update, "update(bound): Takes the shape of another circle.");
    collectCyclesThroughHeld<RenderableCircle>();
}

void exportSlot()
{
    py::class_<RenderSlot, PythonSlot, boost::noncopyable>(
        "Slot",
        "Decides whether a renderable is drawn: subclass it, define __call__(renderable) to answer True or False, "
        "and connect it to renderables.",
        py::init<>("Slot(): A slot connected to nothing yet."))
        .def("disconnect", &RenderSlot::disconnect, "disconnect(): Leaves every renderable it is connected to.");
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
