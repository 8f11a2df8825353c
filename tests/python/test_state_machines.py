"""Unit state machines as a game script uses them: definitions loaded from Python modules and script files (and
what becomes of faulty ones), machines that the events of their entity move, the controller that runs one machine
of an entity at a time, and machines written in Python. Scenarios run in processes of their own (machines_prelude)."""

import math

import pytest

from logfiles import printed, read_log
from tarnu import (Component, FactoryEvent, FSMResource, FSMResourceManager, MovableActionEvent, Resource,
                   ResourceManager, UnitFSM, UnitFSMComponent, UnitFSMController, UnitFSMControllerActionEvent)

PRELUDE = "from machines_prelude import *\n"
EPILOGUE = """
scene.clear()
del scene
# Before the engine goes, as a tidy game's objects do: a machine whose reaction reads the script's
# globals, among them its own entity, would otherwise outlive the leak report.
for name in [name for name, value in globals().items() if isinstance(value, (Entity, Component))]:
    del globals()[name]
root.shutdown()
"""
DEFINITIONS = """
defined("guard", ["post", "chase"], [("post", "chase", 1001)], default="post")
defined("flee", ["run", "hide"], [("run", "hide", 1001)], default="run")
defined("third", ["only"], default="only")
"""


def play(run_script, source):
    """Runs a scenario to its end, leak-free, and answers its result and what it said."""
    result = run_script(PRELUDE + source + EPILOGUE)
    assert result.returncode == 0, result
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph."), result
    return result, printed(result)


def test_the_python_surface_of_state_machines():
    bases = {FSMResource: [Resource], FSMResourceManager: [ResourceManager], UnitFSM: [],
             UnitFSMComponent: [Component, UnitFSM], UnitFSMController: [Component],
             UnitFSMControllerActionEvent: [FactoryEvent]}
    for cls, expected in bases.items():
        assert [base for base in cls.__bases__ if base.__module__ == "tarnu"] == expected, cls
    methods = {FSMResource: "addState addTransition setDefaultStartingState clearAllStates",
               FSMResourceManager: "getSingleton loadFSMFromModule loadFSMFromScript createEmptyFSM",
               UnitFSM: "getState setState getStateMachine connect disconnect isConnected",
               UnitFSMComponent: "stateChanged entityChanged managerChanged",
               UnitFSMController: "registerFSM isRegistered getRegistered getActiveFSM setFSM"}
    for cls, names in methods.items():
        assert all(callable(getattr(cls, name)) for name in names.split()), cls
    assert UnitFSMControllerActionEvent.FACTORY_TYPE == "UnitFSMControllerAction"
    assert UnitFSMControllerActionEvent.TYPE > MovableActionEvent.TYPE
    for cls in (FSMResource, FSMResourceManager, UnitFSM):
        with pytest.raises(RuntimeError):
            cls()
    # Machines need the engine's manager of definitions; without it there is none to answer.
    assert FSMResourceManager.getSingleton() is None
    with pytest.raises(RuntimeError, match="^Error: attempt to dereference singleton class "
                                           "Tarnu::FSMResourceManager when singleton is null.$"):
        UnitFSMComponent("guard")
    event = UnitFSMControllerActionEvent("guard", 2.5)
    assert (event.getEventType(), event.getEventTime(), event.createCopy(4.0).getEventTime()) == (
        UnitFSMControllerActionEvent.TYPE, 2.5, 4.0)
    with pytest.raises(ValueError, match="eventTime"):
        UnitFSMControllerActionEvent("guard", math.nan)
    controller = UnitFSMController()
    controller.registerFSM(None)
    controller.setFSM("guard")
    assert (controller.getActiveFSM(), controller.isRegistered("guard"), controller.getType()) == (
        None, False, "UnitFSMController")


