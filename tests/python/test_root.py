"""Root from a game script: bringing the engine up and down, the main loop with input pushed into SDL, and
what a session leaves in its logs and on stdout. Each scenario runs in its own process; tests read the "> " lines."""

from logfiles import read_log

PRELUDE = """
import gc, os, signal
import sdl_input
from tarnu import *

heard = []
class Steps(Process):
    def updateProcess(self, elapsed):
        heard.append(("step", round(elapsed, 3)))

def attempt(label, call, kind=RuntimeError):
    try:
        call()
    except kind as error:
        print(label, *str(error).splitlines()[:1])
"""

LEAK_FREE = "No memory leaks detected in scene graph."


def said(result):
    return [line[2:] for line in result.stdout.splitlines() if line.startswith("> ")]


def test_start_failures_roll_back_initialize_twice_and_ctrl_c_leave_a_clean_exit(run_script, tmp_path):
    result = run_script(PRELUDE + """
first = Root()
attempt("> second:", Root)
del first
root = Root()
attempt("> shutdown:", root.shutdown)
attempt("> three arguments:", lambda: root.initialize(800, 600, 0), TypeError)
attempt("> video:", lambda: root.initialize(0, 0, 0, False))
print(">", [m.getSingleton() for m in (LogManager, InputManager, EventFactory, ComponentFactory)])
os.environ["SDL_VIDEODRIVER"] = "no-such-driver"
attempt("> sdl:", lambda: root.initialize(320, 240, 0, False))
print(">", LogManager.getSingleton())
os.environ["SDL_VIDEODRIVER"] = "offscreen"
root.initialize(320, 240, 0, False)
print("> up:", InputManager.getSingleton() is not None)
attempt("> twice:", lambda: root.initialize(320, 240, 0, False))

# Ctrl-C ends run with KeyboardInterrupt; leaving the script then shuts the engine down. A shell
# that starts the tests in the background ignores SIGINT, and the interpreter then leaves it ignored.
signal.signal(signal.SIGINT, signal.default_int_handler)
class Interrupt(Process):
    def updateProcess(self, elapsed):
        os.kill(os.getpid(), signal.SIGINT)
manager = ProcessManager.createNew(0.0)
manager.addProcess(Interrupt())
attempt("> interrupted", lambda: root.run(manager, None, 60), KeyboardInterrupt)
""")
    assert result.returncode == 0, result
    lines = said(result)
    assert lines[:5] == ["second: Root already initialized", "shutdown: Attempted to shutdown non initialized Root.",
                         "three arguments: Python argument types in", "video: Video mode not supported.",
                         "[None, None, None, None]"]
    assert lines[5].startswith("sdl: Couldn't initialize SDL: ")
    assert lines[6:] == ["None", "up: True", "twice: Root already initialized.", "interrupted"]
    assert read_log(tmp_path / "TarnuLog.txt")[-2:] == ["Log manager shut down.", "Log File Closed."]
    # Every call of initialize, even a refused one, reports on leaks at exit.
    assert result.stdout.splitlines()[-4:] == [LEAK_FREE] * 4 and result.stdout.count(LEAK_FREE) == 4
    assert result.stderr == ""


def test_a_session_hears_input_runs_until_escape_and_reports(run_script, tmp_path):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(800, 600, 0, False)
class Keys(KeyListener):
    def keyPressed(self, event):
        heard.append(("pressed", int(event.key), KeyEvent.getKeyName(event.key)))
    def keyReleased(self, event):
        heard.append(("released", int(event.key), int(event.state)))
class Mouse(MouseListener):
    def mousePressed(self, event):
        heard.append(("mouse", event.x, event.y, event.button))
keys, mouse = Keys(), Mouse()
for listener in (keys, mouse):
    InputManager.getSingleton().addEventListener(listener)
