"""What a game script sees of the core: names, enumerations, constructor forms,
defaults, parameter lists and how engine errors reach Python."""

import copy

import pytest

import tarnu
from tarnu import (Event, EventFactory, EventListener, EventManager, FactoryEvent, LogFile,
                   LogManager, ParameterList, Process, ProcessManager, ProtectedEventManager,
                   Timer, TimerEvent, TimerListener)

EVENT = ["eventType", "eventTime", "getEventType", "getEventTime"]
PROCESS = ["getSuspended", "isActive", "getPriority", "getProcessManager", "suspend", "killProcess",
           "setUpdateRate", "getUpdateRate", "updateProcess", "processStarted", "processSuspended",
           "processTerminated"]
LISTENER = ["eventType", "handleEvent", "removeFromAllDispatchers"]
NAMES = {
    LogFile: ["MessageLevel", "ML_TRIVIAL", "ML_NORMAL", "ML_CRITICAL"],
    LogManager: ["getSingleton", "createLog", "logMessageToDefault", "logMessage"],
    ParameterList: ["QueryResult", "SUCCESS", "INVALID_TYPE", "NO_ELEMENT", "add", "remove", "clear",
                    "contains", "get", "getFloat", "getInt", "getBool", "getThrowOnFail",
                    "getFloatThrowOnFail", "getIntThrowOnFail", "getBoolThrowOnFail", "size", "empty",
                    "__copy__", "__deepcopy__"],
    Event: EVENT,
    EventListener: LISTENER,
    EventManager: ["postEvent", "queueEvent", "dispatchEvents", "addEventListener",
                   "removeEventListener", "getID"],
    ProtectedEventManager: ["addEventListener", "removeEventListener"],
    Process: PROCESS,
    ProcessManager: PROCESS + ["createNew", "addProcess", "getCurrentTime", "terminateAll"],
    FactoryEvent: EVENT + ["createNew", "createCopy"],
    EventFactory: ["getSingleton", "registerType", "isRegistered", "getRegistered", "create"],
    Timer: PROCESS + ["reset"],
    TimerEvent: EVENT + ["TYPE", "name"],
    TimerListener: LISTENER + ["timeUp"],
}


@pytest.mark.parametrize("cls", list(NAMES), ids=lambda cls: cls.__name__)
def test_every_listed_name_exists(cls):
    assert getattr(tarnu, cls.__name__) is cls
    assert [name for name in NAMES[cls] if not hasattr(cls, name)] == []


def test_enumerations_live_in_their_classes_not_in_the_module():
    for name in ["MessageLevel", "QueryResult", "ML_NORMAL", "SUCCESS", "NO_ELEMENT"]:
        assert not hasattr(tarnu, name)


def test_python_bases_follow_the_engine_classes():
    assert issubclass(ProcessManager, Process) and issubclass(Timer, Process)
    assert issubclass(FactoryEvent, Event) and issubclass(TimerEvent, Event)
    assert issubclass(TimerListener, EventListener)
    assert not issubclass(ProtectedEventManager, EventManager)


def test_protected_event_manager_offers_no_way_to_post():
    for name in ["postEvent", "queueEvent", "dispatchEvents"]:
        assert not hasattr(ProtectedEventManager, name)


def test_enumeration_values_are_the_same_under_both_names():
    levels = LogFile.MessageLevel
    assert [int(LogFile.ML_TRIVIAL), int(LogFile.ML_NORMAL), int(LogFile.ML_CRITICAL)] == [0, 1, 2]
    assert LogFile.ML_CRITICAL is levels.ML_CRITICAL and LogFile.ML_TRIVIAL is levels.ML_TRIVIAL
    assert sorted(levels.names) == ["ML_CRITICAL", "ML_NORMAL", "ML_TRIVIAL"]
    results = ParameterList.QueryResult
    assert [int(ParameterList.SUCCESS), int(ParameterList.INVALID_TYPE), int(ParameterList.NO_ELEMENT)] == [0, 1, 2]
    assert ParameterList.NO_ELEMENT is results.NO_ELEMENT
    assert sorted(results.names) == ["INVALID_TYPE", "NO_ELEMENT", "SUCCESS"]


