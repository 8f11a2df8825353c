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
    "machine keeps the controller it was given": """
    watched = [Mind("idle"), UnitFSMController()]
    watched[1].registerFSM(watched[0])
    watched[0].controller = watched[1]
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
def last_screen(leave):
    # A component that shows a last screen with Root.run as the exit makes it leave; the process asks to leave at
    # its fifth frame, and the component lets what ends the loop through.
    class Leave(Process):
        frames = 0
        def updateProcess(self, elapsed):
            self.frames += 1
            if self.frames == 5:
                leave()
    class GameOver(Component):
        super = Component
        def entityChanged(self, newEntity, oldEntity):
            if newEntity is None:
                screen, process = SceneManager.createNew(), Leave()
                screen.addProcess(process)
                try:
                    root.run(screen, None, 100.0)
                except (KeyboardInterrupt, SystemExit) as stop:
                    print(">", ["caught", type(stop).__name__])
                    raise
                finally:
                    print(">", ["ended", process.frames])
    global player
    player = Entity.createNew("player")
    for component in (GameOver(), Spawner("after")):
        player.addComponent(component)
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
    # Ctrl-C, sys.exit and Escape end that loop; what the component lets through is dropped, the other one still hears.
    ("Ctrl-C ends a main loop a component runs as it leaves at exit", """
import os, signal
last_screen(lambda: os.kill(os.getpid(), signal.SIGINT))
""", [["caught", "KeyboardInterrupt"], ["ended", 5], ["left", "after", "player"]], False),
    ("so does sys.exit", """
import sys
last_screen(lambda: sys.exit(4))
""", [["caught", "SystemExit"], ["ended", 5], ["left", "after", "player"]], False),
    ("so does Escape, read with the next frame's input", """
import sdl_input
last_screen(lambda: sdl_input.key(sdl_input.SDLK_ESCAPE))
""", [["ended", 6], ["left", "after", "player"]], False),
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


# Something in the scene keeps the scene itself, and the script never clears it. Each builds its cycle and answers
# what must be freed with the scene; every Sentinel must hear once that it left its entity, its state whole.
SCENE_PRELUDE = PRELUDE + """
heard = []
class Sentinel(Keeper):
    def entityChanged(self, newEntity, oldEntity):
        if newEntity is None:
            heard.append((self.label, oldEntity.getName()))
        self.owner = newEntity
class Hits(CollidableListener):
    def entitiesCollided(self, event):
        self.last = event
