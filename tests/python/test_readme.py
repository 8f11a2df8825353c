"""Every sample of the README runs as written: each Python block is saved in a copy of the examples folder
under the name its first line gives ("# sprite.py"; a block without one gets a name of its own) and run from
there headless, a main loop ended after a moment as a closed window ends it. Each must end with no error and,
when it started the engine, with no leak. XML blocks are saved under the name their first comment gives,
which must be the repository's own copy of that file."""

import os
import re
import shutil
import signal
import subprocess
import sys

import pytest
from conftest import LEAK_WARNING, MODULE_DIR
from test_root import LEAK_FREE

TOP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
BLOCK = re.compile(r"^```(python|xml)\n(.*?)^```", re.S | re.M)
PYTHON_NAME = re.compile(r"^# ([\w/]+\.py)\n")
XML_NAME = re.compile(r"^<!-- ([\w/.]+\.xml)\b")


def samples():
    with open(os.path.join(TOP, "README.md")) as readme:
        text = readme.read()
    python, xml = [], []
    for number, (kind, body) in enumerate(BLOCK.findall(text)):
        if kind == "xml":
            named = XML_NAME.match(body)
            if named:
                xml.append((named.group(1), body))
            continue
        named = PYTHON_NAME.match(body)
        python.append((named.group(1) if named else "sample%d.py" % number, body))
    return python, xml


PYTHON, XML = samples()


@pytest.fixture(scope="module")
def folder(tmp_path_factory):
    """The examples folder with every sample of the README saved in it."""
    where = tmp_path_factory.mktemp("readme") / "examples"
    shutil.copytree(os.path.join(TOP, "examples"), where, ignore=shutil.ignore_patterns("*Log.txt", "*LogFile.txt", "__pycache__"))
    for name, body in XML + PYTHON:
        (where / name).parent.mkdir(parents=True, exist_ok=True)
        (where / name).write_text(body)
    return where


@pytest.mark.parametrize("name, body", XML, ids=[name for name, _ in XML])
def test_the_data_files_the_readme_shows_are_the_repositorys(name, body):
    with open(os.path.join(TOP, "examples", name)) as shipped:
        assert shipped.read() == body


@pytest.mark.parametrize("name", [name for name, _ in PYTHON])
def test_a_readme_sample_runs_as_written(folder, name):
    environment = dict(os.environ, PYTHONPATH=MODULE_DIR + os.pathsep + str(folder))
    environment.setdefault("SDL_VIDEODRIVER", "offscreen")
    script = subprocess.Popen([sys.executable, name], cwd=folder, env=environment, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, encoding="utf-8", errors="backslashreplace")
    try:
        # A main loop runs until its window closes: close it once the sample has had time to play.
        try:
            script.wait(timeout=4)
        except subprocess.TimeoutExpired:
            script.send_signal(signal.SIGTERM)
        stdout, stderr = script.communicate(timeout=60)
    finally:
        if script.poll() is None:
            script.kill()
    result = "rc=%d\nstdout:\n%s\nstderr:\n%s" % (script.returncode, stdout, stderr)
    assert script.returncode == 0 and "Traceback" not in stderr and LEAK_WARNING not in stdout, result
    if "Root()" in (folder / name).read_text() or "from start import" in (folder / name).read_text():
        assert stdout.splitlines()[-1] == LEAK_FREE, result
