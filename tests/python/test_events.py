"""Events and event managers from a script: Python listeners and events, who
receives what in which order, identity of Python events, and lifetimes."""

import gc
import weakref

from tarnu import Event, EventListener, EventManager, LogManager, ProtectedEventManager


class Recorder(EventListener):
    """Appends (name, event) to a shared list, then runs an optional action."""

    def __init__(self, eventType, received, name, action=None):
        EventListener.__init__(self, eventType)
        self.received, self.name, self.action = received, name, action

    def handleEvent(self, event):
        self.received.append((self.name, event))
        if self.action:
            self.action()


def listen(manager, eventType, received, *names):
    """Recorders added to the manager; the caller must keep them alive, as a script must."""
    listeners = [Recorder(eventType, received, name) for name in names]
    for listener in listeners:
        manager.addEventListener(listener)
    return listeners


class Tagged(Event):
    def __init__(self, eventType, eventTime, tag):
        Event.__init__(self, eventType, eventTime)
        self.tag = tag


def test_python_events_arrive_as_themselves_in_time_order_and_are_released():
    received, manager = [], EventManager()
    listeners = listen(manager, 4, received, "a", "b") + listen(manager, 8, received, "other type")
    posted = Tagged(4, 1.5, "posted")
    manager.postEvent(posted)
    assert [name for name, _ in received] == ["a", "b"] and all(got is posted for _, got in received)
    received.clear()
    queued = [Tagged(4, time, tag) for time, tag in
              [(3.0, "late"), (1.0, "early"), (0.0, "now"), (2.0, "middle"), (9.0, "p")]]
    alive = [weakref.ref(event) for event in queued]
    for event in queued:
        manager.queueEvent(event)
    del queued, event
    gc.collect()
    # Time 0 releases what is due at 0; only a negative time releases everything.
    manager.dispatchEvents(0.0)
    assert [(type(got), got.tag) for _, got in received[::2]] == [(Tagged, "now")]
    manager.dispatchEvents(2.0)
    assert [got.tag for _, got in received[::2]] == ["now", "early", "middle"]
    manager.dispatchEvents(3.0)
    assert [got.tag for _, got in received[::2]] == ["now", "early", "middle", "late"]
    received.clear()
    gc.collect()
    assert [ref() is None for ref in alive] == [True, True, True, True, False]
    del manager
    gc.collect()
    assert alive[4]() is None


def test_listener_dropped_by_another_listener_during_a_delivery_is_not_called_afterwards():
    received, manager = [], EventManager()
    listeners = listen(manager, 5, received, "dropper", "victim", "after")

    def drop_victim():
        listeners[:] = [listener for listener in listeners if listener.name != "victim"]
        gc.collect()

    listeners[0].action = drop_victim
    manager.postEvent(Event(5, 0.0))
    manager.postEvent(Event(5, 0.0))
    assert [name for name, _ in received] == ["dropper", "after", "dropper", "after"]


def test_managers_and_listeners_do_not_keep_each_other_alive_and_none_does_nothing():
    received, manager, other, protected = [], EventManager(), EventManager(), ProtectedEventManager()
    listener, dropped = listen(manager, 2, received, "a", "dropped")
    for call in (manager.postEvent, manager.queueEvent, manager.addEventListener, manager.removeEventListener,
                 protected.addEventListener, protected.removeEventListener):
        call(None)
    manager.dispatchEvents(-1)
    assert received == []
    other.addEventListener(dropped)
    dead = weakref.ref(dropped)
    del dropped
    gc.collect()
    assert dead() is None
    del manager
    gc.collect()
    listener.removeFromAllDispatchers()
    other.addEventListener(listener)
    other.postEvent(Event(2, 0.0))
    assert [name for name, _ in received] == ["a"]


def test_raising_listener_without_a_log_manager_prints_and_the_others_still_run(capsys):
    assert LogManager.getSingleton() is None

    def fail():
        raise ValueError("listener failed")

    received, manager, raising = [], EventManager(), Recorder(8, [], "raising", fail)
    manager.addEventListener(raising)
    listeners = listen(manager, 8, received, "after")
    manager.postEvent(Event(8, 0.0))
    manager.queueEvent(Event(8, 1.0))
    manager.dispatchEvents(-1)
    assert [name for name, _ in received] == ["after", "after"]
    err = capsys.readouterr().err
    assert err.count("ValueError: listener failed") == 2 and "Traceback" in err
