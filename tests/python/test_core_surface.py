"""What a game script sees of the core: names, enumerations, constructor forms,
defaults, parameter lists and how engine errors reach Python."""

import copy

import pytest

import tarnu
from tarnu import (AxisAlignedBox, Event, EventFactory, EventListener, EventManager, FactoryEvent,
                   LogFile, LogManager, ParameterList, Process, ProcessManager,
                   ProtectedEventManager, Timer, TimerEvent, TimerListener, Vector2)

# Names that no test calls; the others are exercised by value below and in the other files.
UNCALLED = {ParameterList: "remove clear", Process: "setUpdateRate", Timer: "reset",
            EventFactory: "registerType isRegistered getRegistered create"}


def test_listed_names_layout_bases_and_values():
    assert [cls.__name__ + "." + name for cls, names in UNCALLED.items() for name in names.split()
            if not hasattr(cls, name)] == []
    assert [n for n in "MessageLevel QueryResult ML_NORMAL SUCCESS NO_ELEMENT".split() if hasattr(tarnu, n)] == []
    assert [n for n in "postEvent queueEvent dispatchEvents".split() if hasattr(ProtectedEventManager, n)] == []
    assert issubclass(ProcessManager, Process) and issubclass(Timer, Process)
    assert issubclass(FactoryEvent, Event) and issubclass(TimerEvent, Event)
    assert issubclass(TimerListener, EventListener) and not issubclass(ProtectedEventManager, EventManager)
    assert LogManager.getSingleton() is None and EventFactory.getSingleton() is None
    assert TimerEvent.TYPE != 0 and TimerEvent.TYPE == TimerListener().eventType
    assert not hasattr(Event, "TYPE") and not hasattr(FactoryEvent, "TYPE")
    event, first, second = Event(12, 1.5), EventManager(), EventManager()
    assert (event.eventType, event.eventTime, event.getEventType(), event.getEventTime()) == (12, 1.5, 12, 1.5)
    assert first.getID() != second.getID() and first.getID() == first.getID()


@pytest.mark.parametrize("cls, enum, names", [
    (LogFile, "MessageLevel", ["ML_TRIVIAL", "ML_NORMAL", "ML_CRITICAL"]),
    (ParameterList, "QueryResult", ["SUCCESS", "INVALID_TYPE", "NO_ELEMENT"]),
])
def test_enumeration_values_are_the_same_under_both_names(cls, enum, names):
    values = getattr(cls, enum)
    assert [int(getattr(cls, name)) for name in names] == [0, 1, 2]
    assert all(getattr(cls, name) is getattr(values, name) for name in names)
    assert sorted(values.names) == sorted(names)


@pytest.mark.parametrize("call, error, text", [
    (ProcessManager, RuntimeError, "cannot be instantiated"),
    (EventFactory, RuntimeError, "cannot be instantiated"),
    (TimerEvent, RuntimeError, "cannot be instantiated"),
    (lambda: EventListener(1).handleEvent(Event(1, 0.0)), RuntimeError, "Pure virtual"),
    (lambda: type("Bare", (FactoryEvent,), {})(1, 0.0).createNew(ParameterList()), RuntimeError, "Pure virt"),
    (lambda: FactoryEvent(1, 0.0).createCopy(1.0), RuntimeError, "Pure virtual"),
    (lambda: setattr(TimerEvent, "TYPE", TimerEvent.TYPE + 1), AttributeError, ""),
    (lambda: setattr(Event(12, 1.5), "eventTime", 3.0), AttributeError, ""),
    (lambda: setattr(EventListener(5), "eventType", 6), AttributeError, ""),
    (lambda: Event(eventType=1, eventTime=0.0), TypeError, ""),
    (lambda: Process(updateRate=2), TypeError, ""),
    (lambda: ParameterList().getFloat(name="x", default=1.0), TypeError, ""),
    (lambda: ParameterList().getThrowOnFail("v", Vector2(0, 0)), TypeError, ""),
])
def test_refused_construction_abstract_calls_assignment_keywords_and_missing_arguments(call, error, text):
    with pytest.raises(error, match=text):
        call()


@pytest.mark.parametrize("args, expected", [
    ((), (1, 2147483648, False)), ((4,), (4, 2147483648, False)), ((4, 7), (4, 7, False)),
    ((4, 7, True), (4, 7, True)), ((4, 7, True, 0.5), (4, 7, True)),
])
def test_process_constructor_forms_fill_in_defaults(args, expected):
    process = Process(*args)
    assert (process.getUpdateRate(), process.getPriority(), process.getSuspended()) == expected
    assert process.getProcessManager() is None and not process.isActive()


def filled(**entries):
    params = ParameterList()
    for name, value in entries.items():
        params.add(name, value)
    return params


