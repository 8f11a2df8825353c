"""Root from a game script's point of view: bringing the engine up and down,
the main loop with input pushed into SDL, and what a session leaves in its
logs and on standard output. Each scenario runs in a process of its own."""

from logfiles import read_log

PRELUDE = """
import gc, math, os, signal, sys
import sdl_input
from tarnu import *
"""

LEAK_FREE = "No memory leaks detected in scene graph."


def test_only_one_root_at_a_time_and_it_can_be_made_again(run_script):
    result = run_script(PRELUDE + """
first = Root()
try:
    Root()
except RuntimeError as error:
    print("second:", error)
del first
again = Root()
try:
    again.shutdown()
except RuntimeError as error:
    print("shutdown:", error)
try:
    again.initialize(800, 600, 0)
except TypeError:
    print("initialize takes four arguments")
del again
print("done")
""")
    assert result.returncode == 0, result
    assert result.stdout.splitlines() == [
        "second: Root already initialized",
        "shutdown: Attempted to shutdown non initialized Root.",
        "initialize takes four arguments",
        "done"]


def test_a_session_hears_input_runs_until_escape_and_reports(run_script, tmp_path):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(800, 600, 0, False)
heard = []

class Keys(KeyListener):
    def keyPressed(self, event):
        heard.append(("pressed", int(event.key), KeyEvent.getKeyName(event.key)))
    def keyReleased(self, event):
        heard.append(("released", int(event.key), int(event.state)))

class Mouse(MouseListener):
    def mousePressed(self, event):
        heard.append(("mouse", event.x, event.y, event.button))

class Steps(Process):
    count = 0
    def updateProcess(self, elapsed):
        Steps.count += 1
        heard.append(("step", round(elapsed, 3)))

keys, mouse = Keys(), Mouse()
InputManager.getSingleton().addEventListener(keys)
InputManager.getSingleton().addEventListener(mouse)
scene = SceneManager.createNew()
scene.addProcess(Steps())
sdl_input.tap(sdl_input.SDLK_SPACE)
sdl_input.mouse_button(30, 40, 3)
sdl_input.tap(sdl_input.SDLK_ESCAPE)
root.run(scene, None, 60)
print(heard)
print("entities", scene.getNumEntities())
del scene
root.shutdown()
print([manager.getSingleton() for manager in (LogManager, InputManager, EventFactory, ComponentFactory)])
""")
    assert result.returncode == 0, result
    lines = result.stdout.splitlines()
    heard = eval(lines[lines.index("entities 0") - 1])
    assert heard[:5] == [("pressed", 32, "space"), ("released", 32, KEY_RELEASED), ("mouse", 30, 40, 3),
                         ("pressed", 27, "escape"), ("released", 27, KEY_RELEASED)]
    assert heard[5:] == [("step", 0.016)], "Escape ends the loop after the frame it was pressed in"
    assert "[None, None, None, None]" in lines
    assert lines[-1] == LEAK_FREE

    tarnu_log = read_log(tmp_path / "TarnuLog.txt")
    assert any(line.startswith("timeDiff:") for line in tarnu_log)
    totals = [line for line in tarnu_log if line.startswith("Total run time: ")]
    assert len(totals) == 1 and totals[0].endswith(" Total Frame Count: 1")
    assert "Active Entities: 0" in tarnu_log and "Active Components: 0" in tarnu_log
    assert tarnu_log[-2:] == ["Log manager shut down.", "Log File Closed."]
    video_log = read_log(tmp_path / "VideoSystemLog.txt")
    assert "Initialized video subsytem. Using video mode: Width: 800 Height: 600 BitDepth: 32 FullScreen: false." \
        in video_log
    # The totals are echoed on standard output.
    assert any(line.startswith("Total run time: ") for line in lines)


KEY_RELEASED = 3


def test_closing_the_window_ends_run_after_the_frame(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
steps = []
class Steps(Process):
    def updateProcess(self, elapsed):
        steps.append(elapsed)
manager = ProcessManager.createNew(0.0)
manager.addProcess(Steps())
sdl_input.quit()
root.run(manager, None, 30)
print(len(steps), round(manager.getCurrentTime(), 3))
root.run(None, None, 30)
root.shutdown()
""")
    assert result.returncode == 0, result
    assert "1 0.033" in result.stdout.splitlines()


