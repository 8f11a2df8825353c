// Key, mouse and window events, their listeners (subclassed by scripts) and the
// input manager, which scripts reach only to add and remove listeners.

#include "core/InputManager.h"
#include "core/python/Bindings.h"
#include "core/python/EventTypeProperty.h"
#include "core/python/InputBridges.h"
#include "core/python/LiveSingleton.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

void exportKeys()
{
    py::class_<KeyEvent, py::bases<Event>, std::shared_ptr<KeyEvent>, boost::noncopyable> keyEvent("KeyEvent",
                                                                                                  py::no_init);
    addEventType(keyEvent, &KeyEvent::TYPE);
    {
        py::scope inside = keyEvent;
        py::enum_<KeyEvent::KeyType> keyTypes("KeyType");
        for (const NamedKey& named : NAMED_KEYS)
            keyTypes.value(named.name, named.key);
        keyTypes.export_values();
        py::enum_<KeyEvent::KeyState>("KeyState")
            .value("KEY_PRESSED", KeyEvent::KEY_PRESSED)
            .value("KEY_RELEASED", KeyEvent::KEY_RELEASED)
            .export_values();
    }
    keyEvent.add_property("key", &KeyEvent::getKey)
        .add_property("state", &KeyEvent::getState)
        .def("getKeyName", &KeyEvent::getKeyName)
        .staticmethod("getKeyName");

    py::class_<KeyListener, py::bases<EventListener>, PythonKeyListener, boost::noncopyable>("KeyListener")
        .def("keyPressed", &ignoreEvent<KeyListener, KeyEvent>)
        .def("keyReleased", &ignoreEvent<KeyListener, KeyEvent>);
}

void exportMouse()
{
    py::class_<MouseEvent, py::bases<Event>, std::shared_ptr<MouseEvent>, boost::noncopyable> mouseEvent(
        "MouseEvent", py::no_init);
    addEventType(mouseEvent, &MouseEvent::TYPE);
    {
        py::scope inside = mouseEvent;
        py::enum_<MouseEvent::MouseState>("MouseState")
            .value("MOUSE_PRESSED", MouseEvent::MOUSE_PRESSED)
            .value("MOUSE_RELEASED", MouseEvent::MOUSE_RELEASED)
            .value("MOUSE_MOTION", MouseEvent::MOUSE_MOTION)
            .export_values();
    }
    mouseEvent.add_property("state", &MouseEvent::getState)
        .add_property("x", &MouseEvent::getX)
        .add_property("y", &MouseEvent::getY)
        .add_property("dx", &MouseEvent::getDx)
        .add_property("dy", &MouseEvent::getDy)
        .add_property("button", &MouseEvent::getButton);

    using Ignore = void (*)(MouseListener&, const std::shared_ptr<MouseEvent>&);
    const Ignore ignore = &ignoreEvent<MouseListener, MouseEvent>;
    py::class_<MouseListener, py::bases<EventListener>, PythonMouseListener, boost::noncopyable>("MouseListener")
        .def("mousePressed", ignore)
        .def("mouseReleased", ignore)
        .def("mouseMoved", ignore);
}

void exportWindow()
{
    py::class_<WindowEvent, py::bases<Event>, std::shared_ptr<WindowEvent>, boost::noncopyable> windowEvent(
        "WindowEvent", py::no_init);
    addEventType(windowEvent, &WindowEvent::TYPE);
    {
        py::scope inside = windowEvent;
        py::enum_<WindowEvent::WindowState>("WindowState")
            .value("WINDOW_DEICONIFIED", WindowEvent::WINDOW_DEICONIFIED)
            .value("WINDOW_ICONIFIED", WindowEvent::WINDOW_ICONIFIED)
            .value("WINDOW_GAINED_INPUT_FOCUS", WindowEvent::WINDOW_GAINED_INPUT_FOCUS)
            .value("WINDOW_LOST_INPUT_FOCUS", WindowEvent::WINDOW_LOST_INPUT_FOCUS)
            .value("WINDOW_GAINED_MOUSE_FOCUS", WindowEvent::WINDOW_GAINED_MOUSE_FOCUS)
            .value("WINDOW_LOST_MOUSE_FOCUS", WindowEvent::WINDOW_LOST_MOUSE_FOCUS)
            .export_values();
    }
    windowEvent.add_property("state", &WindowEvent::getState);

    using Ignore = void (*)(WindowListener&, const std::shared_ptr<WindowEvent>&);
    const Ignore ignore = &ignoreEvent<WindowListener, WindowEvent>;
    py::class_<WindowListener, py::bases<EventListener>, PythonWindowListener, boost::noncopyable>("WindowListener")
        .def("windowIconified", ignore)
        .def("windowDeiconified", ignore)
        .def("windowInputFocusGained", ignore)
        .def("windowInputFocusLost", ignore)
        .def("windowMouseFocusGained", ignore)
        .def("windowMouseFocusLost", ignore);
}

void exportInputManager()
{
    // Listener registration is inherited: a reference kept past Root.shutdown raises
    // through the base class's methods too (LiveSingleton.h).
    py::class_<InputManager, py::bases<ProtectedEventManager>, boost::noncopyable>("InputManager", py::no_init)
        .def("getSingleton", &getLiveSingleton<InputManager>)
        .staticmethod("getSingleton");
}

}

void exportInputBindings()
{
    exportKeys();
    exportMouse();
    exportWindow();
    exportInputManager();
}

}
