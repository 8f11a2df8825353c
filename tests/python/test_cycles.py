"""Python objects that the engine holds and that hold the engine back: a component that keeps its entity, a
process that keeps its scene. Python's cycle collector frees such cycles once the script lets go, lets the engine
part go first (so components hear that they leave their entity with their state whole), and never touches what
is still alive. A script that just ends, whatever it holds, ends without a leak report unless it really kept
something."""

import pytest

from logfiles import printed
from test_root import LEAK_FREE

PRELUDE = """
import gc, weakref
from tarnu import *

root = Root()
root.initialize(64, 48, 0, False)
empty = FSMResourceManager.getSingleton().createEmptyFSM("idle")
empty.load()
empty.addState("wait", False, True)

class Owner:
    def entityChanged(self, newEntity, oldEntity):
        self.owner = newEntity
class Keeper(Component):
    super = Component
    def __init__(self, label):
        Component.__init__(self)
        self.label = label
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is None:
            print(">", ["left", self.label, oldEntity.getName()])   # the label is still there as it leaves
        self.owner = newEntity
    def managerChanged(self, newManager, oldManager):
        if newManager is not None:
            self.node = self.owner.getSceneNode()
class Mind(Owner, UnitFSMComponent):
    super = Component
class Post(Owner, PlayerBeacon):
    super = PlayerBeacon
    def unitAdded(self, unit):
        self.last = unit
class Watcher(Process):
    def updateProcess(self, elapsed):
        self.seen = self.scene.getNumEntities()
class Failing(Watcher):
    def updateProcess(self, elapsed):
        raise ArithmeticError("out of luck")
def placed(scene, component, name=""):
    scene.addNode(Entity.createEntity(component, name, Vector2(1, 2)))
    return component
"""

# Each builds a cycle through the engine in a scene of its own and answers what must be freed with it.
CYCLES = {
    "component keeps its entity and its node": """
    watched = [placed(scene, Keeper("n"), "n")]
""",
    "machine keeps its entity under a controller": """
    watched = [Mind("idle")]
    placed(scene, UnitFSMController(), "m").getEntity().addComponent(watched[0])
""",
    "beacon keeps its entity and its last unit": """
    watched = [placed(scene, Post(1, 1))]
    watched[0].addUnit(placed(scene, PlayerUnit(1, 1, "")))
""",
    "processes keep their scene, one whose update raised too": """
    watched = [Watcher(), Failing()]
    for process in watched:
        process.scene = scene
        scene.addProcess(process)
    scene.updateProcess(0.1)
""",
    "queued event keeps its entity": """
    watched = [FactoryEvent(9300, 5.0), placed(scene, Keeper("q"), "q")]
    watched[0].target = watched[1].getEntity()
    watched[0].target.queueEvent(watched[0])
""",
    "timer posts to its scene": """
    watched = [Timer(5.0, scene, "later")]
    scene.addProcess(watched[0])
""",
    "instance keeps itself": """
    watched = [Vector2(1, 2)]
    watched[0].me = watched[0]
""",
}

# What the script still holds outlives the collector; with no cleanup, the exit lets go of it, components hearing it.
HELD = """
scene = SceneManager.createNew()
renderer = QuadtreeRenderManager.createNew()
renderer.connect(scene)
GridPhysicsManager.createNew().connect(scene)
ship = placed(scene, Keeper("ship"), "ship").getEntity()
ship.addComponent(StaticCollidable(Circle(Vector2(0, 0), 4)))
crew = placed(scene, UnitFSMController(), "crew").getEntity()
crew.addComponent(Mind("idle"))
watcher = Watcher()
watcher.scene = scene
for process in (watcher, Timer(5.0, scene, "later"), Timer(5.0, crew, "calm")):
    scene.addProcess(process)
hits, keys = type("Hits", (CollidableListener,), {})(), type("Keys", (KeyListener,), {})()
ship.addEventListener(hits)
InputManager.getSingleton().addEventListener(keys)
del scene, ship, crew      # the scene is the watcher's now
loose = Entity.createNew("loose")
loose.addComponent(Keeper("loose"))
only_component = Keeper("only the component")
Entity.createNew("held by its component").addComponent(only_component)
for _ in range(3):
    gc.collect()
watcher.scene.updateProcess(0.1)
print(">", [Component.getComponent("Keeper", entity).owner.getName() for entity in (
    watcher.scene.getEntity("ship"), loose, only_component.owner)] + [only_component.label, watcher.seen])
del loose, only_component
gc.collect()
print(">", ["collected"])
"""


