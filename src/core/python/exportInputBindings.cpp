// Key, mouse and window events, their listeners (subclassed by scripts) and the
// input manager, which scripts reach only to add and remove listeners.

#include "core/InputManager.h"
#include "core/python/Bindings.h"
#include "core/python/CycleCollection.h"
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
    py::class_<KeyEvent, py::bases<Event>, std::shared_ptr<KeyEvent>, boost::noncopyable> keyEvent(
        "KeyEvent",
        "A key pressed or released: key is one of KeyEvent's KEY_ names (KEY_LEFT, KEY_SPACE, KEY_A, ...), "
        "state KEY_PRESSED or KEY_RELEASED.",
        py::no_init);
    addEventType(keyEvent, &KeyEvent::TYPE);
    collectCyclesThroughHeld<KeyEvent>();
    {
        py::scope inside = keyEvent;
        py::enum_<KeyEvent::KeyType> keyTypes("KeyType", "The keys, also reachable as KeyEvent.KEY_...");
        for (const NamedKey& named : NAMED_KEYS)
            keyTypes.value(named.name, named.key);
        keyTypes.export_values();
        py::enum_<KeyEvent::KeyState>("KeyState", "Whether a key went down (KEY_PRESSED) or up (KEY_RELEASED).")
            .value("KEY_PRESSED", KeyEvent::KEY_PRESSED)
            .value("KEY_RELEASED", KeyEvent::KEY_RELEASED)
            .export_values();
    }
    keyEvent.add_property("key", &KeyEvent::getKey, "The key, a KeyEvent.KEY_... value.")
        .add_property("state", &KeyEvent::getState, "KEY_PRESSED or KEY_RELEASED.")
        .def("getKeyName", &KeyEvent::getKeyName,
             "getKeyName(key): The key's name (\"space\", \"left shift\"), or \"unknown key\".")
        .staticmethod("getKeyName");

    py::class_<KeyListener, py::bases<EventListener>, PythonKeyListener, boost::noncopyable>(
        "KeyListener",
        "Hears keys: subclass it, define keyPressed and keyReleased, and add it to "
        "InputManager.getSingleton(); the script keeps it alive.",
        py::init<>("KeyListener(): A listener of key events."))
        .def("keyPressed", &ignoreEvent<KeyListener, KeyEvent>,
             "keyPressed(event): Called when a key goes down; does nothing unless a subclass defines it.")
        .def("keyReleased", &ignoreEvent<KeyListener, KeyEvent>,
             "keyReleased(event): Called when a key comes up; does nothing unless a subclass defines it.");
}

void exportMouse()
{
    py::class_<MouseEvent, py::bases<Event>, std::shared_ptr<MouseEvent>, boost::noncopyable> mouseEvent(
        "MouseEvent",
        "A mouse button pressed or released, or the mouse moved, at a window position in pixels (origin top left, "
        "y down; a Camera's convertPosition gives the world point).",
        py::no_init);
    addEventType(mouseEvent, &MouseEvent::TYPE);
    collectCyclesThroughHeld<MouseEvent>();
    {
        py::scope inside = mouseEvent;
        py::enum_<MouseEvent::MouseState>("MouseState",
                                          "MOUSE_PRESSED, MOUSE_RELEASED (a button) or MOUSE_MOTION.")
            .value("MOUSE_PRESSED", MouseEvent::MOUSE_PRESSED)
            .value("MOUSE_RELEASED", MouseEvent::MOUSE_RELEASED)
            .value("MOUSE_MOTION", MouseEvent::MOUSE_MOTION)
            .export_values();
    }
    mouseEvent.add_property("state", &MouseEvent::getState, "MOUSE_PRESSED, MOUSE_RELEASED or MOUSE_MOTION.")
        .add_property("x", &MouseEvent::getX, "The window column in pixels, from the left.")
        .add_property("y", &MouseEvent::getY, "The window row in pixels, from the top.")
        .add_property("dx", &MouseEvent::getDx, "How far the mouse moved right, in pixels (0 for buttons).")
        .add_property("dy", &MouseEvent::getDy, "How far the mouse moved down, in pixels (0 for buttons).")
        .add_property("button", &MouseEvent::getButton, "The button: 1 left, 2 middle, 3 right (0 for motion).");

    using Ignore = void (*)(MouseListener&, const std::shared_ptr<MouseEvent>&);
    const Ignore ignore = &ignoreEvent<MouseListener, MouseEvent>;
    py::class_<MouseListener, py::bases<EventListener>, PythonMouseListener, boost::noncopyable>(
        "MouseListener",
        "Hears the mouse: subclass it, define its methods, and add it to InputManager.getSingleton(); "
        "the script keeps it alive.",
        py::init<>("MouseListener(): A listener of mouse events."))
        .def("mousePressed", ignore,
             "mousePressed(event): Called when a button goes down; does nothing unless a subclass defines it.")
        .def("mouseReleased", ignore,
             "mouseReleased(event): Called when a button comes up; does nothing unless a subclass defines it.")
        .def("mouseMoved", ignore,
             "mouseMoved(event): Called when the mouse moves; does nothing unless a subclass defines it.");
}

