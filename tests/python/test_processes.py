"""Processes, process managers and timers as a script drives them: Python
processes, their notifications, lifetimes, and when timers fire."""

import gc
import weakref

import pytest

from tarnu import (Event, EventListener, EventManager, Process, ProcessManager, Timer, TimerEvent,
                   TimerListener)


class Traced(Process):
    """Records every call the engine makes into a list of its own."""

    def __init__(self, *args):
        Process.__init__(self, *args)
        self.calls = []

    def updateProcess(self, time):
        self.calls.append(("update", time))
        return "ignored"

    def processStarted(self):
        self.calls.append("started")

    def processSuspended(self, suspended):
        self.calls.append(("suspended", suspended))

    def processTerminated(self):
        self.calls.append("terminated")


class TestProcessManager:
    def test_added_process_is_active_and_reaches_its_manager(self):
        manager = ProcessManager.createNew(5.0)
        process = Traced()
        assert manager.getCurrentTime() == 5.0 and manager.getProcessManager() is None
        assert process.getProcessManager() is None and not process.isActive()
        manager.addProcess(process)
        assert process.isActive()
        assert process.getProcessManager() == manager
        assert process.getProcessManager() != ProcessManager.createNew(5.0)
        process.getProcessManager().updateProcess(0.25)
        assert manager.getCurrentTime() == 5.25 and process.calls == ["started", ("update", 0.25)]

    def test_dropped_python_process_keeps_running_with_its_attributes_until_it_leaves(self):
        manager = ProcessManager.createNew(0.0)
        process = Traced()
        process.label = "runner"
        calls = process.calls
        alive = weakref.ref(process)
        manager.addProcess(process)
        del process
        gc.collect()
        manager.updateProcess(0.1)
        manager.updateProcess(0.2)
        assert alive() is not None and alive().label == "runner"
        assert calls == ["started", ("update", 0.1), ("update", 0.2)]
        alive().killProcess()
        manager.updateProcess(0.1)
        gc.collect()
        assert alive() is None
        assert calls[-1] == "terminated"

    def test_notifications_arrive_in_order_with_python_values(self):
        manager = ProcessManager.createNew(0.0)
        process = Traced()
        manager.addProcess(process)
        process.suspend(True, 0.0)
        manager.updateProcess(0.1)
        process.suspend(False, 0.0)
        manager.updateProcess(0.2)
        manager.terminateAll()
        assert process.calls == ["started", ("suspended", True), ("suspended", False), ("update", 0.2),
                                 "terminated"]
        assert type(process.calls[1][1]) is bool and type(process.calls[3][1]) is float
        assert process.getProcessManager() is None and not process.isActive()

    def test_adding_again_or_to_another_manager_or_nothing_is_ignored(self):
        manager, other = ProcessManager.createNew(0.0), ProcessManager.createNew(0.0)
        process = Traced()
        manager.addProcess(process)
        manager.addProcess(process)
        other.addProcess(process)
        manager.addProcess(None)
        manager.addProcess(manager)
        other.updateProcess(0.1)
        assert process.calls == ["started"]
        assert manager.getProcessManager() is None

    def test_dropping_the_manager_terminates_and_releases_its_processes(self):
        manager = ProcessManager.createNew(0.0)
        process = Traced()
        calls = process.calls
        alive = weakref.ref(process)
        manager.addProcess(process)
        del process, manager
        gc.collect()
        assert alive() is None
        assert calls == ["started", "terminated"]

    def test_subclass_may_call_the_default_notifications_without_recursion(self):
        class Polite(Traced):
            def processStarted(self):
                Traced.processStarted(self)
                Process.processStarted(self)

            def processSuspended(self, suspended):
                Traced.processSuspended(self, suspended)
                super(Traced, self).processSuspended(suspended)

            def processTerminated(self):
                Traced.processTerminated(self)
                Process.processTerminated(self)

        manager = ProcessManager.createNew(0.0)
        process = Polite()
        manager.addProcess(process)
        process.suspend(True, 0.0)
        manager.terminateAll()
        assert process.calls == ["started", ("suspended", True), "terminated"]

    def test_nested_manager_updates_its_processes_with_the_outer_step(self):
        outer, inner = ProcessManager.createNew(0.0), ProcessManager.createNew(0.0)
        outer.addProcess(inner)
        process = Traced()
        inner.addProcess(process)
        outer.updateProcess(0.3)
        assert inner.isActive() and isinstance(inner.getProcessManager(), ProcessManager)
        assert process.calls == ["started", ("update", 0.3)] and inner.getCurrentTime() == 0.3


