"""What a game script sees of input: the event classes with their enumerations
and read-only values, the listener classes it subclasses, and the input
manager, which it reaches only to add and remove listeners. Delivery of real
SDL input to Python listeners is covered by the C++ tests (InputPython*) and
the root's end-to-end tests."""

import pytest

import tarnu
from tarnu import (Event, EventListener, EventManager, InputManager, KeyEvent, KeyListener,
                   MouseEvent, MouseListener, ProtectedEventManager, TimerEvent, WindowEvent,
                   WindowListener)


# The 122 key names in ascending order; "number:" restarts the count at that number.
KEYS = """8:BACKSPACE TAB 12:CLEAR RETURN 19:PAUSE 27:ESCAPE 32:SPACE EXCLAIMATION QUOTE POUND DOLLAR
    38:AMPERSAND APOSTROPHE LEFTPAREN RIGHTPAREN ASTERISK PLUS COMMA MINUS PERIOD SLASH 0 1 2 3 4 5 6 7 8 9
    COLON SEMICOLON LESS EQUALS GREATER QUESTION AT 91:LEFTBRACKET BACKSLASH RIGHTBRACKET CARET UNDERSCORE GRAVE
    A B C D E F G H I J K L M N O P Q R S T U V W X Y Z 127:DELETE 256:KP0 KP1 KP2 KP3 KP4 KP5 KP6 KP7 KP8 KP9
    KP_PERIOD KP_DIVIDE KP_MULTIPLY KP_MINUS KP_PLUS KP_ENTER KP_EQUALS UP DOWN RIGHT LEFT INSERT HOME END PGUP PGDN
    F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 F13 F14 F15
    300:NUMLOCK CAPSLOCK SCROLLLOCK RSHIFT LSHIFT RCTRL LCTRL RALT LALT 316:PRINT"""


def named_keys():
    keys, number = [], None
    for word in KEYS.split():
        start, _, name = word.rpartition(":")
        number = int(start) if start else number + 1
        keys.append(("KEY_" + name, number))
    return keys


# Per event class: its state enumeration with the values, and its read-only properties.
EVENTS = {
    KeyEvent: ("KeyState", [("KEY_PRESSED", 2), ("KEY_RELEASED", 3)], ["key", "state"]),
    MouseEvent: ("MouseState", [("MOUSE_PRESSED", 0), ("MOUSE_RELEASED", 1), ("MOUSE_MOTION", 2)],
                 ["state", "x", "y", "dx", "dy", "button"]),
    WindowEvent: ("WindowState", [("WINDOW_DEICONIFIED", 0), ("WINDOW_ICONIFIED", 1),
                                  ("WINDOW_GAINED_INPUT_FOCUS", 2), ("WINDOW_LOST_INPUT_FOCUS", 3),
                                  ("WINDOW_GAINED_MOUSE_FOCUS", 4), ("WINDOW_LOST_MOUSE_FOCUS", 5)], ["state"]),
}
# Per listener class: its event class and the methods a script overrides.
LISTENERS = {
    KeyListener: (KeyEvent, ["keyPressed", "keyReleased"]),
    MouseListener: (MouseEvent, ["mousePressed", "mouseReleased", "mouseMoved"]),
    WindowListener: (WindowEvent, ["windowIconified", "windowDeiconified", "windowInputFocusGained",
                                   "windowInputFocusLost", "windowMouseFocusGained", "windowMouseFocusLost"]),
}


def test_manager_is_protected_and_unreachable_without_a_root():
    assert issubclass(InputManager, ProtectedEventManager) and not issubclass(InputManager, EventManager)
    assert [name for name in ("postEvent", "queueEvent", "dispatchEvents") if hasattr(InputManager, name)] == []
    assert InputManager.getSingleton() is None
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        InputManager()


def test_type_numbers_follow_the_timer_event_and_are_read_only():
    assert [KeyEvent.TYPE, MouseEvent.TYPE, WindowEvent.TYPE] == [TimerEvent.TYPE + n for n in (1, 2, 3)]
    with pytest.raises(AttributeError):
        KeyEvent.TYPE = 99
    assert KeyEvent.TYPE == TimerEvent.TYPE + 1


def test_key_types_are_registered_in_order_with_their_numbers_and_named():
    expected = named_keys()
    assert len(expected) == 122
    assert [(name, int(value)) for name, value in KeyEvent.KeyType.names.items()] == expected
    assert list(KeyEvent.KeyType.values) == [number for _, number in expected]
    for name, number in expected:
        assert getattr(KeyEvent, name) is getattr(KeyEvent.KeyType, name) and getattr(KeyEvent, name) == number
    assert not hasattr(KeyEvent, "KEY_EXCLAMATION")
    names = {"SPACE": "space", "LSHIFT": "left shift", "KP0": "[0]", "PGUP": "page up", "EXCLAIMATION": "!",
             "F15": "f15"}
    assert {key: KeyEvent.getKeyName(getattr(KeyEvent, "KEY_" + key)) for key in names} == names
    with pytest.raises(TypeError):
        KeyEvent.getKeyName(32)


@pytest.mark.parametrize("cls", list(EVENTS), ids=lambda cls: cls.__name__)
def test_event_classes_hold_their_states_and_read_only_values_and_cannot_be_made(cls):
    enum_name, states, properties = EVENTS[cls]
    enum = getattr(cls, enum_name)
    assert [(name, int(value)) for name, value in enum.names.items()] == states
    for name, number in states:
        assert getattr(cls, name) is getattr(enum, name) and getattr(cls, name) == number
        assert not hasattr(tarnu, name)
    assert not hasattr(tarnu, enum_name)
    for name in properties:
        value = cls.__dict__[name]
        assert isinstance(value, property) and value.fset is None, name
    assert issubclass(cls, Event)
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        cls()


@pytest.mark.parametrize("cls", list(LISTENERS), ids=lambda cls: cls.__name__)
def test_base_listener_methods_do_nothing_and_listen_to_their_event_type(cls):
    event, methods = LISTENERS[cls]
    listener = cls()
    assert isinstance(listener, EventListener) and listener.eventType == event.TYPE
    for name in methods:
        assert getattr(listener, name)(None) is None
