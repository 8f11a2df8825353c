"""sys.exit() or a KeyboardInterrupt raised in any method the engine calls belongs to the script: it ends Root.run
(or reaches the script right after the engine call it came from), the script's own handlers and `finally` run, and
the engine shuts down cleanly; it is never printed as a callback's error, nor does it end the process on the spot."""

import pytest
from logfiles import printed
from test_root import LEAK_FREE

PRELUDE = """
import signal, sys
import sdl_input
from tarnu import *

signal.signal(signal.SIGINT, signal.default_int_handler)
root = Root()
root.initialize(64, 48, 0, False)
scene = SceneManager.createNew()
frames = []

class Quitter(Process):
    def updateProcess(self, elapsed):
        frames.append(elapsed)
        if len(frames) == 3:
            QUIT()

class Keys(KeyListener):
    def keyPressed(self, event):
        QUIT()
    def keyReleased(self, event):
        pass

class Leaver(Component):
    super = Component
    def createCopy(self):
        return Leaver()
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is not None:
            QUIT()

def run():
    scene.addProcess(Quitter())
    root.run(scene, None, 60)

def press():
    keys = Keys()
    InputManager.getSingleton().addEventListener(keys)
    sdl_input.key(sdl_input.SDLK_a)
    root.run(scene, None, 60)

def attach():
    Entity.createNew("leaver").addComponent(Leaver())
    print("> after the call")          # never reached: the exit comes as the call returns

def define():
    with open("quitting.py", "w") as module:
        module.write("import sys\\ndef build(fsm):\\n    QUIT()\\n")
    sys.path.insert(0, ".")
    FSMResourceManager.getSingleton().loadFSMFromModule("quitting", "quitting", "build").load()
"""

EXITS = {"sys.exit(3)": (SystemExit, "3"), "raise KeyboardInterrupt('stop')": (KeyboardInterrupt, "stop")}
WHERE = ["run", "press", "attach", "define"]


@pytest.mark.parametrize("where", WHERE)
@pytest.mark.parametrize("quit", EXITS)
def test_an_exit_raised_in_a_callback_reaches_the_script_whose_finally_runs(run_script, quit, where):
    kind, text = EXITS[quit]
    result = run_script(PRELUDE.replace("QUIT()", quit) + """
try:
    %s()
except %s as stop:
    print(">", ["caught", str(stop), len(frames)])
finally:
    print(">", ["finally"])
    root.shutdown()
""" % (where, kind.__name__))
    assert result.returncode == 0, result
    caught, last = printed(result)
    assert caught[:2] == ["caught", text] and last == ["finally"]
    if where == "run":
        assert caught[2] == 3     # the frame that asked was the last
    assert "Traceback" not in result.stderr and "Exception thrown" not in result.stderr
    assert result.stdout.splitlines()[-1] == LEAK_FREE


def test_an_exit_nobody_catches_ends_the_process_with_its_status_after_a_clean_shutdown(run_script):
    result = run_script(PRELUDE.replace("QUIT()", "sys.exit(3)") + "run()\n")
    assert result.returncode == 3, result
    assert result.stdout.splitlines()[-1] == LEAK_FREE and "Traceback" not in result.stderr
