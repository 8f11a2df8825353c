"""sys.exit() or a KeyboardInterrupt raised in any method the engine calls belongs to the script: it ends Root.run
(or reaches the script right after the engine call it came from), the script's own handlers and `finally` run, and
the engine shuts down cleanly; it is never printed as a callback's error, nor does it end the process on the spot."""

from logfiles import printed
from test_root import LEAK_FREE

# Both kinds of exit from a process, a key listener, a component's hook and a state machine's module; then one uncaught.
SCRIPT = """
import sys, sdl_input
from tarnu import *

root = Root()
root.initialize(64, 48, 0, False)
frames = []
class Quitter(Process):
    def updateProcess(self, elapsed):
        frames.append(elapsed)
        if len(frames) == 3:
            leave()                    # the frame that asks is the last: the frames stay at 3
class Keys(KeyListener):
    def keyPressed(self, event):
        leave()
class Leaver(Component):
    super = Component
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is not None:
            leave()
InputManager.getSingleton().addEventListener(keys := Keys())      # the script keeps its listeners
def run():
    frames.clear()
    scene = SceneManager.createNew()
    scene.addProcess(Quitter())
    root.run(scene, None, 60)
def press():
    sdl_input.key(sdl_input.SDLK_a)
    root.run(SceneManager.createNew(), None, 60)
def attach():
    Entity.createNew("leaver").addComponent(Leaver())
    print("> after the call")          # never reached: the exit comes as the call returns
def define():
    FSMResourceManager.getSingleton().loadFSMFromModule(leave.__name__, "quitting", "build").load()
def interrupt():
    raise KeyboardInterrupt("stop")
for leave in (interrupt, lambda: sys.exit(3)):
    for where in (run, press, attach, define):
        try:
            where()
        except (SystemExit, KeyboardInterrupt) as stop:
            print(">", [where.__name__, type(stop).__name__, str(stop), len(frames)])
try:
    run()                              # leave is still sys.exit(3)
finally:
    print(">", ["finally", len(frames)])
    root.shutdown()
"""


def test_an_exit_in_a_callback_reaches_the_script_and_one_nobody_catches_is_the_exit_status(run_script, data_file):
    data_file("quitting.py", "import __main__\ndef build(fsm):\n    __main__.leave()\n")
    result = run_script(SCRIPT)
    assert result.returncode == 3 and result.stdout.splitlines()[-1] == LEAK_FREE, result
    assert printed(result) == [[where, kind, text, 3] for kind, text in (("KeyboardInterrupt", "stop"), (
        "SystemExit", "3")) for where in ("run", "press", "attach", "define")] + [["finally", 3]]
    assert "Traceback" not in result.stderr and "Exception thrown" not in result.stderr, result