class TestParameterList:
    def test_getters_answer_the_value_or_fall_back_to_the_default(self):
        assert ParameterList().get("missing") == "" and ParameterList().empty()
        params = filled(n="12abc", word="fast", flag="1", i=" 42", v="<3,4>")
        assert (params.getFloat("missing", 2.5), params.getFloat("word", 2.5)) == (2.5, 2.5)
        assert (params.getInt("n", 0), params.getInt("word", -3), params.getIntThrowOnFail("i")) == (12, -3, 42)
        assert params.getBool("missing", True) is True and params.getBool("flag", False) is True
        assert params.getBool("word", True) is False
        out = Vector2(0, 0)
        assert params.getThrowOnFail("v", out, "Error creating X:") is None and (out.x, out.y) == (3, 4)

    @pytest.mark.parametrize("call, message", [
        (lambda p: p.getThrowOnFail("x"), "Could not find parameter 'x'"),
        (lambda p: p.getFloatThrowOnFail("f"), "Unable to convert parameter 'f' to double"),
        (lambda p: p.getIntThrowOnFail("f"), "Unable to convert parameter 'f' to int"),
        (lambda p: p.getBoolThrowOnFail("b"), "Could not find parameter 'b'"),
        (lambda p: p.getThrowOnFail("nothere", Vector2(0, 0), "Error creating X:"),
         "Error creating X: Could not find parameter 'nothere'"),
        (lambda p: p.getThrowOnFail("f", Vector2(0, 0), ""),
         "Unable to convert parameter 'f' to class Tarnu::Vector2"),
        (lambda p: p.getThrowOnFail("f", AxisAlignedBox(Vector2(0, 0), Vector2(1, 1)), ""),
         "Unable to convert parameter 'f' to class Tarnu::AxisAlignedBox"),
    ])
    def test_throwing_getters_give_the_bare_engine_messages(self, call, message):
        with pytest.raises(RuntimeError) as error:
            call(filled(f="fast"))
        assert str(error.value) == message

    @pytest.mark.parametrize("make", [
        lambda a, b: Vector2(a, b), lambda a, b: tarnu.Vector3(a, b, a + b),
        lambda a, b: tarnu.Complex(a / 10, b / 10), lambda a, b: tarnu.Scale(a, b),
        lambda a, b: AxisAlignedBox(Vector2(a, a), Vector2(b, b + 1)),
    ], ids=["Vector2", "Vector3", "Complex", "Scale", "AxisAlignedBox"])
    def test_get_into_a_value_changes_it_in_place_only_on_success(self, make):
        params, out, kept = filled(value=str(make(3, 4)), bad="zz"), make(1, 2), make(5, 6)
        assert params.get("value", out) == ParameterList.SUCCESS and out == make(3, 4)
        assert params.get("missing", kept) == ParameterList.NO_ELEMENT
        assert params.get("bad", kept) == ParameterList.INVALID_TYPE and kept == make(5, 6)

    def test_copies_are_independent(self):
        for duplicate in (copy.copy, copy.deepcopy, ParameterList):
            original = filled(a="1", b="2")
            duplicated = duplicate(original)
            duplicated.add("a", "9")
            original.add("c", "3")
            assert (original.size(), original.get("a")) == (3, "1") and type(duplicated) is ParameterList
            assert (duplicated.size(), duplicated.get("a"), duplicated.contains("c")) == (2, "9", False)


def test_log_manager_singleton_errors_and_enumeration_arguments(run_script):
    result = run_script("""
        import gc
        from tarnu import LogFile, LogManager

        def expect(error_type, call):
            try:
                call()
            except error_type as error:
                return str(error)
            raise SystemExit("no %s from %s" % (error_type.__name__, call))

        manager = LogManager()
        assert LogManager.getSingleton() is not None
        message = expect(RuntimeError, LogManager)
        assert message == "Error: attempt to reconstruct singleton class Tarnu::LogManager!", message
        expect(TypeError, lambda: manager.logMessageToDefault("x", 1))
        expect(TypeError, lambda: manager.logMessage("a", "x", 2, False))
        expect(TypeError, lambda: manager.createLog("a.txt", 0, False, LogFile.ML_CRITICAL, False))
        stale = LogManager.getSingleton()
        del manager
        gc.collect()
        assert LogManager.getSingleton() is None
        for call in (lambda: stale.logMessageToDefault("x"), lambda: stale.logMessage("a", "x"),
                     lambda: stale.createLog("a.txt", LogFile.ML_TRIVIAL, False, LogFile.ML_CRITICAL, False)):
            assert "deleted" in expect(RuntimeError, call)
        again = LogManager()
        print("ok")
    """)
    assert result.returncode == 0 and result.stdout == "ok\n", result