def test_cycles_through_the_engine_are_freed_and_what_is_still_held_works_until_the_script_ends(run_script):
    source = PRELUDE + "results = {}\n"
    for name, build in CYCLES.items():
        source += """
def build():
    scene = SceneManager.createNew()
%s
    scene.clear()
    return [weakref.ref(item) for item in watched]
refs = build()
gc.collect()
results[%r] = sum(ref() is not None for ref in refs)
""" % (build, name)
    result = run_script(source + "print('>', results)\n" + HELD)
    assert result.returncode == 0, result
    said = printed(result)
    # Collected components heard that they left, their Python state whole.
    assert sorted(said[:2]) == [["left", "n", "n"], ["left", "q", "q"]]
    assert said[2] == {name: 0 for name in CYCLES}
    assert said[3] == ["ship", "loose", "held by its component", "only the component", 2]
    assert sorted(said[4:6]) == [["left", "loose", "loose"], ["left", "only the component", "held by its component"]]
    assert said[6:] == [["collected"], ["left", "ship", "ship"]]
    # The error the raising process met is reported once; its traceback keeps nothing alive.
    assert result.stderr.count("Traceback") == 1 and "ArithmeticError: out of luck" in result.stderr, result
    assert result.stdout.splitlines()[-1] == LEAK_FREE


def test_an_entity_the_script_never_gives_back_is_reported_as_a_leak(run_script):
    result = run_script(PRELUDE + "import ctypes\nctypes.pythonapi.Py_IncRef(ctypes.py_object(Entity.createNew()))\n",
                        leaks=True)
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    assert result.stdout.splitlines()[-1] == "WARNING: MEMORY LEAK DETECTED IN SCENE GRAPH!"


# What the endings below share: classes whose methods hold the script's globals, so that what the engine holds of
# their instances is a cycle through the script that only the exit can break.
ENDING = """
scene = SceneManager.createNew()
class Guard(UnitFSMComponent):
    super = Component
    def __init__(self, name):
        UnitFSMComponent.__init__(self, name)
class Beacon(PlayerBeacon):
    super = PlayerBeacon
    def __init__(self):
        PlayerBeacon.__init__(self, 1, 2)
class Note(FactoryEvent):
    def __init__(self, time):
        FactoryEvent.__init__(self, 9300, time)
class Keep(EventListener):
    def handleEvent(self, event):
        HEARD.append(event)
        print(">", ["heard", str(event.type), event.entity.getName()])
HEARD = []
class Spawner(Component):
    super = Component
    def __init__(self, label, spawns=None):
        Component.__init__(self)
        self.label, self.spawns = label, spawns
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is None:
            if self.label:
                print(">", ["left", self.label, oldEntity.getName()])
            if self.spawns:
                scene.addNode(Entity.createEntity(self.spawns(), "spawned", Vector2(1, 2)))
class Ender(Watcher):
    def processTerminated(self):
        print(">", ["ended"])
def heard_at_exit(component, kill=True, keep=Keep):
    placed(scene, component, "post")
    if kill:
        component.getEntity().kill()       # removed at the scene's next step, which never comes
    other = placed(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "other").getEntity()
    global listener
    listener = keep(SceneEvent.TYPE)
    other.addEventListener(listener)
def kept_in_events(component, name):
    # The kept events hold the entity and the scene: their Python objects are not their only owners.
    global listener
    listener = Keep(SceneEvent.TYPE)
    scene.addEventListener(listener)
    placed(scene, component, name)
"""