def make(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return ComponentFactory.getSingleton().create(kind, params)
def handed_out_beacon(scene, unit):
    # A beacon the engine made (a copy of a prototype's) takes the unit, which hands it out.
    proto = Entity.createNew("proto")
    proto.addComponent(make("PlayerBeacon", type=1, player=1))
    node = SceneNode.createNew()
    node.attach(Entity.createCopy(proto, "beacon"))
    scene.addNode(node)
    Component.getComponent("PlayerBeacon", node.getEntity()).addUnit(unit)
    return unit.getBeacon()
def keeps(scene, component, name, parent=None):
    node = Entity.createEntity(component, name, Vector2(1, 2))
    (parent.addChild(node) if parent else scene.addNode(node))
    node.getEntity().addComponent(Sentinel(name))
    component.scene = scene
    return component
"""

BUILT_IN = {
    "StaticCollidable": "StaticCollidable(Circle(Vector2(0, 0), 1))",
    "TileMap": "TileMap(Vector2(2, 2), 0, 0, 0)",
    "Movable": "Movable()",
    "RenderableBox": 'make("RenderableBox", zOrder=0, min="<-1,-1>", max="<1,1>")',
    "StaticImage": 'make("StaticImage", filename="", texCoord="<0,0>,<1,1>", zOrder=0, min="<-1,-1>", max="<1,1>")',
}

SCENE_KEPT = {
    "Python component keeps its scene": ("""
    watched = [keeps(scene, Keeper("a"), "a")]
""", ["a"]),
    "component keeps its entity's scene in a list": ("""
    watched = [placed(scene, Keeper("l"), "l")]
    watched[0].held = [watched[0].getEntity().getSceneManager()]
""", []),
    "beacon keeps its scene and a unit": ("""
    watched = [keeps(scene, Post(1, 1), "post")]
    watched[0].addUnit(placed(scene, PlayerUnit(1, 1, ""), "unit"))
    watched.append(watched[0].last)
""", ["post"]),
    "component two nodes down keeps its scene": ("""
    top = Entity.createEntity(Sentinel("top"), "top")
    scene.addNode(top)
    middle = SceneNode.createNew()
    top.addChild(middle)
    watched = [keeps(scene, Keeper("deep"), "deep", middle), middle, top]
""", ["deep", "top"]),
    "components two nodes down keep themselves, each other and the scene": ("""
    top = Entity.createEntity(Sentinel("top"), "top")
    scene.addNode(top)
    middle = SceneNode.createNew()
    top.addChild(middle)
    watched = [keeps(scene, Keeper("self"), "self", middle), Keeper("other")]
    keeps(scene, watched[1], "other", middle)
    watched[0].me, watched[0].other, watched[1].other = watched[0], watched[1], watched[0]
""", ["other", "self", "top"]),
    "scene with render and physics managers, stepped": ("""
    QuadtreeRenderManager.createNew().connect(scene)
    GridPhysicsManager.createNew().connect(scene)
    watched = [keeps(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "hit")]
    placed(scene, Movable(), "mover").getEntity().addComponent(StaticCollidable(Circle(Vector2(0, 0), 1)))
    watched.append(placed(scene, make("Camera", dimensions="<64,48>"), "camera"))
    scene.updateProcess(0.1)
""", ["hit"]),
    "process and component keep the scene": ("""
    watched = [Watcher(), keeps(scene, Keeper("p"), "p")]
    watched[0].scene = scene
    scene.addProcess(watched[0])
    scene.updateProcess(0.1)
""", ["p"]),
    "timer aimed at the scene": ("""
    watched = [Timer(5.0, scene, "later"), placed(scene, Sentinel("t"), "t")]
    scene.addProcess(watched[0])
""", ["t"]),
    "tracker a component keeps follows an entity of the scene": ("""
    watched = [keeps(scene, Keeper("k"), "k"), EntityTracker("k")]
    watched[0].tracker = watched[1]
    watched[1].connect(scene, watched[0].getEntity())
""", ["k"]),
    "two scenes keep each other": ("""
    other = SceneManager.createNew()
    watched = [keeps(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "near"),
               keeps(other, StaticCollidable(Circle(Vector2(0, 0), 1)), "far"), other]
    watched[0].scene, watched[1].scene = other, scene
""", ["far", "near"]),
    "force on a movable keeps the scene": ("""
    watched = [Force(Vector2(1, 0), SceneNode.WORLD), placed(scene, Movable(), "pushed")]
    watched[1].apply(watched[0])
    watched[0].scene = scene
    watched[1].getEntity().addComponent(Sentinel("pushed"))
""", ["pushed"]),
}
SCENE_KEPT.update({"%s keeps its scene" % kind: ("""
    watched = [keeps(scene, %s, "%s")]
""" % (make, kind), [kind]) for kind, make in BUILT_IN.items()})

# Cycles that run through built-in objects the script made or was handed, held by a shared pointer to their own class
# (or to the class the engine hands them out as): what each builds, which Sentinels hear that they leave, which of the
# watched objects a script may keep, and what it then asks of it.
THROUGH_BUILT_INS = {
    "machine a controller was given keeps its scene": ("""
    controller = UnitFSMController()
    placed(scene, Sentinel("unit"), "unit").getEntity().addComponent(controller)
    watched = [Mind("idle"), controller]
    controller.registerFSM(watched[0])
    watched[0].scene = scene
""", ["unit"], 1, 'kept.getRegistered("idle").scene is scene'),
    "player a player manager files keeps its scene": ("""
    watched = [GamePlayerManager(), GamePlayer(1, True)]
    placed(scene, watched[0], "players").getEntity().addComponent(Sentinel("players"))
    placed(scene, watched[1], "player").scene = scene
""", ["players"], 1, "GamePlayerManager.getGamePlayerManager(scene).getGamePlayer(1) is kept"),
    "seeker sees an entity that keeps its scene": ("""
    GridPhysicsManager.createNew().connect(scene)
    sensor = Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 10)), "sight")
    placed(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "viewer").getSceneNode().addChild(sensor)
    watched = [VisualTargetSeeker("target"), keeps(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "target")]
    sensor.getEntity().addComponent(watched[0])
    scene.updateProcess(0.1)