@pytest.mark.parametrize("cls", [ProcessManager, EventFactory, TimerEvent], ids=lambda cls: cls.__name__)
def test_classes_without_a_constructor_refuse_construction(cls):
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        cls()


def test_timer_event_type_is_a_read_only_class_attribute_matching_timer_listeners():
    assert TimerEvent.TYPE != 0
    assert TimerEvent.TYPE == TimerListener().eventType
    with pytest.raises(AttributeError):
        TimerEvent.TYPE = TimerEvent.TYPE + 1
    assert TimerEvent.TYPE == TimerListener().eventType
    assert not hasattr(Event, "TYPE") and not hasattr(FactoryEvent, "TYPE")


def test_singletons_are_none_while_the_engine_has_none():
    assert LogManager.getSingleton() is None
    assert EventFactory.getSingleton() is None


@pytest.mark.parametrize("args, expected", [
    ((), (1, 2147483648, False)),
    ((4,), (4, 2147483648, False)),
    ((4, 7), (4, 7, False)),
    ((4, 7, True), (4, 7, True)),
    ((4, 7, True, 0.5), (4, 7, True)),
])
def test_process_constructor_forms_fill_in_defaults(args, expected):
    process = Process(*args)
    assert (process.getUpdateRate(), process.getPriority(), process.getSuspended()) == expected
    assert process.getProcessManager() is None and not process.isActive()


def test_arguments_are_positional_only():
    with pytest.raises(TypeError):
        Event(eventType=1, eventTime=0.0)
    with pytest.raises(TypeError):
        Process(updateRate=2)
    with pytest.raises(TypeError):
        ParameterList().getFloat(name="x", default=1.0)


def test_event_values_are_read_only_and_match_their_getters():
    event = Event(12, 1.5)
    assert (event.eventType, event.eventTime) == (12, 1.5)
    assert (event.getEventType(), event.getEventTime()) == (12, 1.5)
    with pytest.raises(AttributeError):
        event.eventTime = 3.0
    with pytest.raises(AttributeError):
        EventListener(5).eventType = 6


def test_event_manager_ids_differ_between_live_managers_and_stay_fixed():
    first, second = EventManager(), EventManager()
    assert first.getID() != second.getID()
    assert first.getID() == first.getID()