def test_definitions_load_from_modules_and_scripts_and_faulty_ones_are_logged(run_script, data_file, tmp_path):
    data_file("guard_states.py", """
        def build(fsm):
            fsm.addState("idle", False, True)
            fsm.addState("dead", True)
            fsm.addTransition("idle", "dead", 1001)

        def broken(fsm):
            fsm.addState("first")
            fsm.addState("second")
            1 / 0
        """)
    data_file("flee.fsm", """
        open("flee.runs", "a").write("run ")
        print(">", (type(fsm).__name__, fsm.getName(), "Entity" in globals()))
        fsm.addState("run", False, True)
        """)
    result, said_lines = play(run_script, """
guard = fsms.loadFSMFromModule("guard", "guard_states", "build")
flee = fsms.loadFSMFromScript("flee", "flee.fsm")
# A name held already answers what is held, whatever it is asked to load from; no name gives nothing.
said(guard.getLoadState() == Resource.UNLOADED, fsms.loadFSMFromScript("guard", "other.fsm") == guard,
     fsms.loadFSMFromModule("", "guard_states", "build"), fsms.createEmptyFSM(""))
# A machine built with the name loads its definition on first use.
sentry, runner = Machine("guard"), Machine("flee")
sentry.connect(unit("sentry", sentry))
runner.connect(unit("runner", runner))
said(guard.isLoaded(), guard.wasLoadError(), drain())

for name, module, function in [("broken", "guard_states", "broken"), ("nomodule", "no_such_module", "build"),
                               ("nofunction", "guard_states", "missing"), ("noscript", "missing.fsm", "")]:
    fsm = fsms.loadFSMFromModule(name, module, function)
    fsm.load()
    said(name, fsm.isLoaded(), fsm.wasLoadError())
# What a failed load added stays, and its machines do not connect.
broken = fsms.getResource("broken")
wreck = Machine("broken")
wreck.connect(unit("wreck", wreck), 1)
said(broken.addTransition("first", "second", 1001), wreck.isConnected(), wreck.getState())

# Filled by the game: states only once loaded, numbered from 1; the null state has no name to find.
later = fsms.createEmptyFSM("later")
said(attempt(lambda: later.addState("one")), later.addTransition("one", "two", 1001))
later.load()
said(later.addState("one"), later.addState("two", True), later.addState("three", False, True),
     attempt(lambda: later.addState("one")), attempt(lambda: later.addTransition("", "one", 1001)))
later.addTransition("one", "two", 1001)
said(attempt(lambda: later.addTransition("one", "three", 1001)))
# Reloading runs the script again; unloaded, a definition's machines do not connect.
stray = Machine("flee")
flee.reload()
flee.unload()
stray.connect(unit("stray", stray))
said(open("flee.runs").read(), stray.isConnected(), drain())
""")
    assert said_lines == [
        (True, True, None, None),
        ("FSMResource", "flee", True),
        (True, False, [("guard", 0, 1, None), ("flee", 0, 1, None)]),
        ("broken", True, True), ("nomodule", True, True), ("nofunction", True, True), ("noscript", True, True),
        (None, False, 0),
        ("RuntimeError: adding state when unloaded", None),
        (1, 2, 3, "RuntimeError: state already added", "RuntimeError: states not found"),
        ("RuntimeError: transition already set",),
        ("FSMResource", "flee", True),
        ("run run ", False, []),
    ]
    assert [line for line in read_log(tmp_path / "PythonSystemLog.txt") if "FSM" in line] == [
        "Error loading FSM " + name for name in ("broken", "nomodule", "nofunction", "noscript")]
    assert not any("FSM" in line for line in read_log(tmp_path / "TarnuLog.txt"))
    causes = ["ZeroDivisionError", "No module named 'no_such_module'", "KeyError: 'missing'",
              "FileNotFoundError: [Errno 2] No such file or directory: 'missing.fsm'"]
    places = [result.stderr.find(cause) for cause in causes]
    assert -1 not in places and places == sorted(places), result.stderr