""", ["target"], 0, 'kept.getTargetName() == "target" and kept.getSceneManager() is scene'),
    "beacon a unit handed out is kept with the unit in it": ("""
    watched = [keeps(scene, PlayerUnit(1, 1, ""), "unit"), placed(scene, Sentinel("holder"), "holder")]
    watched[1].beacon = handed_out_beacon(scene, watched[0])
""", ["holder", "unit"], 0, "kept.getBeacon().getNumUnits() == 1"),
    "unit keeps the beacon it handed out, which keeps the scene": ("""
    watched = [placed(scene, PlayerUnit(1, 1, ""), "unit")]
    watched[0].getEntity().addComponent(Sentinel("unit"))
    watched[0].beacon = handed_out_beacon(scene, watched[0])
    watched[0].beacon.scene = scene
""", ["unit"], 0, "kept.beacon.getNumUnits() == 1 and kept.beacon.scene is scene"),
    "render manager kept with a camera that keeps its scene": ("""
    renderer = QuadtreeRenderManager.createNew()
    renderer.connect(scene)
    camera = keeps(scene, make("Camera", dimensions="<64,48>"), "camera")
    watched = [placed(scene, Sentinel("holder"), "holder"), camera]
    watched[0].renderer, watched[0].camera = renderer, camera
""", ["camera", "holder"], 0, "kept.renderer.getMainCamera() is not None"),
    "collision heard and kept holds both entities": ("""
    GridPhysicsManager.createNew().connect(scene)
    keeps(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), "other")
    # Only its node holds the wrapper of the entity hit; nothing the kept event reaches holds it.
    hit, node = Entity.createNew("hit"), SceneNode.createNew(Vector2(1, 2))
    watched = [StaticCollidable(Circle(Vector2(0, 0), 1)), Hits()]
    hit.addComponent(watched[0])
    node.attach(hit)
    scene.addNode(node)
    hit.addEventListener(watched[1])
    watched[0].scene, watched[0].hits = scene, watched[1]
    scene.updateProcess(0.1)
""", ["other"], 1, 'sorted([kept.last.entity1.getName(), kept.last.entity2.getName()]) == ["hit", "other"]'),
    "process keeps its scene as the process manager it is in": ("""
    watched = [Watcher()]
    scene.addProcess(watched[0])
    placed(scene, Sentinel("s"), "s")
    # From here on, the scene's only wrapper is the one its process was handed.
    scene = watched[0].scene = watched[0].getProcessManager()
""", ["s"], 0, "kept.seen == 1"),
}


def test_a_scene_that_something_in_it_keeps_is_freed_with_everything_in_it(run_script):
    source = SCENE_PRELUDE + "results = {}\n"
    for name, (build, _) in SCENE_KEPT.items():
        source += """
def build():
    scene = SceneManager.createNew()
%s
    return [weakref.ref(item) for item in [scene] + watched]
