"""How failures in Python subclasses reach the engine and the script: one line
per failure in "PythonSystemLog.txt", the traceback on standard error, and the
engine carrying on. Each case runs in its own interpreter, because the log
manager is a process-wide singleton that writes into the working directory."""

from logfiles import CLOSE_LOGS, CLOSED, LINE, LOGS, read_log


def test_log_lines_go_only_where_they_are_addressed(run_script, tmp_path):
    result = run_script(LOGS + """
    logs.logMessage("PythonSystemLog.txt", "named only")
    logs.logMessage("PythonSystemLog.txt", "critical", LogFile.ML_CRITICAL)
    logs.logMessage("PythonSystemLog.txt", "both", LogFile.ML_NORMAL, True)
    logs.logMessage("NoSuchLog.txt", "nowhere")
    logs.logMessage("NoSuchLog.txt", "default only", LogFile.ML_CRITICAL, True)
    logs.logMessageToDefault("dropped below the threshold", LogFile.ML_TRIVIAL)
    logs.logMessageToDefault("normal")
    try:
        logs.createLog("Main.txt", LogFile.ML_NORMAL, False, LogFile.ML_CRITICAL, True)
    except RuntimeError as error:
        print(error)
    own = LogFile("Own.txt")
    del own, logs
    gc.collect()
    """)
    assert result.returncode == 0, result
    assert result.stdout == "Log 'Main.txt' already exists.\n"
    assert read_log(tmp_path / "PythonSystemLog.txt") == ["named only", "critical", "both"] + [CLOSED]
    assert read_log(tmp_path / "Main.txt") == [
        "both", "default only", "normal", "Log manager shut down."] + [CLOSED]
    assert not (tmp_path / "NoSuchLog.txt").exists()
    own = (tmp_path / "Own.txt").read_text().splitlines()
    assert len(own) == 1 and LINE.match(own[0]).group("text") == CLOSED


def test_each_failure_is_logged_under_its_method_and_the_engine_carries_on(run_script, tmp_path):
    result = run_script(LOGS + """
    def fail(key):
        def method(self, *args):
            raise KeyError(key)
        return method

    class Failing(Process):
        updateProcess = lambda self, time: "a value nobody reads"
        processStarted, processSuspended = fail("started"), fail("suspended")
        processTerminated = fail("terminated")

    class Alarm(TimerListener):
        timeUp = fail("time up")

    class Raising(EventListener):
        handleEvent = fail("handle")

    class Lazy(Process):
        pass

    class Quiet(EventListener):
        def handleEvent(self, event):
            print("quiet heard", event.eventType)

    manager = ProcessManager.createNew(0.0)
    events = EventManager()
    listeners = [Alarm(), Raising(3), Quiet(3)]
    for listener in listeners:
        events.addEventListener(listener)
    events.postEvent(Event(3, 0.0))
    process = Failing()
    manager.addProcess(process)
    print(process.isActive())
    process.suspend(True, 0.0)
    manager.addProcess(Timer(0.0, events, "alarm"))
    manager.updateProcess(0.1)
    lazy, other = Lazy(), ProcessManager.createNew(0.0)
    other.addProcess(lazy)
    for _ in range(3):
        other.updateProcess(0.1)
    print(lazy.isActive(), lazy.getProcessManager() is not None)
    manager.terminateAll()
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "quiet heard 3\nTrue\nTrue True\n"
    assert read_log(tmp_path / "PythonSystemLog.txt") == [
        "Exception thrown in handleEvent method.",
        "Exception thrown in processStarted method.",
        "Exception thrown in processSuspended method.",
        "Exception thrown in timeUp method."] + ["Exception thrown in updateProcess method."] * 3 + [
        "Exception thrown in processTerminated method.", CLOSED]
    assert "Exception thrown" not in (tmp_path / "Main.txt").read_text()
    assert "Traceback" in result.stderr and result.stderr.count("Pure virtual function called") == 3
    for key in ["handle", "started", "suspended", "time up", "terminated"]:
        assert result.stderr.count("KeyError: '%s'" % key) == 1, result
