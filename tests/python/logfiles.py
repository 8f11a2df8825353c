"""Log files as tests read them, the values scenarios print on "> " lines, and the script lines that set up the logs the
Python bridges report to (the log manager is a process-wide singleton that
writes into the working directory, so such scripts run in processes of their own)."""

import ast
import re

HEADER = re.compile(r"^(?P<name>\S+): Logging file generated on \d{4}:\d{2}:\d{2} at \d{2}:\d{2}:\d{2}$")
LINE = re.compile(r"^\d{2}:\d{2}:\d{2}: (?P<text>.*)$")

# The log the bridges report to, and a default log that must stay free of their reports.
LOGS = """
    import gc
    from tarnu import *

    logs = LogManager()
    logs.createLog("PythonSystemLog.txt", LogFile.ML_TRIVIAL, False, LogFile.ML_CRITICAL, False)
    logs.createLog("Main.txt", LogFile.ML_NORMAL, False, LogFile.ML_CRITICAL, True)
"""
# Deletes the log manager before the interpreter shuts down, so that its closing lines are certain.
CLOSE_LOGS = """
    del logs
    gc.collect()
"""
CLOSED = "Log File Closed."


def read_log(path):
    """The messages of a log file after its header, each checked for the time prefix;
    a message that spans lines continues without one."""
    lines = path.read_text().splitlines()
    header = HEADER.match(lines[0])
    assert header and header.group("name") == path.name, lines[0]
    messages = []
    for line in lines[1:]:
        match = LINE.match(line)
        messages.append(match.group("text") if match else line)
    return messages


def printed(result):
    """The values a scenario printed on "> " lines (as Python literals), in order."""
    return [ast.literal_eval(line[2:]) for line in result.stdout.splitlines() if line.startswith("> ")]