refs = build()
gc.collect()
results[%r] = [sum(ref() is not None for ref in refs), sorted(heard)]
heard.clear()
""" % (build, name)
    result = run_script(source + "print('>', results)\n")
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    said = printed(result)
    results = next(index for index, line in enumerate(said) if isinstance(line, dict))
    assert said[results] == {name: [0, sorted((label, label) for label in labels)]
                             for name, (_, labels) in SCENE_KEPT.items()}
    # Keepers print as they leave, Sentinels note it: each once, with its label still there, none at the exit.
    keepers = ["a", "l", "deep", "self", "other", "p", "k"]
    assert sorted(said[:results]) == [["left", label, label] for label in sorted(keepers)]
    assert said[results + 1:] == []
    assert result.stdout.splitlines()[-1] == LEAK_FREE


# The script keeps one thing of a scene that a component two nodes down keeps: the scene stays alive and works,
# and goes once the script lets go.
def test_what_the_script_still_holds_keeps_the_scene_alive_and_working(run_script):
    result = run_script(SCENE_PRELUDE + """
for held in ("component", "entity", "deep node", "middle node", "top node"):
    def build():
        scene = SceneManager.createNew()
        top = Entity.createEntity(Sentinel("top"), "top")
        scene.addNode(top)
        middle = SceneNode.createNew()
        top.addChild(middle)
        keeper = keeps(scene, Keeper(held), "deep", middle)
        kept = {"component": keeper, "entity": keeper.getEntity(), "deep node": keeper.getSceneNode(),
                "middle node": middle, "top node": top}[held]
        return weakref.ref(scene), kept
    ref, kept = build()
    for _ in range(3):
        gc.collect()
    scene = ref()
    scene.updateProcess(0.1)
    keeper = Component.getComponent("Keeper", scene.getEntity("deep"))
    print(">", [held, scene.getNumEntities(), keeper.label, keeper.scene is scene, keeper.node.getParent() is not None,
                sorted(heard)])
    del scene, keeper, kept
    gc.collect()
    print(">", [held, ref() is None, sorted(heard)])
    heard.clear()
""")
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    said = [line for line in printed(result) if line[0] != "left"]
    assert len(said) == 10, result
    for held, (alive, freed) in zip(("component", "entity", "deep node", "middle node", "top node"),
                                    zip(said[::2], said[1::2])):
        assert alive == [held, 2, held, True, True, []]
        assert freed == [held, True, [("deep", "deep"), ("top", "top")]]
    assert result.stdout.splitlines()[-1] == LEAK_FREE


# The script keeps one piece of a cycle through built-in objects: nothing of it is freed, and it still works; once the
# script lets go, the collector frees it all, each Sentinel hearing once that it leaves.
def test_what_the_script_keeps_of_a_cycle_through_built_in_objects_stays_alive_and_working(run_script):
    source = SCENE_PRELUDE
    for name, (build, labels, kept, check) in THROUGH_BUILT_INS.items():
        source += """
def build():
    scene = SceneManager.createNew()
%s
    return [weakref.ref(item) for item in [scene] + watched], watched[%d]
refs, kept = build()
for _ in range(3):
    gc.collect()
scene = refs[0]()
scene.updateProcess(0.1)
alive = [sum(ref() is not None for ref in refs) == len(refs), bool(%s), sorted(heard)]
del scene, kept
gc.collect()
print(">", [%r, alive, sum(ref() is not None for ref in refs), sorted(heard)])
heard.clear()
""" % (build, kept, check, name)
    result = run_script(source)
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    assert printed(result) == [[name, [True, True, []], 0, sorted((label, label) for label in labels)]
                               for name, (_, labels, _, _) in THROUGH_BUILT_INS.items()]
    assert result.stdout.splitlines()[-1] == LEAK_FREE


# Random webs of the objects above, linked by random attributes, of which the script keeps a random few: the collector
# may leave some web alive, but never frees or clears what the script can still reach, and the exit lets go of the rest.
# No link hangs on a scene's own Python object: what those hold is seen by neither.
RANDOM_WEBS = SCENE_PRELUDE + """
import random
def pieces(scene, kind, name):
    if kind == "keeper":
        return [placed(scene, Sentinel(name), name)]
    if kind == "controller":
        controller, machine = UnitFSMController(), Mind("idle")
        placed(scene, controller, name)
        controller.registerFSM(machine)
        return [controller, machine]
    if kind == "players":
        return [placed(scene, GamePlayerManager(), name), placed(scene, GamePlayer(len(name), False), name + "p")]
    if kind == "collision":
        hits = Hits()
        collidable = placed(scene, StaticCollidable(Circle(Vector2(0, 0), 1)), name)
        collidable.getEntity().addEventListener(hits)
        return [collidable, hits, collidable.getSceneNode()]
    if kind == "seeker":
        return [placed(scene, VisualTargetSeeker("e0"), name)]
    if kind == "beacon":
        unit = placed(scene, PlayerUnit(1, 1, ""), name)
        return [unit, handed_out_beacon(scene, unit)]
    if kind == "renderer":
        renderer = QuadtreeRenderManager.createNew()
        renderer.connect(scene)
        return [renderer]
    other = SceneManager.createNew()
    return [other, placed(other, Sentinel(name), name)]
