"""Processes, process managers and timers as a script drives them: Python
processes, their notifications, lifetimes, and when timers fire."""

import gc
import weakref

import pytest

from tarnu import (Event, EventListener, EventManager, Process, ProcessManager, Timer, TimerEvent,
                   TimerListener)


class Traced(Process):
    """Records every call the engine makes, calling the defaults too as a subclass may."""

    def __init__(self, *args):
        Process.__init__(self, *args)
        self.calls = []

    def updateProcess(self, time):
        self.calls.append(("update", time))
        return "ignored"

    def processStarted(self):
        self.calls.append("started")
        Process.processStarted(self)

    def processSuspended(self, suspended):
        self.calls.append(("suspended", suspended))
        super().processSuspended(suspended)

    def processTerminated(self):
        self.calls.append("terminated")
        Process.processTerminated(self)


class TestProcessManager:
    def test_added_process_reaches_its_manager_also_through_a_nested_one(self):
        outer, manager = ProcessManager.createNew(5.0), ProcessManager.createNew(5.0)
        process = Traced()
        manager.addProcess(process)
        assert process.isActive() and manager.getProcessManager() is None
        assert process.getProcessManager() == manager
        assert process.getProcessManager() != ProcessManager.createNew(5.0)
        outer.addProcess(manager)
        outer.updateProcess(0.25)
        assert manager.isActive() and isinstance(manager.getProcessManager(), ProcessManager)
        assert manager.getCurrentTime() == 5.25 and process.calls == ["started", ("update", 0.25)]

    @pytest.mark.parametrize("ending", ["kill", "drop the manager"])
    def test_dropped_python_process_keeps_running_with_its_attributes_until_it_leaves(self, ending):
        manager = ProcessManager.createNew(0.0)
        process = Traced()
        process.label = "runner"
        calls, alive = process.calls, weakref.ref(process)
        manager.addProcess(process)
        del process
        gc.collect()
        manager.updateProcess(0.1)
        manager.updateProcess(0.2)
        assert alive() is not None and alive().label == "runner"
        if ending == "kill":
            alive().killProcess()
            manager.updateProcess(0.1)
        else:
            del manager
        gc.collect()
        assert alive() is None
        assert calls == ["started", ("update", 0.1), ("update", 0.2), "terminated"]

    def test_notifications_arrive_in_order_with_python_values_and_reach_the_defaults(self):
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
        for target, added in [(manager, process), (manager, process), (other, process), (manager, None),
                              (manager, manager)]:
            target.addProcess(added)
        other.updateProcess(0.1)
        assert process.calls == ["started"] and manager.getProcessManager() is None


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


class Events(EventManager):
    pass


@pytest.fixture
def timers():
    """A process manager at time 10, an event manager and a timer listener on it."""
    manager, events, listener = ProcessManager.createNew(10.0), EventManager(), TimeUpRecorder()
    events.addEventListener(listener)
    return manager, events, listener


class TestTimers:
    @pytest.mark.parametrize("step, firing_step", [(0.5, 3), (0.4, 3), (0.15, 7)])
    def test_fires_once_when_the_time_left_drops_below_zero_at_the_managers_time(self, timers, step, firing_step):
        manager, events, listener = timers
        manager.addProcess(Timer(1.0, events, "alarm"))
        times = []
        for number in range(1, 10):
            manager.updateProcess(step)
            times.append(manager.getCurrentTime())
            assert len(listener.events) == (number >= firing_step), number
        event, = listener.events
        assert type(event) is TimerEvent and event.name == "alarm"
        assert event.eventType == TimerEvent.TYPE == listener.eventType
        assert event.eventTime == times[firing_step - 1] == pytest.approx(10 + step * firing_step)

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

    def test_timer_keeps_its_python_event_manager_alive_until_it_fires(self, timers):
        manager, _, listener = timers
        events = Events()
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
        assert [event.name for event in listener.events] == ["late"] and events_alive() is None

    def test_reset_restarts_the_countdown_and_a_direct_update_uses_time_zero(self, timers):
        manager, events, listener = timers
        reset, direct = Timer(0.25, events, "reset"), Timer(0.5, events, "direct")
        manager.addProcess(reset)
        manager.updateProcess(0.1)
        reset.reset(0.25)
        for _ in range(4):
            manager.updateProcess(0.1)
        direct.updateProcess(0.3)
        assert [(event.name, event.eventTime) for event in listener.events] == [("reset", pytest.approx(10.4))]
        for _ in range(3):
            direct.updateProcess(0.3)
        assert [(event.name, event.eventTime) for event in listener.events][1:] == [("direct", 0.0)]

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
