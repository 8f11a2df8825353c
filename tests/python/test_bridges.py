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
    assert len(own) == 1 and LINE.match(own[0]).group("text") == "Log File Closed."


def test_raising_handle_event_is_logged_once_and_the_other_listeners_still_run(run_script, tmp_path):
    result = run_script(LOGS + """
    received = []

    class Raising(EventListener):
        def handleEvent(self, event):
            raise ValueError("listener failed")

    class Quiet(EventListener):
        def handleEvent(self, event):
            received.append(event)

    events = EventManager()
    first, second = Raising(3), Quiet(3)
    events.addEventListener(first)
    events.addEventListener(second)
    events.postEvent(Event(3, 0.0))
    print(len(received))
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "1\n"
    assert read_log(tmp_path / "PythonSystemLog.txt") == ["Exception thrown in handleEvent method."] + [CLOSED]
    assert "Exception thrown" not in (tmp_path / "Main.txt").read_text()
    assert "Traceback" in result.stderr and result.stderr.count("ValueError: listener failed") == 1


def test_process_without_update_is_logged_each_update_and_stays(run_script, tmp_path):
    result = run_script(LOGS + """
    class Lazy(Process):
        pass

    manager = ProcessManager.createNew(0.0)
    lazy = Lazy()
    manager.addProcess(lazy)
    for _ in range(3):
        manager.updateProcess(0.1)
    print(lazy.isActive(), lazy.getProcessManager() is not None)
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "True True\n"
    assert read_log(tmp_path / "PythonSystemLog.txt") == ["Exception thrown in updateProcess method."] * 3 + [CLOSED]
    assert result.stderr.count("Pure virtual function called") == 3


def test_default_notifications_do_nothing_and_log_nothing(run_script, tmp_path):
    result = run_script(LOGS + """
    class OnlyUpdate(Process):
        def updateProcess(self, time):
            print("update", time)

    manager = ProcessManager.createNew(0.0)
    process = OnlyUpdate()
    manager.addProcess(process)
    process.suspend(True, 0.0)
    process.suspend(False, 0.0)
    manager.updateProcess(0.5)
    process.killProcess()
    manager.updateProcess(0.5)
    print(process.getProcessManager())
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "update 0.5\nNone\n" and result.stderr == ""
    assert read_log(tmp_path / "PythonSystemLog.txt") == [CLOSED]


def test_each_failing_notification_is_logged_under_its_own_name(run_script, tmp_path):
    result = run_script(LOGS + """
    class Failing(Process):
        def updateProcess(self, time):
            return "a value nobody reads"

        def processStarted(self):
            raise KeyError("started")

        def processSuspended(self, suspended):
            raise KeyError("suspended")

        def processTerminated(self):
            raise KeyError("terminated")

    class Alarm(TimerListener):
        def timeUp(self, event):
            raise KeyError("time up")

    manager = ProcessManager.createNew(0.0)
    events = EventManager()
    alarm = Alarm()
    events.addEventListener(alarm)
    process = Failing()
    manager.addProcess(process)
    print(process.isActive())
    process.suspend(True, 0.0)
    manager.addProcess(Timer(0.0, events, "alarm"))
    manager.updateProcess(0.1)
    manager.terminateAll()
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "True\n"
    assert read_log(tmp_path / "PythonSystemLog.txt") == [
        "Exception thrown in processStarted method.",
        "Exception thrown in processSuspended method.",
        "Exception thrown in timeUp method.",
        "Exception thrown in processTerminated method."] + [CLOSED]
    for key in ["started", "suspended", "time up", "terminated"]:
        assert result.stderr.count("KeyError: '%s'" % key) == 1, result


def test_without_the_python_log_failures_are_only_printed(run_script, tmp_path):
    result = run_script("""
    import gc
    from tarnu import *

    logs = LogManager()
    logs.createLog("Main.txt", LogFile.ML_TRIVIAL, False, LogFile.ML_CRITICAL, True)

    class Raising(EventListener):
        def handleEvent(self, event):
            raise ValueError("listener failed")

    events = EventManager()
    listener = Raising(3)
    events.addEventListener(listener)
    events.postEvent(Event(3, 0.0))
    print("carried on")
    """ + CLOSE_LOGS)
    assert result.returncode == 0, result
    assert result.stdout == "carried on\n" and "ValueError: listener failed" in result.stderr
    assert not (tmp_path / "PythonSystemLog.txt").exists()
    assert read_log(tmp_path / "Main.txt") == ["Log manager shut down."] + [CLOSED]