KINDS = ["keeper", "controller", "players", "collision", "seeker", "beacon", "renderer", "other scene"]
LINKS = ["link0", "link1", "link2"]
def links(item):
    return [getattr(item, name, None) for name in LINKS]
def reachable(kept):
    seen, todo = {}, list(kept)
    while todo:
        item = todo.pop()
        if item is not None and id(item) not in seen:
            seen[id(item)] = item
            todo.extend(links(item))
    return list(seen.values())
whole = True
for seed in range(40):
    rng = random.Random(seed)
    scene = SceneManager.createNew()
    GridPhysicsManager.createNew().connect(scene)
    web = [scene]
    for index in range(rng.randrange(1, 10)):
        web += pieces(scene, rng.choice(KINDS), "e%d" % index)
    scene.updateProcess(0.1)
    holders = [item for item in web if not isinstance(item, SceneManager)]
    for _ in range(len(web)):
        setattr(rng.choice(holders), rng.choice(LINKS), rng.choice(web))
    kept = [item for item in web if rng.random() < 0.2]
    expected = [(item, links(item)) for item in reachable(kept)]
    del web, scene
    gc.collect()
    for held in kept:
        if isinstance(held, SceneManager):
            held.updateProcess(0.1)
    whole = whole and all(all(now is then for now, then in zip(links(item), was)) for item, was in expected)
    del kept, expected
    gc.collect()
print(">", [whole])
"""


def test_the_collector_never_frees_what_a_script_still_reaches_in_random_webs_of_built_in_objects(run_script):
    result = run_script(RANDOM_WEBS)
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    assert printed(result) == [[True]]
    assert result.stdout.splitlines()[-1] == LEAK_FREE


def test_scenes_whose_finalisers_walk_and_change_other_scenes_mid_collection_are_all_freed(run_script):
    # Each collection walks every scene twice, keeping the first walk's claims for the second; components that
    # hear they leave as the collector frees their scene then walk the other scenes (gc.get_referents, as a
    # debugging script might) and empty them, which the collector must meet afresh.
    result = run_script(PRELUDE + """
class Peek(Component):
    super = Component
    others = ()
    def entityChanged(self, newEntity, oldEntity):
        for scene in self.others if newEntity is None else ():
            seen.append(len(gc.get_referents(scene)))
            scene.clear()
seen, scenes = [], [SceneManager.createNew() for _ in range(3)]
for scene in scenes:
    for number in range(20):
        placed(scene, Peek(), "e%d" % number).scene = scene
    placed(scene, Peek(), "peek").others = [other for other in scenes if other is not scene]
alive = [weakref.ref(scene) for scene in scenes]
del scenes, scene
gc.collect()
print(">", [[ref() is None for ref in alive], bool(seen)])
""")
    assert result.returncode == 0 and "Traceback" not in result.stderr, result
    assert printed(result) == [[[True, True, True], True]]
    assert result.stdout.splitlines()[-1] == LEAK_FREE, result
