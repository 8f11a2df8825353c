"""Events and event managers from a script: Python listeners and events, who
receives what in which order, identity of Python events, and lifetimes."""

import gc
import weakref

import pytest

from tarnu import (Event, EventListener, EventManager, FactoryEvent, LogManager,
                   ParameterList, ProtectedEventManager)


class Recorder(EventListener):
    """Appends (name, event) to its inbox, then runs an optional action."""

    def __init__(self, eventType, inbox, name, action=None):
        EventListener.__init__(self, eventType)
        self.inbox = inbox
        self.name = name
        self.action = action

    def handleEvent(self, event):
        self.inbox.received.append((self.name, event))
        if self.action:
            self.action(self)


class Inbox:
    """What a group of recorders received; it keeps them alive, as a script must."""

    def __init__(self):
        self.received = []
        self.listeners = []

    def listen(self, manager, eventType, *names):
        for name in names:
            self.listeners.append(Recorder(eventType, self, name))
            manager.addEventListener(self.listeners[-1])
        return self.listeners[-len(names):]

    def names(self):
        return [name for name, _ in self.received]

    def events(self):
        return [event for _, event in self.received]


class TaggedEvent(Event):
    def __init__(self, eventType, eventTime, tag):
        Event.__init__(self, eventType, eventTime)
        self.tag = tag


class Spawn(FactoryEvent):
    def __init__(self, eventType, eventTime, what="default"):
        FactoryEvent.__init__(self, eventType, eventTime)
        self.what = what

    def createNew(self, params):
        return Spawn(self.eventType, 0.0, params.get("what"))

    def createCopy(self, time):
        return Spawn(self.eventType, time, self.what)


class Bare(FactoryEvent):
    pass


class TestDelivery:
    def test_posted_python_event_arrives_as_the_same_object(self):
        inbox, manager = Inbox(), EventManager()
        inbox.listen(manager, 7, "a", "b")
        inbox.listen(manager, 8, "other type")
        event = TaggedEvent(7, 1.5, "mine")
        manager.postEvent(event)
        assert inbox.names() == ["a", "b"]
        assert all(got is event and got.tag == "mine" for got in inbox.events())

    def test_queued_events_dropped_by_the_script_arrive_in_time_order_as_their_own_objects(self):
        inbox, manager = Inbox(), EventManager()
        inbox.listen(manager, 4, "a")
        for time, tag in [(3.0, "late"), (1.0, "early"), (2.0, "middle")]:
            manager.queueEvent(TaggedEvent(4, time, tag))
        gc.collect()
        manager.dispatchEvents(2.0)
        assert [(type(got), got.tag) for got in inbox.events()] == [(TaggedEvent, "early"), (TaggedEvent, "middle")]
        manager.dispatchEvents(-1)
        assert [got.tag for got in inbox.events()] == ["early", "middle", "late"]

    def test_events_are_released_after_dispatch_and_with_their_manager(self):
        manager = EventManager()
        delivered, pending = TaggedEvent(4, 0.0, "d"), TaggedEvent(4, 9.0, "p")
        delivered_ref, pending_ref = weakref.ref(delivered), weakref.ref(pending)
        manager.queueEvent(delivered)
        manager.queueEvent(pending)
        del delivered, pending
        manager.dispatchEvents(1.0)
        gc.collect()
        assert delivered_ref() is None and pending_ref() is not None
        del manager
        gc.collect()
        assert pending_ref() is None

    def test_method_assigned_to_the_instance_is_the_one_called(self):
        inbox, manager = Inbox(), EventManager()
        listener, = inbox.listen(manager, 1, "class")
        listener.handleEvent = lambda event: inbox.received.append(("instance", event))
        manager.postEvent(Event(1, 0.0))
        assert inbox.names() == ["instance"]

    def test_none_is_accepted_and_does_nothing(self):
        inbox, manager = Inbox(), EventManager()
        inbox.listen(manager, 1, "a")
        manager.postEvent(None)
        manager.queueEvent(None)
        manager.addEventListener(None)
        manager.removeEventListener(None)
        manager.dispatchEvents(-1)
        protected = ProtectedEventManager()
        protected.addEventListener(None)
        protected.removeEventListener(None)
        assert inbox.received == []


