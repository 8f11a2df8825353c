"""Python objects that the engine holds and that hold the engine back: a component that keeps its entity, a
process that keeps its scene. Python's cycle collector frees such cycles once the script lets go, lets the engine
part go first (so components hear that they leave their entity with their state whole), and never touches what
is still alive. A script that just ends, holding a live scene, ends without a leak report."""

import pytest

from logfiles import printed
from test_root import LEAK_FREE

PRELUDE = """
import gc, weakref
from tarnu import *

root = Root()
root.initialize(64, 48, 0, False)
fsms = FSMResourceManager.getSingleton()
empty = fsms.createEmptyFSM("idle")
empty.load()
empty.addState("wait", False, True)
left = []

class Keeper(Component):
    super = Component
    def __init__(self, label="keeper"):
        Component.__init__(self)
        self.label = label
    def createCopy(self):
        return Keeper(self.label)
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is None:
            left.append((self.label, oldEntity.getName()))   # the label is still there as it leaves
        self.owner = newEntity

class NodeKeeper(Keeper):
    super = Component
    def managerChanged(self, newManager, oldManager):
        if newManager is not None:
            self.node = self.owner.getSceneNode()

class Mind(UnitFSMComponent):
    super = Component
    def __init__(self):
        UnitFSMComponent.__init__(self, "idle")
    def entityChanged(self, newEntity, oldEntity):
        self.owner = newEntity
    def stateChanged(self, old, new, event):
        pass

class Post(PlayerBeacon):
    super = PlayerBeacon
    def entityChanged(self, newEntity, oldEntity):
        self.owner = newEntity
    def unitAdded(self, unit):
        self.last = unit

class Watcher(Process):
    def updateProcess(self, elapsed):
        self.seen = self.scene.getNumEntities()

class Note(FactoryEvent):
    def createCopy(self, time):
        return Note(self.eventType, time)

def placed(scene, component, name):
    node = Entity.createEntity(component, name, Vector2(1, 2))
    scene.addNode(node)
    return node
"""

# Each builds a cycle through the engine in a scene of its own and answers what must be freed with it.
CYCLES = {
    "component keeps its entity": """
    node = placed(scene, Keeper("k"), "k")
    watched = [Component.getComponent("Keeper", node.getEntity())]
""",
    "component keeps its entity and its node": """
    node = placed(scene, NodeKeeper("n"), "n")
    watched = [Component.getComponent("NodeKeeper", node.getEntity())]
""",
    "machine keeps its entity under a controller": """
    node = placed(scene, UnitFSMController(), "m")
    node.getEntity().addComponent(Mind())
    watched = [Component.getComponent("Mind", node.getEntity())]
""",
    "beacon keeps its entity and its last unit": """
    post, unit = Post(1, 1), PlayerUnit(1, 1, "")
    for component in (post, unit):
        placed(scene, component, "")
    post.addUnit(unit)
    watched = [post]
""",
    "process keeps its scene": """
    watcher = Watcher()
    watcher.scene = scene
    scene.addProcess(watcher)
    scene.updateProcess(0.1)
    watched = [watcher]
""",
    "queued event keeps its entity": """
    node = placed(scene, Keeper("q"), "q")
    note = Note(9300, 5.0)
    note.target = node.getEntity()
    node.getEntity().queueEvent(note)
    watched = [note, Component.getComponent("Keeper", node.getEntity())]
""",
    "timer posts to its scene": """
    timer = Timer(5.0, scene, "later")
    scene.addProcess(timer)
    watched = [timer]
""",
    "instance keeps itself": """
    vector = Vector2(1, 2)
    vector.me = vector
    watched = [vector]
""",
}


def test_cycles_through_the_engine_are_freed_once_the_script_lets_go(run_script):
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
    source += """
print(">", results)
print(">", sorted(left))
root.shutdown()
"""
    result = run_script(source)
    assert result.returncode == 0, result
    still_alive, heard_leaving = printed(result)
    assert still_alive == {name: 0 for name in CYCLES}
    # Collected components heard that they left, their Python state whole.
    assert heard_leaving == [("k", "k"), ("n", "n"), ("q", "q")]
    assert result.stdout.splitlines()[-1] == LEAK_FREE and "Traceback" not in result.stderr