def test_a_machine_follows_the_events_of_the_manager_it_is_connected_to(run_script):
    _, said_lines = play(run_script, """
defined("walker", ["stand", "walk", "run", "fall!"],
        [("stand", "walk", 1001), ("walk", "run", 1001), ("run", "fall", 1002)], default="walk")
walker = Machine("walker")
body = unit("body", walker)
walker.setState(1)
said(walker.getState(), drain())
walker.connect(body)
walker.connect(body, 1)
# Its current state and a number past its states change nothing.
walker.setState(2)
walker.setState(5)
said(walker.getState(), drain())
# One event moves it once; the same Python event object posted again moves it again.
walker.setState(1)
step = Event(1001, 0.0)
body.postEvent(step)
body.postEvent(step)
said(drain())
# A queued event moves it when released; a terminal state ends its listening, though it keeps the state.
body.queueEvent(Event(1002, 5.0))
body.dispatchEvents(5.0)
poke(body, 1001)
said(drain(), walker.isConnected(), walker.getState())
walker.connect(body)
walker.disconnect()
said(drain(), walker.isConnected())

# A start state overrides the default; with neither, a machine waits in state 0 for setState.
defined("plain", ["a", "b"], [("a", "b", 1001)])
eager, idle = Machine("walker"), Machine("plain")
idler = unit("idler", idle)
eager.connect(body, 1)
idle.connect(idler)
poke(idler, 1001)
said(drain(), idle.getState(), idle.isConnected())
# Two machines of one definition on one entity: the first follows it, also after the second left.
first, second = Machine("plain"), Machine("plain")
pair = unit("pair", first, second)
first.connect(pair, 1)
second.connect(pair, 1)
second.disconnect()
poke(pair, 1001)
said(drain(), Machine("").getStateMachine())
""")
    assert said_lines == [
        (0, []),
        (2, [("walker", 0, 2, None)]),
        ([("walker", 2, 1, None), ("walker", 1, 2, 1001), ("walker", 2, 3, 1001)],),
        ([("walker", 3, 4, 1002)], False, 4),
        ([("walker", 4, 0, None)], False),
        ([("walker", 0, 1, None)], 0, True),
        ([("plain", 0, 1, None), ("plain", 0, 1, None), ("plain", 1, 0, None), ("plain", 1, 2, 1001)], None),
    ]


def test_a_controller_runs_one_machine_of_its_entity_at_a_time(run_script):
    _, said_lines = play(run_script, DEFINITIONS + """
class Early(Machine):
    pass
class Twin(Machine):
    pass
early, controller, guard, flee, twin = Early("third"), UnitFSMController(), Machine("guard"), Machine("flee"), \\
    Twin("guard")
body = unit("body", early, controller, guard, flee, twin)
# Machines that came before the controller, or whose name is taken, are not registered.
said(controller.isRegistered("third"), controller.getRegistered("guard") is guard, body.addComponent(
    UnitFSMController()))
controller.setFSM("flee")
controller.setFSM("guard")
poke(body, 1001)
for name in ("guard", "nobody"):
    controller.setFSM(name)
said(drain(), flee.getState(), controller.getActiveFSM() is guard)
# Action events switch; an empty name stops; another event under their number is not theirs.
body.postEvent(UnitFSMControllerActionEvent("flee", 0.0))
body.postEvent(Event(UnitFSMControllerActionEvent.TYPE, 0.0))
body.postEvent(UnitFSMControllerActionEvent("", 0.0))
controller.setFSM("")
said(drain(), controller.getActiveFSM())
params = ParameterList()
params.add("fsm", "guard")
params.add("time", "soon")
body.queueEvent(EventFactory.getSingleton().create("UnitFSMControllerAction", params))
scene.updateProcess(0.5)
blank = EventFactory.getSingleton().create("UnitFSMControllerAction", ParameterList())
body.postEvent(blank)
said(drain(), blank.getEventTime())

# Taking off a twin leaves the registered machine; taking off the running one stops and unregisters it.
controller.setFSM("guard")
remove(body, "Twin")
remove(body, "Machine")
said(drain(), controller.isRegistered("guard"), controller.getActiveFSM())
# A machine a script connected itself stops listening to the entity it leaves.
early.connect(body)
remove(body, "Early")
said(drain(), early.isConnected())
# Leaving the scene stops the running machine; outside one nothing starts, also not once it is back.
controller.setFSM("flee")
node = body.getSceneNode()
scene.removeNode(node)
controller.setFSM("flee")
scene.addNode(node)
said(drain(), controller.getActiveFSM())
# A machine that came before its controller runs once the script registers it.
late_machine, late_controller = Early("third"), UnitFSMController()
unit("late", late_machine, late_controller)
late_controller.registerFSM(late_machine)
late_controller.setFSM("third")
said(drain(), late_controller.getRegistered("third") is late_machine, late_controller.getActiveFSM() is late_machine)
""")
    assert said_lines == [
        (False, True, False),
        ([("flee", 0, 1, None), ("flee", 1, 0, None), ("guard", 0, 1, None), ("guard", 1, 2, 1001)], 0, True),
        ([("guard", 2, 0, None), ("flee", 0, 1, None), ("flee", 1, 0, None)], None),
        ([("guard", 0, 1, None), ("guard", 1, 0, None)], 0.0),
        ([("guard", 0, 1, None), ("guard", 1, 0, None)], False, None),
        ([("third", 0, 1, None), ("third", 1, 0, None)], False),
        ([("flee", 0, 1, None), ("flee", 1, 0, None)], None),
        ([("third", 0, 1, None)], True, True),
    ]