class TestChangesDuringDispatch:
    def test_removing_itself_and_another_takes_effect_from_the_next_event(self):
        inbox, manager = Inbox(), EventManager()
        a = Recorder(3, inbox, "a", lambda me: manager.removeEventListener(me))
        b = Recorder(3, inbox, "b", lambda me: manager.removeEventListener(c))
        c = Recorder(3, inbox, "c")
        for listener in (a, b, c):
            manager.addEventListener(listener)
        manager.postEvent(Event(3, 0.0))
        manager.postEvent(Event(3, 0.0))
        assert inbox.names() == ["a", "b", "c", "b"]

    def test_listener_dropped_by_another_listener_is_not_called_afterwards(self):
        inbox, manager = Inbox(), EventManager()

        def drop_victim(me):
            inbox.listeners = [listener for listener in inbox.listeners if listener.name != "victim"]
            gc.collect()

        dropper, victim, after = inbox.listen(manager, 5, "dropper", "victim", "after")
        dropper.action = drop_victim
        del victim
        manager.postEvent(Event(5, 0.0))
        manager.postEvent(Event(5, 0.0))
        assert inbox.names() == ["dropper", "after", "dropper", "after"]


class TestLifetimes:
    def test_manager_does_not_keep_its_listeners_alive(self):
        inbox, manager = Inbox(), EventManager()
        inbox.listen(manager, 1, "a")
        dead = weakref.ref(inbox.listeners.pop())
        gc.collect()
        assert dead() is None
        manager.postEvent(Event(1, 0.0))
        assert inbox.received == []

    @pytest.mark.parametrize("make_manager", [EventManager, ProtectedEventManager])
    def test_manager_dropped_before_its_listeners_leaves_them_usable(self, make_manager):
        inbox, manager = Inbox(), make_manager()
        listener, = inbox.listen(manager, 2, "a")
        del manager
        gc.collect()
        listener.removeFromAllDispatchers()
        other = EventManager()
        other.addEventListener(listener)
        other.postEvent(Event(2, 0.0))
        assert inbox.names() == ["a"]


def test_raising_listener_without_a_log_manager_prints_and_the_others_still_run(capsys):
    assert LogManager.getSingleton() is None

    class Raising(EventListener):
        def handleEvent(self, event):
            raise ValueError("listener failed")

    inbox, manager = Inbox(), EventManager()
    raising = Raising(8)
    manager.addEventListener(raising)
    inbox.listen(manager, 8, "after")
    manager.postEvent(Event(8, 0.0))
    manager.queueEvent(Event(8, 1.0))
    manager.dispatchEvents(-1)
    assert inbox.names() == ["after", "after"]
    err = capsys.readouterr().err
    assert err.count("ValueError: listener failed") == 2 and "Traceback" in err


def test_abstract_methods_raise_the_pure_virtual_error_when_called_directly():
    with pytest.raises(RuntimeError, match="Pure virtual"):
        EventListener(1).handleEvent(Event(1, 0.0))
    with pytest.raises(RuntimeError, match="Pure virtual"):
        Bare(1, 0.0).createNew(ParameterList())
    with pytest.raises(RuntimeError, match="Pure virtual"):
        Bare(1, 0.0).createCopy(1.0)
    with pytest.raises(RuntimeError, match="Pure virtual"):
        FactoryEvent.createCopy(Spawn(1, 0.0), 1.0)


class TestFactoryEvents:
    def test_python_factory_event_is_an_event_that_arrives_as_itself(self):
        inbox, manager = Inbox(), EventManager()
        inbox.listen(manager, 9, "a")
        posted = Spawn(9, 1.0, "orc")
        manager.postEvent(posted)
        manager.queueEvent(Spawn(9, 2.0, "troll"))
        manager.dispatchEvents(-1)
        assert inbox.events()[0] is posted
        assert [(type(got), got.what, got.eventTime) for got in inbox.events()] == [
            (Spawn, "orc", 1.0), (Spawn, "troll", 2.0)]

    def test_create_new_and_create_copy_answer_new_objects_of_the_subclass(self):
        params = ParameterList()
        params.add("what", "goblin")
        prototype = Spawn(9, 0.0, "orc")
        made = prototype.createNew(params)
        copied = prototype.createCopy(4.5)
        assert (type(made), made.what, made.eventType) == (Spawn, "goblin", 9)
        assert (type(copied), copied.what, copied.eventTime) == (Spawn, "orc", 4.5)