def test_the_collector_leaves_what_the_script_or_a_scene_still_holds_working(run_script):
    result = run_script(PRELUDE + """
scene = SceneManager.createNew()
in_scene = placed(scene, Keeper("in scene"), "a").getEntity()
del in_scene
loose = Entity.createNew("loose")
loose.addComponent(Keeper("loose"))
only_component = Keeper("only the component")
Entity.createNew("held by its component").addComponent(only_component)
watcher = Watcher()
watcher.scene = SceneManager.createNew()
placed(watcher.scene, Keeper("in the watched scene"), "w")
watcher.scene.addProcess(watcher)
for _ in range(3):
    gc.collect()
watcher.scene.updateProcess(0.1)
print(">", [Component.getComponent("Keeper", entity).owner.getName()
            for entity in (scene.getEntity("a"), loose, only_component.owner, watcher.scene.getEntity("w"))])
print(">", [only_component.label, watcher.seen, left])
scene.clear(); watcher.scene.clear()
del scene, loose, only_component, watcher
gc.collect()
print(">", sorted(left))
root.shutdown()
""")
    assert result.returncode == 0, result
    owners, state, freed = printed(result)
    assert owners == ["a", "loose", "held by its component", "w"]
    assert state == ["only the component", 1, []]
    assert freed == [("in scene", "a"), ("in the watched scene", "w"), ("loose", "loose"),
                     ("only the component", "held by its component")]
    assert result.stdout.splitlines()[-1] == LEAK_FREE


def test_a_callback_that_raised_keeps_nothing_alive(run_script):
    result = run_script(PRELUDE + """
class Failing(Process):
    def updateProcess(self, elapsed):
        self.scene = scene
        raise ArithmeticError("out of luck")
scene = SceneManager.createNew()
failing = Failing()
scene.addProcess(failing)
scene.updateProcess(0.1)
ref = weakref.ref(failing)
del scene, failing
gc.collect()
print(">", ref() is None)
root.shutdown()
""")
    assert result.returncode == 0, result
    assert printed(result) == [True] and "ArithmeticError: out of luck" in result.stderr


ENDINGS = [
    ("holding a live scene", """
class Loud(Keeper):
    super = Component
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is None:
            print(">", self.label, "left", oldEntity.getName())
class Hits(CollidableListener):
    def entitiesCollided(self, event):
        pass
class Keys(KeyListener):
    pass
scene = SceneManager.createNew()
renderer = QuadtreeRenderManager.createNew()
renderer.connect(scene)
GridPhysicsManager.createNew().connect(scene)
ship = placed(scene, Loud("ship"), "ship")
ship.getEntity().addComponent(StaticCollidable(Circle(Vector2(0, 0), 4)))
crew = placed(scene, UnitFSMController(), "crew").getEntity()
crew.addComponent(Mind())
watcher = Watcher()
watcher.scene = scene
scene.addProcess(watcher)
scene.addProcess(Timer(5.0, scene, "later"))
scene.addProcess(Timer(5.0, crew, "calm"))
hits, keys = Hits(), Keys()
ship.getEntity().addEventListener(hits)
InputManager.getSingleton().addEventListener(keys)
scene.updateProcess(0.1)
""", False),
    ("holding an entity it never gives back", """
import ctypes
lost = Entity.createNew("lost")
lost.addComponent(Keeper("lost"))
ctypes.pythonapi.Py_IncRef(ctypes.py_object(lost))
""", True),
]


@pytest.mark.parametrize("ending, script, leaks", ENDINGS, ids=[case[0] for case in ENDINGS])
def test_a_script_that_just_ends_is_reported_leak_free_unless_it_leaks(run_script, ending, script, leaks):
    # No cleanup at all: the exit lets go of what live scenes and entities hold, the components hearing it.
    result = run_script(PRELUDE + script, leaks=leaks)
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    last = result.stdout.splitlines()[-1]
    assert last == ("WARNING: MEMORY LEAK DETECTED IN SCENE GRAPH!" if leaks else LEAK_FREE)
    if not leaks:
        assert "> ship left ship" in result.stdout
