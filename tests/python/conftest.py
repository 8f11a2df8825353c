"""Shared fixtures: the freshly built module on sys.path, and a runner for
scripts that need a process of their own (engine singletons, Root)."""

import os
import subprocess
import sys
import textwrap

import pytest

BUILD_DIR = os.environ.get(
    "TARNU_BUILD_DIR",
    os.path.join(os.path.dirname(__file__), "..", "..", "build"))
MODULE_DIR = os.path.abspath(os.path.join(BUILD_DIR, "python"))
sys.path.insert(0, MODULE_DIR)


LEAK_WARNING = "WARNING: MEMORY LEAK DETECTED IN SCENE GRAPH!"


class ScriptResult:
    def __init__(self, completed):
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr

    def __repr__(self):
        return "rc=%d\nstdout:\n%s\nstderr:\n%s" % (self.returncode, self.stdout, self.stderr)


@pytest.fixture
def run_script(tmp_path):
    """Runs a Python script in a fresh interpreter with tmp_path as the working
    directory (so log files land there) and answers its exit code and output;
    a script whose exit report finds live entities or components fails, unless it is meant to leak."""
    def run(source, timeout=60, env=None, leaks=False):
        environment = dict(os.environ)
        environment["PYTHONPATH"] = MODULE_DIR + os.pathsep + os.path.dirname(os.path.abspath(__file__))
        environment.setdefault("SDL_VIDEODRIVER", "offscreen")
        if env:
            environment.update(env)
        completed = subprocess.run(
            [sys.executable, "-c", textwrap.dedent(source)], cwd=tmp_path, env=environment,
            capture_output=True, encoding="utf-8", errors="backslashreplace", timeout=timeout)
        # Every scenario ends with nothing of the scene graph left alive, whatever it tested.
        assert (LEAK_WARNING in completed.stdout) == leaks, ScriptResult(completed)
        return ScriptResult(completed)
    return run


@pytest.fixture
def data_file(tmp_path):
    """Writes a data file (dedented, folders made) under tmp_path, the working
    directory of run_script, and answers its path."""
    def write(name, text):
        path = tmp_path / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(textwrap.dedent(text).lstrip("\n"))
        return path
    return write