def test_switches_asked_for_inside_a_switch_leave_one_machine_running(run_script):
    _, said_lines = play(run_script, DEFINITIONS + """
def handOver(machine, old, new, event):
    if new == 0:
        keeper.setFSM("third")
def giveUp(machine, old, new, event):
    if new != 0:
        keeper.setFSM("")
keeper, leaving, asked, third = UnitFSMController(), Machine("guard", handOver), Machine("flee", giveUp), \\
    Machine("third")
unit("crowd", keeper, leaving, asked, third)
keeper.setFSM("guard")
keeper.setFSM("flee")
said(drain(), keeper.getActiveFSM() is third, asked.isConnected(), third.isConnected())
keeper.setFSM("")
keeper.setFSM("flee")
said(drain(), keeper.getActiveFSM(), asked.isConnected())
""")
    assert said_lines == [
        ([("guard", 0, 1, None), ("guard", 1, 0, None), ("third", 0, 1, None)], True, False, True),
        ([("third", 1, 0, None), ("flee", 0, 1, None), ("flee", 1, 0, None)], None, False),
    ]


def test_event_scripts_of_a_data_file_switch_a_units_machines(run_script, data_file):
    data_file("orders.xml", """
        <Data>
          <EventScript name="Orders">
            <Event type="UnitFSMControllerAction" time="1" destination="body"><Param name="fsm" value="guard"/></Event>
            <Event type="UnitFSMControllerAction" time="2" destination="body"><Param name="fsm" value="flee"/></Event>
            <Event type="UnitFSMControllerAction" time="2.5" destination="body"><Param name="fsm" value="ghost"/></Event>
            <Event type="UnitFSMControllerAction" time="3" destination="body"/>
          </EventScript>
        </Data>""")
    _, said_lines = play(run_script, DEFINITIONS + """
orders = EventScriptManager.getSingleton().loadScript("Orders", "orders.xml")
orders.load()
unit("body", UnitFSMController(), Machine("guard"), Machine("flee"))
scene.addProcess(orders.createProcess(scene))
for step in range(4):
    scene.updateProcess(1.0)
    said(step, drain())
""")
    assert said_lines == [(0, [("guard", 0, 1, None)]), (1, [("guard", 1, 0, None), ("flee", 0, 1, None)]),
                          (2, [("flee", 1, 0, None)]), (3, [])]