# Each ends with no cleanup, keeping what it names; then what the callbacks printed at exit, in order, and whether the
# exit report must say it leaked.
ENDINGS = [
    ("a controller on no entity keeps a machine it was given", """
guard = Guard("idle")
controller = UnitFSMController()
controller.registerFSM(guard)
print(">", [controller.isRegistered("idle")])
""", [[True]], False),
    ("a controller on an entity keeps a machine it was given", """
node = Entity.createEntity(UnitFSMController(), "unit", Vector2(0, 0))
Component.getComponent("UnitFSMController", node.getEntity()).registerFSM(Guard("idle"))
""", [], False),
    ("a controller and its machine dropped and collected before the end", """
controller = UnitFSMController()
controller.registerFSM(Guard("idle"))
del controller
gc.collect()
""", [], False),
    ("a component leaving at exit puts a new entity with a new component into a scene", """
holder = Entity.createEntity(Component(), "holder", Vector2(0, 0)).getEntity()
holder.addComponent(Spawner("spawner", lambda: Spawner("spawned")))
""", [["left", "spawner", "holder"], ["left", "spawned", "spawned"]], False),
    ("the same while the script runs", """
holder = Entity.createEntity(Component(), "holder", Vector2(0, 0)).getEntity()
holder.addComponent(Spawner("spawner", lambda: Spawner("spawned")))
del holder
print(">", ["script ends"])
""", [["left", "spawner", "holder"], ["script ends"], ["left", "spawned", "spawned"]], False),
    ("the new entity's component is the engine's", """
holder = Entity.createEntity(Component(), "holder", Vector2(0, 0)).getEntity()
holder.addComponent(Spawner("spawner", Component))
""", [["left", "spawner", "holder"]], False),
    ("a killed beacon not yet removed, and a listener that keeps what it hears at exit", """
heard_at_exit(Beacon())
""", [["heard", "ENTITY_REMOVED", "other"]], False),
    ("the same beacon not killed", """
heard_at_exit(Beacon(), kill=False)
""", [["heard", "ENTITY_REMOVED", "other"]], False),
    ("the engine's beacon killed", """
heard_at_exit(PlayerBeacon(1, 2))
""", [["heard", "ENTITY_REMOVED", "other"]], False),
    ("a killed beacon, and a listener that keeps nothing", """
class Hear(Keep):
    def handleEvent(self, event):
        print(">", ["heard", str(event.type), event.entity.getName()])
heard_at_exit(Beacon(), keep=Hear)
""", [["heard", "ENTITY_REMOVED", "other"]], False),
    ("an event of the script's queued on a scene that kept events hold too", """
kept_in_events(Component(), "pin")
scene.queueEvent(Note(5.0))
""", [["heard", "ENTITY_ADDED", "pin"], ["heard", "ENTITY_REMOVED", "pin"]], False),
    ("an entity that only kept events hold, its component of the script's", """
kept_in_events(Spawner("kept"), "kept")
scene.getEntity("kept").getSceneNode().detachEntity()
""", [["heard", "ENTITY_ADDED", "kept"], ["heard", "ENTITY_REMOVED", "kept"], ["left", "kept", "kept"]], False),
    ("a process manager held twice, its process keeping it", """
manager = ProcessManager.createNew(0.0)
ender = Ender()
manager.addProcess(ender)
ender.scene = ender.getProcessManager()
""", [["ended"]], False),
    ("a component asks to exit as it leaves at exit: the others still hear it", """
class Quitter(Spawner):
    def entityChanged(self, newEntity, oldEntity):
        Spawner.entityChanged(self, newEntity, oldEntity)
        if newEntity is None:
            raise SystemExit(3)
unit = Entity.createNew("unit")
for component in (Quitter("quitter"), Spawner("after")):
    unit.addComponent(component)
""", [["left", "quitter", "unit"], ["left", "after", "unit"]], False),
    ("a controller never given back", """
import ctypes
controller = UnitFSMController()
controller.registerFSM(Guard("idle"))
ctypes.pythonapi.Py_IncRef(ctypes.py_object(controller))
""", [], True),
    ("a component that makes a new one each time it leaves", """
def again():
    return Spawner("", again)
placed(scene, again(), "first")
""", [], True),
]


@pytest.mark.parametrize("script, said, leaks", [case[1:] for case in ENDINGS], ids=[case[0] for case in ENDINGS])
def test_the_exit_lets_go_of_whatever_the_script_holds_and_reports_only_what_it_really_kept(run_script, script,
                                                                                           said, leaks):
    result = run_script(PRELUDE + ENDING + script, leaks=leaks)
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    assert printed(result) == said
    last = result.stdout.splitlines()[-1]
    assert last == ("WARNING: MEMORY LEAK DETECTED IN SCENE GRAPH!" if leaks else LEAK_FREE), result