class TestParameterList:
    def test_getters_fall_back_to_the_default(self):
        params = ParameterList()
        assert params.get("missing") == "" and params.empty()
        params.add("n", "12abc")
        params.add("word", "fast")
        params.add("flag", "1")
        assert params.getFloat("missing", 2.5) == 2.5
        assert params.getFloat("word", 2.5) == 2.5
        assert params.getInt("n", 0) == 12
        assert params.getInt("word", -3) == -3
        assert params.getBool("missing", True) is True
        assert params.getBool("flag", False) is True
        assert params.getBool("word", True) is False

    def test_throwing_getters_give_the_bare_engine_messages(self):
        params = ParameterList()
        params.add("f", "fast")
        params.add("i", " 42")
        assert params.getIntThrowOnFail("i") == 42
        with pytest.raises(RuntimeError) as missing:
            params.getThrowOnFail("x")
        assert str(missing.value) == "Could not find parameter 'x'"
        with pytest.raises(RuntimeError) as unreadable:
            params.getFloatThrowOnFail("f")
        assert str(unreadable.value) == "Unable to convert parameter 'f' to double"
        with pytest.raises(RuntimeError) as not_int:
            params.getIntThrowOnFail("f")
        assert str(not_int.value) == "Unable to convert parameter 'f' to int"
        with pytest.raises(RuntimeError, match=r"^Could not find parameter 'b'$"):
            params.getBoolThrowOnFail("b")

    @pytest.mark.parametrize("make, parts", [
        (lambda a, b: tarnu.Vector2(a, b), lambda v: (v.x, v.y)),
        (lambda a, b: tarnu.Vector3(a, b, a + b), lambda v: (v.x, v.y, v.z)),
        (lambda a, b: tarnu.Complex(a / 10, b / 10), lambda c: (c.r, c.i)),
        (lambda a, b: tarnu.Scale(a, b), lambda s: (s.x, s.y)),
        (lambda a, b: tarnu.AxisAlignedBox(tarnu.Vector2(a, a), tarnu.Vector2(b, b + 1)),
         lambda box: (box.getMin().x, box.getMin().y, box.getMax().x, box.getMax().y)),
    ], ids=["Vector2", "Vector3", "Complex", "Scale", "AxisAlignedBox"])
    def test_get_into_a_value_changes_it_in_place_only_on_success(self, make, parts):
        params = ParameterList()
        params.add("value", str(make(3, 4)))
        params.add("bad", "zz")
        out = make(1, 2)
        assert params.get("value", out) == ParameterList.SUCCESS
        assert parts(out) == pytest.approx(parts(make(3, 4)))
        kept = make(5, 6)
        assert params.get("missing", kept) == ParameterList.NO_ELEMENT
        assert params.get("bad", kept) == ParameterList.INVALID_TYPE
        assert parts(kept) == pytest.approx(parts(make(5, 6)))

    def test_throwing_get_into_a_value_puts_the_prefix_and_one_blank_in_front(self):
        params = ParameterList()
        params.add("v", str(tarnu.Vector2(3, 4)))
        params.add("bad", "zz")
        out = tarnu.Vector2(0, 0)
        assert params.getThrowOnFail("v", out, "Error creating X:") is None
        assert (out.x, out.y) == (3, 4)
        with pytest.raises(RuntimeError) as missing:
            params.getThrowOnFail("nothere", out, "Error creating X:")
        assert str(missing.value) == "Error creating X: Could not find parameter 'nothere'"
        with pytest.raises(RuntimeError) as unreadable:
            params.getThrowOnFail("bad", out, "")
        assert str(unreadable.value) == "Unable to convert parameter 'bad' to class Tarnu::Vector2"
        with pytest.raises(TypeError):
            params.getThrowOnFail("v", out)

    @pytest.mark.parametrize("duplicate", [copy.copy, copy.deepcopy, ParameterList],
                             ids=["copy", "deepcopy", "constructor"])
    def test_copies_are_independent(self, duplicate):
        original = ParameterList()
        original.add("a", "1")
        duplicated = duplicate(original)
        assert type(duplicated) is ParameterList and duplicated.get("a") == "1"
        duplicated.add("a", "9")
        duplicated.add("b", "2")
        original.add("c", "3")
        assert (original.size(), original.get("a"), original.contains("b")) == (2, "1", False)
        assert (duplicated.size(), duplicated.contains("c")) == (2, False)


def test_log_manager_singleton_errors_and_enumeration_arguments(run_script):
    result = run_script("""
        import gc
        from tarnu import LogFile, LogManager

        manager = LogManager()
        assert LogManager.getSingleton() is not None
        try:
            LogManager()
            raise SystemExit("second log manager was made")
        except RuntimeError as error:
            assert str(error) == "Error: attempt to reconstruct singleton class Tarnu::LogManager!", error
        for call in (lambda: manager.logMessageToDefault("x", 1),
                     lambda: manager.logMessage("a", "x", 2, False),
                     lambda: manager.createLog("a.txt", 0, False, LogFile.ML_CRITICAL, False)):
            try:
                call()
                raise SystemExit("a plain int passed for a level")
            except TypeError:
                pass
        stale = LogManager.getSingleton()
        del manager
        gc.collect()
        assert LogManager.getSingleton() is None
        for call in (lambda: stale.logMessageToDefault("x"), lambda: stale.logMessage("a", "x"),
                     lambda: stale.createLog("a.txt", LogFile.ML_TRIVIAL, False, LogFile.ML_CRITICAL, False)):
            try:
                call()
                raise SystemExit("a deleted log manager was used")
            except RuntimeError as error:
                assert "deleted" in str(error), error
        again = LogManager()
        print("ok")
    """)
    assert result.returncode == 0 and result.stdout == "ok\n", result
