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


def named_keys():
    """The 122 key names with their numbers, in ascending order."""
    def run(first, names):
        return [(name, first + offset) for offset, name in enumerate(names)]
    keys = run(8, ["BACKSPACE", "TAB"]) + [("CLEAR", 12), ("RETURN", 13), ("PAUSE", 19),
                                            ("ESCAPE", 27)]
    keys += run(32, ["SPACE", "EXCLAIMATION", "QUOTE", "POUND", "DOLLAR"])
    keys += run(38, ["AMPERSAND", "APOSTROPHE", "LEFTPAREN", "RIGHTPAREN", "ASTERISK", "PLUS",
                     "COMMA", "MINUS", "PERIOD", "SLASH"] + [str(d) for d in range(10)]
                + ["COLON", "SEMICOLON", "LESS", "EQUALS", "GREATER", "QUESTION", "AT"])
    keys += run(91, ["LEFTBRACKET", "BACKSLASH", "RIGHTBRACKET", "CARET", "UNDERSCORE", "GRAVE"]
                + [chr(c) for c in range(ord("A"), ord("Z") + 1)])
    keys += [("DELETE", 127)]
    keys += run(256, ["KP%d" % d for d in range(10)]
                + ["KP_PERIOD", "KP_DIVIDE", "KP_MULTIPLY", "KP_MINUS", "KP_PLUS", "KP_ENTER",
                   "KP_EQUALS", "UP", "DOWN", "RIGHT", "LEFT", "INSERT", "HOME", "END", "PGUP",
                   "PGDN"] + ["F%d" % n for n in range(1, 16)])
    keys += run(300, ["NUMLOCK", "CAPSLOCK", "SCROLLLOCK", "RSHIFT", "LSHIFT", "RCTRL", "LCTRL",
                      "RALT", "LALT"])
    keys += [("PRINT", 316)]
    return [("KEY_" + name, number) for name, number in keys]


STATES = {
    KeyEvent: ("KeyState", [("KEY_PRESSED", 2), ("KEY_RELEASED", 3)]),
    MouseEvent: ("MouseState", [("MOUSE_PRESSED", 0), ("MOUSE_RELEASED", 1), ("MOUSE_MOTION", 2)]),
    WindowEvent: ("WindowState", [("WINDOW_DEICONIFIED", 0), ("WINDOW_ICONIFIED", 1),
                                  ("WINDOW_GAINED_INPUT_FOCUS", 2), ("WINDOW_LOST_INPUT_FOCUS", 3),
                                  ("WINDOW_GAINED_MOUSE_FOCUS", 4), ("WINDOW_LOST_MOUSE_FOCUS", 5)]),
}
PROPERTIES = {
    KeyEvent: ["key", "state"],
    MouseEvent: ["state", "x", "y", "dx", "dy", "button"],
    WindowEvent: ["state"],
}
LISTENER_METHODS = {
    KeyListener: ["keyPressed", "keyReleased"],
    MouseListener: ["mousePressed", "mouseReleased", "mouseMoved"],
    WindowListener: ["windowIconified", "windowDeiconified", "windowInputFocusGained",
                     "windowInputFocusLost", "windowMouseFocusGained", "windowMouseFocusLost"],
}
EVENT_OF = {KeyListener: KeyEvent, MouseListener: MouseEvent, WindowListener: WindowEvent}


def test_classes_sit_on_the_core_classes():
    for event in (KeyEvent, MouseEvent, WindowEvent):
        assert issubclass(event, Event)
    for listener in (KeyListener, MouseListener, WindowListener):
        assert issubclass(listener, EventListener)
    assert issubclass(InputManager, ProtectedEventManager) and not issubclass(InputManager, EventManager)
    for name in ["postEvent", "queueEvent", "dispatchEvents"]:
        assert not hasattr(InputManager, name)


def test_type_numbers_follow_the_timer_event_and_are_read_only():
    assert [KeyEvent.TYPE, MouseEvent.TYPE, WindowEvent.TYPE] == [TimerEvent.TYPE + n for n in (1, 2, 3)]
    with pytest.raises(AttributeError):
        KeyEvent.TYPE = 99
    assert KeyEvent.TYPE == TimerEvent.TYPE + 1


def test_key_types_are_registered_in_order_with_their_numbers_and_exported():
    expected = named_keys()
    assert len(expected) == 122
    assert [(name, int(value)) for name, value in KeyEvent.KeyType.names.items()] == expected
    assert list(KeyEvent.KeyType.values) == [number for _, number in expected]
    for name, number in expected:
        assert getattr(KeyEvent, name) is getattr(KeyEvent.KeyType, name) and getattr(KeyEvent, name) == number
    assert not hasattr(KeyEvent, "KEY_EXCLAMATION")


@pytest.mark.parametrize("cls", list(STATES), ids=lambda cls: cls.__name__)
def test_state_enumerations_live_in_their_class_with_values_exported(cls):
    enum_name, expected = STATES[cls]
    enum = getattr(cls, enum_name)
    assert [(name, int(value)) for name, value in enum.names.items()] == expected
    for name, number in expected:
        assert getattr(cls, name) is getattr(enum, name) and getattr(cls, name) == number
        assert not hasattr(tarnu, name)
    assert not hasattr(tarnu, enum_name)


def test_key_names_are_sdl_1_2s_and_only_key_types_are_accepted():
    assert KeyEvent.getKeyName(KeyEvent.KEY_SPACE) == "space"
    assert KeyEvent.getKeyName(KeyEvent.KEY_LSHIFT) == "left shift"
    assert KeyEvent.getKeyName(KeyEvent.KEY_KP0) == "[0]"
    assert KeyEvent.getKeyName(KeyEvent.KEY_PGUP) == "page up"
    assert KeyEvent.getKeyName(KeyEvent.KEY_EXCLAIMATION) == "!"
    assert KeyEvent.getKeyName(KeyEvent.KEY_F15) == "f15"
    for name, _ in named_keys():
        assert KeyEvent.getKeyName(getattr(KeyEvent, name)) not in ("", "unknown key"), name
    with pytest.raises(TypeError):
        KeyEvent.getKeyName(32)


@pytest.mark.parametrize("cls", list(PROPERTIES), ids=lambda cls: cls.__name__)
def test_event_values_are_read_only_properties(cls):
    for name in PROPERTIES[cls]:
        value = cls.__dict__[name]
        assert isinstance(value, property) and value.fset is None, name


@pytest.mark.parametrize("cls", [KeyEvent, MouseEvent, WindowEvent, InputManager],
                         ids=lambda cls: cls.__name__)
def test_events_and_the_manager_cannot_be_made_by_scripts(cls):
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        cls()


def test_there_is_no_input_manager_without_a_root():
    assert InputManager.getSingleton() is None


@pytest.mark.parametrize("cls", list(LISTENER_METHODS), ids=lambda cls: cls.__name__)
def test_base_listener_methods_do_nothing_and_listen_to_their_event_type(cls):
    listener = cls()
    assert listener.eventType == EVENT_OF[cls].TYPE
    for name in LISTENER_METHODS[cls]:
        assert getattr(listener, name)(None) is None