class TimeUpRecorder(TimerListener):
    def __init__(self):
        TimerListener.__init__(self)
        self.events = []

    def timeUp(self, event):
        self.events.append(event)


class TypeRecorder(EventListener):
    def __init__(self, eventType):
        EventListener.__init__(self, eventType)
        self.events = []

    def handleEvent(self, event):
        self.events.append(event)


@pytest.fixture
def timers():
    """A process manager at time 10, an event manager and a timer listener on it."""
    manager = ProcessManager.createNew(10.0)
    events = EventManager()
    listener = TimeUpRecorder()
    events.addEventListener(listener)
    return manager, events, listener


class TestTimers:
    @pytest.mark.parametrize("step, firing_step", [(0.5, 3), (0.4, 3), (0.15, 7)])
    def test_fires_once_when_the_time_left_drops_below_zero(self, timers, step, firing_step):
        manager, events, listener = timers
        manager.addProcess(Timer(1.0, events, "alarm"))
        fired_at = []
        for number in range(1, 10):
            manager.updateProcess(step)
            if listener.events and not fired_at:
                fired_at.append(number)
        assert fired_at == [firing_step] and len(listener.events) == 1

    def test_timer_event_carries_the_name_and_the_managers_current_time(self, timers):
        manager, events, listener = timers
        manager.addProcess(Timer(0.15, events, "alarm"))
        manager.updateProcess(0.1)
        manager.updateProcess(0.1)
        event, = listener.events
        assert type(event) is TimerEvent and event.name == "alarm"
        assert event.eventType == TimerEvent.TYPE == listener.eventType
        assert event.eventTime == manager.getCurrentTime() == pytest.approx(10.2)

    def test_event_type_form_posts_a_plain_event_and_type_zero_a_nameless_timer_event(self, timers):
        manager, events, listener = timers
        plain = TypeRecorder(77)
        events.addEventListener(plain)
        manager.addProcess(Timer(0.0, events, 77))
        manager.updateProcess(0.5)
        assert listener.events == []
        event, = plain.events
        assert type(event) is Event and (event.eventType, event.eventTime) == (77, 10.5)
        manager.addProcess(Timer(0.0, events, 0))
        manager.updateProcess(0.5)
        event, = listener.events
        assert type(event) is TimerEvent and event.name == ""

    def test_timer_keeps_its_event_manager_alive_until_it_fires(self, timers):
        manager, _, listener = timers
        events = EventManager()
        events.addEventListener(listener)
        events_alive = weakref.ref(events)
        timer = Timer(0.0, events, "late")
        del events
        gc.collect()
        assert events_alive() is not None
        manager.addProcess(timer)
        manager.updateProcess(0.1)
        del timer
        gc.collect()
        assert len(listener.events) == 1 and events_alive() is None

    def test_killed_timer_never_fires_and_reset_restarts_the_countdown(self, timers):
        manager, events, listener = timers
        killed = Timer(0.2, events, "killed")
        reset = Timer(0.25, events, "reset")
        manager.addProcess(killed)
        manager.addProcess(reset)
        killed.killProcess()
        manager.updateProcess(0.1)
        reset.reset(0.25)
        for _ in range(4):
            manager.updateProcess(0.1)
        assert [(event.name, event.eventTime) for event in listener.events] == [("reset", pytest.approx(10.4))]
        assert killed.getProcessManager() is None

    def test_updating_a_timer_directly_runs_its_own_countdown(self, timers):
        manager, events, listener = timers
        timer = Timer(0.5, events, "direct")
        timer.updateProcess(0.3)
        assert listener.events == []
        timer.updateProcess(0.3)
        timer.updateProcess(5.0)
        assert [(event.name, event.eventTime) for event in listener.events] == [("direct", 0.0)]

    def test_accepts_a_python_subclass_of_event_manager(self, timers):
        manager, _, listener = timers

        class Events(EventManager):
            pass

        events = Events()
        events.addEventListener(listener)
        manager.addProcess(Timer(0.0, events, "sub"))
        manager.updateProcess(0.1)
        assert [event.name for event in listener.events] == ["sub"]

    @pytest.mark.parametrize("args, message", [
        ((-0.1, "events", "x"), "Timer constructor: Illegal time value."),
        ((-0.1, None, "x"), "Timer constructor: Illegal time value."),
        ((1.0, None, "x"), "Timer constructor: Null pointer for manager."),
        ((1.0, None, 5), "Timer constructor: Null pointer for manager."),
    ])
    def test_constructor_errors(self, args, message):
        args = tuple(EventManager() if arg == "events" else arg for arg in args)
        with pytest.raises(RuntimeError) as error:
            Timer(*args)
        assert str(error.value) == message

