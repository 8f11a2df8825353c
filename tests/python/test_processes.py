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
    def test_added_once_reaching_its_manager_through_a_nested_one_notified_in_order(self):
        outer, manager, other = (ProcessManager.createNew(5.0) for _ in range(3))
        process = Traced()
        for target, added in [(manager, process), (manager, process), (other, process), (manager, None),
                              (manager, manager)]:
            target.addProcess(added)
        assert process.isActive() and manager.getProcessManager() is None
        assert process.getProcessManager() == manager and process.getProcessManager() != other
        other.updateProcess(0.1)
        outer.addProcess(manager)
        outer.updateProcess(0.25)
        assert manager.isActive() and isinstance(manager.getProcessManager(), ProcessManager)
        process.suspend(True, 0.0)
        outer.updateProcess(0.1)
        process.suspend(False, 0.0)
        outer.updateProcess(0.5)
        manager.terminateAll()
        assert manager.getCurrentTime() == 5.85 and process.calls == [
            "started", ("update", 0.25), ("suspended", True), ("suspended", False), ("update", 0.5), "terminated"]
        assert type(process.calls[2][1]) is bool and type(process.calls[1][1]) is float
        assert process.getProcessManager() is None and not process.isActive()

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


class Heard(TimerListener):
    def timeUp(self, event):
        self.events.append(event)


class Plain(EventListener):
    def handleEvent(self, event):
        self.events.append(event)


class Events(EventManager):
    pass


@pytest.fixture
def timers():
    """A process manager at time 10, an event manager and a timer listener on it."""
    manager, events, listener = ProcessManager.createNew(10.0), EventManager(), Heard()
    listener.events = []
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

    def test_event_type_forms_and_a_python_event_manager_kept_alive_until_the_timer_fires(self, timers):
        manager, events, listener = timers
        plain = Plain(77)
        plain.events = []
        events.addEventListener(plain)
        manager.addProcess(Timer(0.0, events, 77))
        manager.updateProcess(0.5)
        assert listener.events == []
        event, = plain.events
        assert type(event) is Event and (event.eventType, event.eventTime) == (77, 10.5)
        events = Events()
        events.addEventListener(listener)
        alive, timer = weakref.ref(events), Timer(0.0, events, 0)
        del events
        gc.collect()
        manager.addProcess(timer)
        assert alive() is not None
        manager.updateProcess(0.5)
        del timer
        gc.collect()
        event, = listener.events
        assert type(event) is TimerEvent and event.name == "" and alive() is None

    @pytest.mark.parametrize("args, message", [
        ((-0.1, EventManager(), "x"), "Illegal time value."), ((-0.1, None, "x"), "Illegal time value."),
        ((1.0, None, "x"), "Null pointer for manager."), ((1.0, None, 5), "Null pointer for manager."),
    ])
    def test_constructor_errors(self, args, message):
        with pytest.raises(RuntimeError) as error:
            Timer(*args)
        assert str(error.value) == "Timer constructor: " + message