def test_machines_written_in_python_hear_the_engine_and_their_errors_stay_theirs(run_script, tmp_path):
    result, said_lines = play(run_script, DEFINITIONS + """
class Nameless(UnitFSMComponent):
    def stateChanged(self, old, new, event):
        pass
nameless = Nameless("guard")
said(nameless.getType(), nameless.getSuperType())
def shout(machine, old, new, event):
    raise ValueError("loud in state %d" % new)
loud = Machine("guard", shout)
loud.connect(unit("loud", loud))
poke(loud.getEntity(), 1001)
said(drain(), loud.getState())

# The engine registers the machine with the controller before the machine's own entityChanged runs.
notes = []
class Watcher(Machine):
    def entityChanged(self, new, old):
        if new:
            notes.append(Component.getComponent("UnitFSMController", new).isRegistered("flee"))
watcher = Watcher("flee")
unit("watched", UnitFSMController(), watcher)
said(notes, attempt(lambda: UnitFSMComponent.stateChanged(watcher, 0, 1, None)),
     UnitFSMComponent.managerChanged(watcher, None, None))
# The component factory makes machines from a registered prototype through createNew.
components = ComponentFactory.getSingleton()
components.registerType(Machine("guard"))
params = ParameterList()
params.add("fsm", "flee")
made = components.create("Machine", params)
said(made.getType(), made.getSuperType(), made.getStateMachine().getName())
""")
    assert said_lines == [
        ("Nameless", ""),
        ([("guard", 0, 1, None), ("guard", 1, 2, 1001)], 2),
        ([True], "RuntimeError: Pure virtual function called", None),
        ("Machine", "Component", "flee"),
    ]
    # Printed each time, never logged.
    assert [line for line in result.stderr.splitlines() if line.startswith("ValueError")][:2] == [
        "ValueError: loud in state 1", "ValueError: loud in state 2"]
    log = read_log(tmp_path / "PythonSystemLog.txt")
    assert "'super' not defined in python class 'Nameless'." in log
    assert not any("stateChanged" in line for line in log), log


def test_a_cycle_of_changes_inside_state_changes_is_cut_off_and_events_keep_nothing_alive(run_script, tmp_path):
    result, said_lines = play(run_script, """
import gc
defined("flip", ["a", "b"])
def bounce(machine, old, new, event):
    if new:
        machine.setState(3 - new)
flip = Machine("flip", bounce)
flip.connect(unit("flipper", flip), 1)
changes = drain()
flip.disconnect()
said(len(changes), changes[-1], drain())
# Through events: each change posts a new event that moves the machine back.
defined("echo", ["a", "b"], [("a", "b", 1001), ("b", "a", 1001)])
def answer(machine, old, new, event):
    if new:
        poke(machine.getEntity(), 1001)
echo = Machine("echo", answer)
echo.connect(unit("echoer", echo), 1)
said(len(drain()), echo.getState())

# An event that holds its entity does not keep it alive through the machine it moved.
gone = []
class Witness(Component):
    super = Component
    def __del__(self):
        gone.append("witness")
class Note(Event):
    def __init__(self, entity):
        Event.__init__(self, 1001, 0.0)
        self.entity = entity
defined("note", ["a", "b"], [("a", "b", 1001)], default="a")
noted = Machine("note")
entity = unit("noted", noted, Witness(), placed=False)
noted.connect(entity)
entity.postEvent(Note(entity))
del entity, noted
gc.collect()
said(gone, drain())
""")
    assert said_lines == [
        (32, ("flip", 1, 2, None), [("flip", 2, 0, None)]),
        (32, 2),
        (["witness"], [("note", 0, 1, None), ("note", 1, 2, 1001), ("note", 2, 0, None)]),
    ]
    warnings = ["Warning: state machine %s did not enter state a: 32 changes of state were running inside one "
                "another, a cycle of stateChanged calls." % name for name in ("flip", "echo")]
    assert [line for line in result.stderr.splitlines() if line.startswith("Warning")] == warnings
    assert [line for line in read_log(tmp_path / "TarnuLog.txt") if line.startswith("Warning")] == warnings