scene = SceneManager.createNew()
scene.addProcess(Steps())
sdl_input.tap(sdl_input.SDLK_SPACE)
sdl_input.mouse_button(30, 40, 3)
sdl_input.tap(sdl_input.SDLK_ESCAPE)
root.run(scene, None, 60)
print(">", heard)
del scene
root.shutdown()
print(">", [manager.getSingleton() for manager in (LogManager, InputManager, EventFactory, ComponentFactory)])
""")
    assert result.returncode == 0, result
    lines = said(result)
    heard = eval(lines[0])
    assert heard[:5] == [("pressed", 32, "space"), ("released", 32, 3), ("mouse", 30, 40, 3),
                         ("pressed", 27, "escape"), ("released", 27, 3)]
    assert heard[5:] == [("step", 0.016)], "Escape ends the loop after the frame it was pressed in"
    assert lines[1:] == ["[None, None, None, None]"] and result.stdout.splitlines()[-1] == LEAK_FREE
    assert result.stderr == ""

    tarnu_log = read_log(tmp_path / "TarnuLog.txt")
    assert any(line.startswith("timeDiff:") for line in tarnu_log)
    totals = [line for line in tarnu_log if line.startswith("Total run time: ")]
    assert len(totals) == 1 and totals[0].endswith(" Total Frame Count: 1") and totals[0] in result.stdout
    # The factory's prototypes are live components while the engine runs; the exit report counts none.
    assert "Active Entities: 0" in tarnu_log and any(line.startswith("Active Components: ") for line in tarnu_log)
    assert tarnu_log[-2:] == ["Log manager shut down.", "Log File Closed."]
    assert "Initialized video subsytem. Using video mode: Width: 800 Height: 600 BitDepth: 32 FullScreen: false." \
        in read_log(tmp_path / "VideoSystemLog.txt")


def test_run_ends_on_quit_refuses_bad_rates_and_shutdown_drops_listeners_and_the_engine_comes_up_again(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)

# Closing the window ends run after the frame.
manager = ProcessManager.createNew(0.0)
manager.addProcess(Steps())
sdl_input.quit()
root.run(manager, None, 30)
print("> quit:", heard, round(manager.getCurrentTime(), 3))
root.run(None, None, 30)
manager = ProcessManager.createNew(0.0)
for fps in (0, -5, float("nan")):
    attempt("> refused %s" % fps, lambda: root.run(manager, None, fps))

# Listeners dropped during their own callback are not called again.
calls = []
class Once(KeyListener):
    def keyPressed(self, event):
        calls.append(self.name)
        global first, second
        first = second = None
        gc.collect()
first, second = Once(), Once()
first.name, second.name = "first", "second"
for listener in (first, second):
    InputManager.getSingleton().addEventListener(listener)
del listener
sdl_input.key(sdl_input.SDLK_a)
sdl_input.key(sdl_input.SDLK_a)
sdl_input.tap(sdl_input.SDLK_ESCAPE)
root.run(ProcessManager.createNew(0.0), None, 60)
print("> calls:", calls)

class Quitter(Process):
    def updateProcess(self, elapsed):
        attempt("> inside run", root.shutdown)
        sdl_input.tap(sdl_input.SDLK_ESCAPE)
manager.addProcess(Quitter())
root.run(manager, None, 60)
print("> still up:", InputManager.getSingleton() is not None)

# Manager references raise once the engine is shut down.
logs, factory, components = LogManager.getSingleton(), EventFactory.getSingleton(), ComponentFactory.getSingleton()
root.shutdown()
attempt("> gone logs", lambda: logs.logMessageToDefault("x"))
attempt("> gone events", lambda: factory.isRegistered("x"))
attempt("> gone components", lambda: components.isRegistered("x"))

# The engine comes up again in the same process, runs, and is shut down at exit.
root.initialize(320, 240, 0, False)
heard.clear()
manager = ProcessManager.createNew(0.0)
manager.addProcess(Steps())
sdl_input.tap(sdl_input.SDLK_ESCAPE)
root.run(manager, None, 30)
print("> again:", heard, InputManager.getSingleton() is not None)
""")
    assert result.returncode == 0, result
    lines = list(dict.fromkeys(said(result)))
    expected = ["quit: [('step', 0.033)] 0.033", "refused 0 ", "refused -5 ", "refused nan ", "calls: ['first']",
                "inside run ", "still up: True", "gone logs Error:", "gone events Error:", "gone components Error:",
                "again: [('step', 0.033)] True"]
    assert len(lines) == len(expected) and all(map(str.startswith, lines, expected)), lines
    assert result.stdout.splitlines()[-2:] == [LEAK_FREE] * 2 and result.stderr == ""