def test_bad_frame_rates_and_shutdown_inside_run_are_refused(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
manager = ProcessManager.createNew(0.0)
for fps in (0, -5, float("nan")):
    try:
        root.run(manager, None, fps)
    except RuntimeError as error:
        print("refused", fps)
class Quitter(Process):
    def updateProcess(self, elapsed):
        try:
            root.shutdown()
        except RuntimeError as error:
            print("inside run:", error)
        sdl_input.tap(sdl_input.SDLK_ESCAPE)
manager.addProcess(Quitter())
root.run(manager, None, 60)
print("still up:", InputManager.getSingleton() is not None)
root.shutdown()
""")
    assert result.returncode == 0, result
    lines = result.stdout.splitlines()
    assert [line for line in lines if line.startswith("refused")] == ["refused 0", "refused -5", "refused nan"]
    assert any(line.startswith("inside run: ") for line in lines)
    assert "still up: True" in lines


def test_initializing_twice_is_refused_and_reports_leaks_for_each_call(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
try:
    root.initialize(320, 240, 0, False)
except RuntimeError as error:
    print(error)
root.shutdown()
""")
    assert result.returncode == 0, result
    lines = result.stdout.splitlines()
    assert "Root already initialized." in lines
    assert lines[-2:] == [LEAK_FREE] * 2


def test_failed_start_leaves_nothing_behind_and_can_be_retried(run_script, tmp_path):
    result = run_script(PRELUDE + """
root = Root()
try:
    root.initialize(0, 0, 0, False)
except RuntimeError as error:
    print("video:", error)
print([m.getSingleton() for m in (LogManager, InputManager, EventFactory, ComponentFactory)])
os.environ["SDL_VIDEODRIVER"] = "no-such-driver"
try:
    root.initialize(320, 240, 0, False)
except RuntimeError as error:
    print("sdl:", str(error).startswith("Couldn't initialize SDL: "))
print(LogManager.getSingleton())
os.environ["SDL_VIDEODRIVER"] = "offscreen"
root.initialize(320, 240, 0, False)
print("up:", InputManager.getSingleton() is not None)
root.shutdown()
""")
    assert result.returncode == 0, result
    lines = result.stdout.splitlines()
    said = [line for line in lines if line.startswith(("video:", "[", "sdl:", "None"))]
    assert said == ["video: Video mode not supported.", "[None, None, None, None]", "sdl: True", "None"]
    assert "up: True" in lines


def test_ctrl_c_ends_run_with_keyboard_interrupt_and_exit_shuts_down(run_script, tmp_path):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
class Interrupt(Process):
    def updateProcess(self, elapsed):
        os.kill(os.getpid(), signal.SIGINT)
manager = ProcessManager.createNew(0.0)
manager.addProcess(Interrupt())
try:
    root.run(manager, None, 60)
except KeyboardInterrupt:
    print("interrupted")
""")
    assert result.returncode == 0, result
    assert "interrupted" in result.stdout.splitlines()
    assert read_log(tmp_path / "TarnuLog.txt")[-1] == "Log File Closed."


def test_listeners_dropped_during_their_own_callback_are_not_called_again(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
calls = []
class Once(KeyListener):
    def keyPressed(self, event):
        calls.append(self.name)
        global first, second
        first = second = None
        gc.collect()
first, second = Once(), Once()
first.name, second.name = "first", "second"
InputManager.getSingleton().addEventListener(first)
InputManager.getSingleton().addEventListener(second)
sdl_input.key(sdl_input.SDLK_a)
sdl_input.key(sdl_input.SDLK_a)
sdl_input.tap(sdl_input.SDLK_ESCAPE)
root.run(ProcessManager.createNew(0.0), None, 60)
print(calls)
root.shutdown()
""")
    assert result.returncode == 0, result
    assert "['first']" in result.stdout.splitlines()


def test_a_manager_reference_raises_after_shutdown(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(320, 240, 0, False)
logs, factory, components = LogManager.getSingleton(), EventFactory.getSingleton(), ComponentFactory.getSingleton()
root.shutdown()
for call in (lambda: logs.logMessageToDefault("x"), lambda: factory.isRegistered("x"),
             lambda: components.isRegistered("x")):
    try:
        call()
    except RuntimeError:
        print("refused")
""")
    assert result.returncode == 0, result
    assert result.stdout.splitlines().count("refused") == 3
