"""What a game script sees of input: the event classes with their enumerations
and read-only values, the listener classes it subclasses, and the input
manager. Delivery of real SDL input is covered by test_root.py and C++ tests."""

import pytest

import tarnu
from tarnu import (Event, EventListener, EventManager, InputManager, KeyEvent, KeyListener,
                   MouseEvent, MouseListener, ProtectedEventManager, TimerEvent, WindowEvent,
                   WindowListener)


# Per event class: its state enumeration with the values, and its read-only properties.
EVENTS = {
    KeyEvent: ("KeyState", [("KEY_PRESSED", 2), ("KEY_RELEASED", 3)], ["key", "state"]),
    MouseEvent: ("MouseState", [("MOUSE_PRESSED", 0), ("MOUSE_RELEASED", 1), ("MOUSE_MOTION", 2)],
                 ["state", "x", "y", "dx", "dy", "button"]),
    WindowEvent: ("WindowState", [("WINDOW_DEICONIFIED", 0), ("WINDOW_ICONIFIED", 1),
                                  ("WINDOW_GAINED_INPUT_FOCUS", 2), ("WINDOW_LOST_INPUT_FOCUS", 3),
                                  ("WINDOW_GAINED_MOUSE_FOCUS", 4), ("WINDOW_LOST_MOUSE_FOCUS", 5)], ["state"]),
}
# Per event class: its listener class and the methods a script overrides.
LISTENERS = {
    KeyEvent: (KeyListener, ["keyPressed", "keyReleased"]),
    MouseEvent: (MouseListener, ["mousePressed", "mouseReleased", "mouseMoved"]),
    WindowEvent: (WindowListener, ["windowIconified", "windowDeiconified", "windowInputFocusGained",
                                   "windowInputFocusLost", "windowMouseFocusGained", "windowMouseFocusLost"]),
}


def test_manager_is_protected_and_type_numbers_follow_the_timer_event():
    assert issubclass(InputManager, ProtectedEventManager) and not issubclass(InputManager, EventManager)
    assert [name for name in ("postEvent", "queueEvent", "dispatchEvents") if hasattr(InputManager, name)] == []
    assert InputManager.getSingleton() is None
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        InputManager()
    assert [KeyEvent.TYPE, MouseEvent.TYPE, WindowEvent.TYPE] == [TimerEvent.TYPE + n for n in (1, 2, 3)]
    with pytest.raises(AttributeError):
        KeyEvent.TYPE = 99


def test_key_types_are_registered_in_ascending_order_with_their_numbers_and_named():
    keys = [(name, int(value)) for name, value in KeyEvent.KeyType.names.items()]
    assert len(keys) == 122 and [number for _, number in keys] == sorted(number for _, number in keys)
    sample = [("BACKSPACE", 8), ("CLEAR", 12), ("EXCLAIMATION", 33), ("0", 48), ("LEFTBRACKET", 91), ("A", 97),
              ("DELETE", 127), ("KP0", 256), ("KP_EQUALS", 272), ("F15", 296), ("NUMLOCK", 300), ("PRINT", 316)]
    assert [name for name, number in sample if getattr(KeyEvent, "KEY_" + name) != number] == []
    names = {"SPACE": "space", "LSHIFT": "left shift", "KP0": "[0]", "PGUP": "page up", "EXCLAIMATION": "!"}
    assert {key: KeyEvent.getKeyName(getattr(KeyEvent, "KEY_" + key)) for key in names} == names
    with pytest.raises(TypeError):
        KeyEvent.getKeyName(32)


@pytest.mark.parametrize("cls", list(EVENTS), ids=lambda cls: cls.__name__)
def test_event_classes_hold_their_states_and_read_only_values_and_have_listeners_that_do_nothing(cls):
    enum_name, states, properties = EVENTS[cls]
    enum = getattr(cls, enum_name)
    assert [(name, int(value)) for name, value in enum.names.items()] == states
    for name, number in states:
        assert getattr(cls, name) is getattr(enum, name) and getattr(cls, name) == number
        assert not hasattr(tarnu, name)
    assert not hasattr(tarnu, enum_name) and issubclass(cls, Event)
    assert [name for name in properties if cls.__dict__[name].fset is not None] == []
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        cls()
    listener_class, methods = LISTENERS[cls]
    listener = listener_class()
    assert isinstance(listener, EventListener) and listener.eventType == cls.TYPE
    assert [getattr(listener, name)(None) for name in methods] == [None] * len(methods)