void exportWindow()
{
    py::class_<WindowEvent, py::bases<Event>, std::shared_ptr<WindowEvent>, boost::noncopyable> windowEvent(
        "WindowEvent", "The window was minimised or restored, or gained or lost the input or mouse focus.",
        py::no_init);
    addEventType(windowEvent, &WindowEvent::TYPE);
    collectCyclesThroughHeld<WindowEvent>();
    {
        py::scope inside = windowEvent;
        py::enum_<WindowEvent::WindowState>("WindowState", "What happened to the window.")
            .value("WINDOW_DEICONIFIED", WindowEvent::WINDOW_DEICONIFIED)
            .value("WINDOW_ICONIFIED", WindowEvent::WINDOW_ICONIFIED)
            .value("WINDOW_GAINED_INPUT_FOCUS", WindowEvent::WINDOW_GAINED_INPUT_FOCUS)
            .value("WINDOW_LOST_INPUT_FOCUS", WindowEvent::WINDOW_LOST_INPUT_FOCUS)
            .value("WINDOW_GAINED_MOUSE_FOCUS", WindowEvent::WINDOW_GAINED_MOUSE_FOCUS)
            .value("WINDOW_LOST_MOUSE_FOCUS", WindowEvent::WINDOW_LOST_MOUSE_FOCUS)
            .export_values();
    }
    windowEvent.add_property("state", &WindowEvent::getState, "What happened, a WindowState value.");

    using Ignore = void (*)(WindowListener&, const std::shared_ptr<WindowEvent>&);
    const Ignore ignore = &ignoreEvent<WindowListener, WindowEvent>;
    py::class_<WindowListener, py::bases<EventListener>, PythonWindowListener, boost::noncopyable>(
        "WindowListener",
        "Hears what happens to the window: subclass it, define its methods, and add it to "
        "InputManager.getSingleton(); the script keeps it alive.",
        py::init<>("WindowListener(): A listener of window events."))
        .def("windowIconified", ignore,
             "windowIconified(event): Called when the window is minimised; does nothing unless a subclass defines it.")
        .def("windowDeiconified", ignore,
             "windowDeiconified(event): Called when the window is restored; does nothing unless a subclass defines it.")
        .def("windowInputFocusGained", ignore,
             "windowInputFocusGained(event): Called when the window gains the keyboard; does nothing unless a subclass "
             "defines it.")
        .def("windowInputFocusLost", ignore,
             "windowInputFocusLost(event): Called when the window loses the keyboard; does nothing unless a subclass "
             "defines it.")
        .def("windowMouseFocusGained", ignore,
             "windowMouseFocusGained(event): Called when the mouse enters the window; does nothing unless a subclass "
             "defines it.")
        .def("windowMouseFocusLost", ignore,
             "windowMouseFocusLost(event): Called when the mouse leaves the window; does nothing unless a subclass "
             "defines it.");
}

void exportInputManager()
{
    // Listener registration is inherited: a reference kept past Root.shutdown raises
    // through the base class's methods too (LiveSingleton.h).
    py::class_<InputManager, py::bases<ProtectedEventManager>, boost::noncopyable>(
        "InputManager", "Sends key, mouse and window events to the listeners added to it.", py::no_init)
        .def("getSingleton", &getLiveSingleton<InputManager>,
             "getSingleton(): The engine's input manager, or None before Root.initialize and after Root.shutdown.")
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
