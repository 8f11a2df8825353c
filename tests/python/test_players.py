"""Game players, player units, beacons and sight as a game script uses them: players filed by number with one active
player, units joining and leaving beacons (beacons written in Python among them, with their faults), single-state
beacons switching their units' machines, and sight sensors reporting what comes into and goes out of view."""

import gc
import math
import weakref

import pytest

from logfiles import printed, read_log
from test_root import LEAK_FREE
from tarnu import (Circle, CollidableListener, Complex, Component, EnemySightedEvent, Entity, Event, EventListener,
                   GamePlayer, GamePlayerManager, GridPhysicsManager, ParameterList, PlayerBeacon, PlayerUnit, Scale,
                   SceneManager, SceneNode, SetVisualTargetActionEvent, SingleStateBeacon, StaticCollidable,
                   UnitFSMControllerActionEvent, UnitSightedEvent, Vector2, VisualReactor, VisualTargetFound,
                   VisualTargetLost, VisualTargetSeeker)


def place(scene, name, *components, at=(0, 0), parent=None):
    """An entity with the components on a node at a point, under the parent's node or in the scene (if given one)."""
    entity = Entity.createNew(name)
    for component in components:
        entity.addComponent(component)
    node = SceneNode.createNew(Vector2(*at))
    node.attach(entity)
    if parent is not None:
        parent.getSceneNode().addChild(node)
    elif scene is not None:
        scene.addNode(node)
    return entity


class Carrier(Component):
    """Takes its entity's node into another scene (if given one) as soon as the node leaves its scene."""
    super = Component

    def __init__(self, destination=None):
        Component.__init__(self)
        self.destination = destination

    def managerChanged(self, newManager, oldManager):
        if newManager is None and self.destination is not None:
            destination, self.destination = self.destination, None
            destination.addNode(self.getSceneNode())


def test_sight_event_numbers_and_refusals():
    # Data files name events by number: the sight events follow the state machines' action event.
    types = [cls.TYPE for cls in (UnitFSMControllerActionEvent, UnitSightedEvent, EnemySightedEvent,
                                  VisualTargetLost, VisualTargetFound, SetVisualTargetActionEvent)]
    assert types == list(range(types[0], types[0] + 6))
    for call in (SingleStateBeacon, UnitSightedEvent, lambda: SetVisualTargetActionEvent(None, 1.0),
                 lambda: VisualTargetSeeker().setTarget(None)):
        with pytest.raises(RuntimeError, match="cannot be instantiated|no entity to watch"):
            call()
    assert GamePlayerManager.getGamePlayerManager(None) is GamePlayerManager.getGamePlayerEntity(None, 1) is None


def tell(story):
    """Plays a story, steps apart by commas, of managers and players arriving in a scene, leaving it and coming back,
    and of the scene updating."""
    scene, made, nodes = SceneManager.createNew(), {}, {}
    for word, *rest in (step.split() for step in story.split(",")):
        if word in ("manager", "player"):
            part = GamePlayerManager() if word == "manager" else GamePlayer(int(rest[1]), "active" in rest)
            made[rest[0]] = place(scene, rest[0], part)
        elif word == "remove":
            nodes[rest[0]] = made[rest[0]].getSceneNode()
            scene.removeNode(nodes[rest[0]])
        elif word == "return":
            scene.addNode(nodes[rest[0]])
        else:
            scene.updateProcess(0.1)
    return scene, made


# The story; then the scene's manager, its active player, the players filed by number, whose wish to be active
# stands, and who is out of the scene.
PLAYER_STORIES = [
    ("manager m, player a 1 active, player b 2 active, remove a", "m", 0, {2: "b"}, "a", "a"),
    ("player a 1 active, manager m, player b 2", "m", 0, {2: "b"}, "a", ""),
    ("manager m, manager m2, player a 1, player dup 1 active, update, player b 2", "m", 0, {1: "a", 2: "b"}, "dup",
     "m2 dup"),
    ("manager m, player a 1 active, remove m, player b 2", None, None, {}, "a", "m"),
    ("manager m, remove m, manager m2, player a 1 active", "m2", 1, {1: "a"}, "a", "m"),
    # A manager that left forgot its players but not its active number, and gathers nobody on its return.
    ("manager m, player a 1 active, remove m, return m", "m", 1, {}, "a", ""),
]


@pytest.mark.parametrize("story, manager, active, filed, wishing, gone", PLAYER_STORIES)
def test_players_are_filed_by_number_with_one_active_player(story, manager, active, filed, wishing, gone):
    scene, made = tell(story)
    found = GamePlayerManager.getGamePlayerManager(scene)
    assert (found and found.getEntity().getName(), found and found.getActivePlayer()) == (manager, active)
    entities = {number: GamePlayerManager.getGamePlayerEntity(scene, number) for number in (0, 1, 2)}
    assert {number: entity.getName() for number, entity in entities.items() if entity} == filed
    players = {name: Component.getComponent("GamePlayer", entity) for name, entity in made.items()}
    assert [name for name, player in players.items() if player and player.isActive()] == wishing.split()
    assert [name for name, entity in made.items() if entity.getSceneManager() != scene] == gone.split()


def test_a_manager_is_registered_only_in_the_scene_it_is_in_and_never_outlives_it():
    first, second = SceneManager.createNew(), SceneManager.createNew()
    carrier = Carrier(second)
    entity = place(first, "m", carrier, GamePlayerManager())
    manager = Component.getComponent("GamePlayerManager", entity)
    first.removeNode(entity.getSceneNode())     # the carrier moves it on before the manager hears that it left
    assert (GamePlayerManager.getGamePlayerManager(first), GamePlayerManager.getGamePlayerManager(second)) == (
        None, manager)
    # The scenes die with the manager in them, and it with them.
    watched = weakref.ref(carrier)
    del entity, manager, carrier, first, second
    gc.collect()
    assert watched() is None


class Journal(PlayerBeacon):
    """Writes each join and departure as (what, unit type, units counted then); react runs after a departure."""
    super = PlayerBeacon

    def __init__(self, log, player=1, react=None):
        PlayerBeacon.__init__(self, 1, player)
        self.log, self.react = log, react

    def unitAdded(self, unit):
        self.log.append(("added", unit.getUnitType(), self.getNumUnits()))

    def unitRemoved(self, unit):
        self.log.append(("removed", unit.getUnitType(), self.getNumUnits()))
        if self.react:
            react, self.react = self.react, None
            react(self, unit)


def members(beacon, units):
    """The unit types of the units that name the beacon as theirs, checked against its count."""
    held = [unit.getUnitType() for unit in units if unit.getBeacon() is beacon]
    assert beacon.getNumUnits() == len(held)
    return held


def test_units_join_one_beacon_of_their_own_scene_and_leave_it_once():
    scene, elsewhere, log = SceneManager.createNew(), SceneManager.createNew(), []
    beacon, rival, loose = Journal(log), Journal(log, player=2), PlayerBeacon(1, 1)
    post, kept = place(scene, "beacon", beacon), place(None, "loose", loose)
    place(scene, "rival", rival)
    units = [PlayerUnit(number, player, "") for number, player in ((1, 1), (2, 2), (3, 1), (4, 1), (5, 1))]
    for unit, where in zip(units, (scene, scene, elsewhere, None, scene)):
        place(where, "unit%d" % unit.getUnitType(), unit)
    first, other_player, other_scene, free, last = units

    beacon.addUnit(first)
    beacon.addUnit(other_player)     # another player's unit (or type) joins as well
    for owner, refused in ((beacon, first), (rival, first), (beacon, other_scene), (beacon, free), (loose, last),
                           (beacon, None)):
        owner.addUnit(refused)
    rival.removeUnit(first)          # not its unit
    beacon.removeUnit(None)
    assert log == [("added", 1, 1), ("added", 2, 2)]
    assert (members(beacon, units), members(rival, units), first.getBeacon() is beacon) == ([1, 2], [], True)

    # The engine's advice at its edges: an empty beacon chooses nobody; 1 over the squared distance is infinite on
    # the spot and 0 out of a scene; a beacon on an entity in no scene takes nobody and scores 0.
    assert (rival.selectUnitToRemove(), beacon.evaluateUnit(other_player), beacon.evaluateUnit(free)) == (
        None, float("inf"), 0.0)
    assert (loose.getEntity(), loose.getNumUnits(), loose.evaluateUnit(first)) == (kept, 0, 0.0)

    # removeUnit counts the unit out before telling; removeAllUnits tells each while all still count.
    del log[:]
    beacon.removeUnit(first)
    beacon.addUnit(last)
    beacon.addUnit(first)
    beacon.removeAllUnits()
    assert log == [("removed", 1, 1), ("added", 5, 2), ("added", 1, 3),
                   ("removed", 2, 3), ("removed", 5, 3), ("removed", 1, 3)]
    assert members(beacon, units) == []

    # A unit leaving its scene or its entity, and a beacon leaving its scene, end the membership. The beacon hears
    # it though the script let go of it, and goes with its entity.
    beacon.addUnit(first)
    beacon.addUnit(other_player)
    rival.addUnit(last)
    del log[:]
    watched = weakref.ref(beacon)
    del beacon, owner
    gc.collect()
    assert isinstance(Component.getComponent("PlayerObject", post), Journal)
    scene.removeNode(first.getEntity().getSceneNode())
    last.getEntity().getSceneNode().detachEntity()
    scene.removeNode(post.getSceneNode())
    assert log == [("removed", 1, 1), ("removed", 5, 0), ("removed", 2, 1)]
    assert [unit.getBeacon() for unit in units] == [None] * 5
    assert (rival.getNumUnits(), Component.getComponent("PlayerBeacon", post).getNumUnits()) == (0, 0)
    del post
    gc.collect()
    assert watched() is None


# A beacon and a unit, each on a node at a local point, at the top of the scene or under a parent node that is then
# moved to a point, turned by an angle (degrees) and scaled; the squared distance between the two before the parents
# move, and after.
BEACON_PLACES = {
    "the beacon under a moved parent": (((100, 0), 0, 1), (3, 4), None, (100, 0), 9425, 25),
    "the unit under a moved parent": (None, (0, 0), ((10, 20), 0, 1), (-4, -12), 160, 100),
    "both under moved parents": (((50, 50), 0, 1), (1, 1), ((-50, -50), 0, 1), (104, 105), 21425, 25),
    "the unit under a turned parent": (None, (2, 4), ((10, 0), 90, 1), (0, 5), 5, 25),
    "the beacon under a scaled parent": (((0, 0), 0, 3), (1, 1), None, (0, -1), 5, 25),
    "both under turned and scaled parents": (((1, 1), 180, 2), (1, 0), ((0, 0), 90, 0.5), (8, -4), 65, 18),
}


@pytest.mark.parametrize("beacon_parent, beacon_at, unit_parent, unit_at, before, after", BEACON_PLACES.values(),
                         ids=BEACON_PLACES.keys())
def test_a_beacon_scores_a_unit_by_where_both_stand_in_the_world(beacon_parent, beacon_at, unit_parent, unit_at,
                                                                 before, after):
    scene, beacon, unit = SceneManager.createNew(), PlayerBeacon(1, 1), PlayerUnit(1, 1, "")
    moves = []
    for component, parent, at in ((beacon, beacon_parent, beacon_at), (unit, unit_parent, unit_at)):
        holder = None
        if parent is not None:
            holder = place(scene, "holder")
            moves.append((holder.getSceneNode(), parent))
        place(scene, "placed", component, at=at, parent=holder)
    # The first score reads the world transforms, which the parents' moves must then renew.
    assert beacon.evaluateUnit(unit) == pytest.approx(1.0 / before)
    for node, (position, angle, scale) in moves:
        node.setPosition(Vector2(*position))
        node.setOrientation(Complex(math.radians(angle)))
        node.setScale(Scale(scale))
    assert beacon.evaluateUnit(unit) == pytest.approx(1.0 / after)


# What unitRemoved does while removeAllUnits tells the first of units 1, 2 and 3; then the departures, the joins
# and the units in the beacon at the end.
REMOVE_ALL_REACTIONS = {
    "takes the unit back": (lambda beacon, unit: beacon.addUnit(unit), [1, 2, 3], [1], [1]),
    "removes a later unit": (lambda beacon, unit: beacon.removeUnit(beacon.units[2]), [1, 3, 2], [], []),
    "kills everyone": (lambda beacon, unit: [item.getEntity().kill() for item in beacon.units + [beacon]],
                       [1, 2, 3], [], []),
    "empties the beacon again": (lambda beacon, unit: beacon.removeAllUnits(), [1, 2, 3], [], []),
}


@pytest.mark.parametrize("reaction, departures, joins, remaining", REMOVE_ALL_REACTIONS.values(),
                         ids=REMOVE_ALL_REACTIONS.keys())
def test_every_unit_leaves_once_whatever_unit_removed_does_meanwhile(reaction, departures, joins, remaining):
    scene, log = SceneManager.createNew(), []
    beacon = Journal(log, react=reaction)
    place(scene, "beacon", beacon)
    beacon.units = [PlayerUnit(number, 1, "") for number in (1, 2, 3)]
    for unit in beacon.units:
        place(scene, "unit%d" % unit.getUnitType(), unit)
        beacon.addUnit(unit)
    del log[:]
    beacon.removeAllUnits()
    assert [number for what, number, count in log if what == "removed"] == departures
    assert [number for what, number, count in log if what == "added"] == joins
    assert members(beacon, beacon.units) == remaining
    scene.updateProcess(0.1)
    assert members(beacon, beacon.units) == ([] if beacon.getSceneManager() is None else remaining)


def test_players_and_beacons_from_the_factory_their_copies_and_python_beacons_faults(run_script, tmp_path):
    result = run_script("""
from machines_prelude import *
factory = ComponentFactory.getSingleton()

def make(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return factory.create(kind, params)

said([attempt(lambda: make(kind, **values)) for kind, values in [
    ("GamePlayer", {}), ("GamePlayer", {"id": -1}), ("PlayerUnit", {"player": 1, "template": ""}),
    ("PlayerUnit", {"type": 1, "player": 1}), ("PlayerBeacon", {"type": 1}), ("SingleStateBeacon", {"type": "x"}),
    ("SingleStateBeacon", {"fsm": "guard", "type": "x"})]])

# Entity copies take the numbers, the template and the target; no membership, no wish to be active.
defined("guard", ["post", "chase"], [("post", "chase", 1001)], default="post")
player = make("GamePlayer", id=4294967295, active="true")
member = make("PlayerUnit", type=3, player=2, template="Arena")
beacon = make("SingleStateBeacon", fsm="guard", type=1, player=1)
soldier, post = unit("soldier", player, member, make("VisualTargetSeeker", target="hero")), unit("post", beacon)
beacon.addUnit(member)
copies = [Entity.createCopy(entity) for entity in (soldier, post)]
found = lambda kind: Component.getComponent(kind, copies[kind == "SingleStateBeacon"])
said(player.isActive(), found("GamePlayer").getID(), found("GamePlayer").isActive(),
     found("PlayerUnit").getSceneTemplate().getName(), found("PlayerUnit").getBeacon(),
     found("SingleStateBeacon").getNumUnits(), found("VisualTargetSeeker").getTargetName())

# A single-state beacon runs its machine on each unit from joining to leaving.
beacon.removeUnit(member)
guards = [PlayerUnit(1, 1, "") for _ in range(2)]
for number, guard in enumerate(guards):
    unit("guard%d" % number, guard, UnitFSMController(), Machine("guard"))
beacon.addUnit(guards[0])
said("joined", drain(), guards[0].getController().getActiveFSM().getStateMachine().getName())
beacon.addUnit(guards[1])
beacon.removeUnit(guards[0])
said("swapped", drain(), guards[0].getController().getActiveFSM())
scene.removeNode(guards[1].getEntity().getSceneNode())
said("left", drain(), beacon.getNumUnits())

# Python beacons: a type chain that misses PlayerBeacon or loops is refused.
Ring, Ranked = type("Ring", (PlayerBeacon,), {}), type("Ranked", (PlayerBeacon,), {"super": SingleStateBeacon})
Knot = type("Knot", (Ring,), {"super": Ring})
Ring.super = Knot
for prototype in (Ring, Knot, Ranked):
    factory.registerType(prototype(1, 1))
for cls in [type("Stray", (PlayerBeacon,), {"super": Component}), Ring, type("Deeper", (Ranked,), {"super": Ranked})]:
    entity, made = Entity.createNew(cls.__name__), cls(1, 1)
    said(cls.__name__, entity.addComponent(made), [name for name in ("PlayerObject", "PlayerBeacon",
         "SingleStateBeacon", "Ranked", cls.__name__) if Component.getComponent(name, entity) is made])
scene.clear()
for name in [name for name, value in globals().items() if isinstance(value, (Entity, Component, list))]:
    del globals()[name]
root.shutdown()
""")
    assert result.returncode == 0 and result.stdout.rstrip().endswith(LEAK_FREE), result
    missing = "RuntimeError: Could not find parameter '%s'"
    unconvertible = "RuntimeError: Unable to convert parameter '%s' to unsigned int"
    assert printed(result) == [
        ([missing % "id", unconvertible % "id"] + [missing % name for name in ("type", "template", "player", "fsm")]
         + [unconvertible % "type"],),
        (True, 4294967295, False, "Arena", None, 0, "hero"),
        ("joined", [("guard", 0, 1, None)], "guard"), ("swapped", [("guard", 0, 1, None), ("guard", 1, 0, None)], None),
        ("left", [("guard", 1, 0, None)], 0),
        ("Stray", False, []), ("Ring", False, []),
        ("Deeper", True, ["PlayerObject", "PlayerBeacon", "SingleStateBeacon", "Ranked", "Deeper"])]
    assert read_log(tmp_path / "PythonSystemLog.txt")[1:-2] == [
        "Error inserting python component: 'Stray' does not derive from 'PlayerBeacon'",
        "Error inserting python component: type 'Ring' appears twice above 'Ring'"]


class Heard(EventListener):
    """Writes (listening entity, event class, entity seen, time) to a list shared by all listeners."""

    def __init__(self, eventType, lines, owner):
        EventListener.__init__(self, eventType)
        self.lines, self.owner = lines, owner

    def handleEvent(self, event):
        subject = event.unit.getEntity() if hasattr(event, "unit") else event.target
        self.lines.append((self.owner, type(event).__name__, subject.getName(), event.getEventTime()))


class Sight:
    """A scene with physics where bodies (circles of 1, units of a player or not) write all they hear of sight to one
    list; a sight sensor is a circle of 10 on a child entity."""

    def __init__(self):
        self.scene, self.lines, self.keep = SceneManager.createNew(), [], []
        GridPhysicsManager.createNew().connect(self.scene)

    def body(self, name, player=None, at=(0, 0), parent=None):
        parts = [StaticCollidable(Circle(Vector2(0, 0), 1))] + ([] if player is None else [PlayerUnit(1, player, "")])
        entity = place(self.scene, name, *parts, at=at, parent=parent)
        for kind in (UnitSightedEvent, EnemySightedEvent, VisualTargetFound, VisualTargetLost):
            self.keep.append(Heard(kind.TYPE, self.lines, name))
            entity.addEventListener(self.keep[-1])
        return entity

    def sensor(self, viewer, *parts):
        return place(None, "sight", StaticCollidable(Circle(Vector2(0, 0), 10)), *parts, parent=viewer)

    def listen(self, steps):
        """Runs the scene for that many steps of half a second; answers what was heard since the last call."""
        for _ in range(steps):
            self.scene.updateProcess(0.5)
        lines, self.lines[:] = list(self.lines), []
        return lines


# Who watches (a unit of player 1 or a plain entity), who walks into view, and what the watcher hears in the first
# of three steps the walker stands in view.
SIGHT_CASES = {
    "a unit of the same player": (1, 1, ["UnitSightedEvent", "VisualTargetFound"]),
    "a unit of another player": (1, 2, ["UnitSightedEvent", "EnemySightedEvent", "VisualTargetFound"]),
    "a viewer that is no unit": (None, 2, ["UnitSightedEvent", "VisualTargetFound"]),
    "something that is no unit": (1, None, ["VisualTargetFound"]),
}


@pytest.mark.parametrize("dies", [False, True], ids=["walks out", "dies in view"])
@pytest.mark.parametrize("viewer_player, walker_player, sighted", SIGHT_CASES.values(), ids=SIGHT_CASES.keys())
def test_sight_reports_a_walker_in_view_once_and_the_seeker_its_going_or_its_death(viewer_player, walker_player,
                                                                                  sighted, dies):
    sight = Sight()
    sight.sensor(sight.body("viewer", viewer_player), VisualReactor(), VisualTargetSeeker("walker"))
    walker, marker = sight.body("walker", walker_player, at=(30, 0)), Carrier()
    walker.addComponent(marker)
    assert sight.listen(1) == []       # the viewer's own body, in its sensor, is no sighting
    walker.getSceneNode().setPosition(Vector2(5, 0))
    assert sight.listen(3) == [("viewer", kind, "walker", 1.0) for kind in sighted]
    if dies:
        walker.kill()
    else:
        walker.getSceneNode().setPosition(Vector2(30, 0))
    del walker
    # Only the seeker reports a going; a killed walker leaves at the end of the next step, and is lost in the one after.
    assert sight.listen(3) == [("viewer", "VisualTargetLost", "walker", 3.0 if dies else 2.5)]
    watched = weakref.ref(marker)
    del marker
    gc.collect()
    assert (watched() is None) == dies


class Shy(CollidableListener):
    """Takes a node out of its scene when the entity it listens to touches something."""

    def __init__(self, scene, node):
        CollidableListener.__init__(self)
        self.scene, self.node = scene, node

    def entitiesCollided(self, event):
        self.scene.removeNode(self.node)


class Chase(Sight):
    """A viewer (a unit of player 1) whose sensor has a reactor and a seeker of "target"; a decoy (player 2) in its view
    from the start; the target (player 2) under a carrier entity that brings it into view in the second step."""

    def __init__(self):
        Sight.__init__(self)
        self.seeker = VisualTargetSeeker("target")
        self.viewer = self.body("viewer", 1)
        self.sensor(self.viewer, VisualReactor(), self.seeker)
        self.decoy = self.body("decoy", 2, at=(-5, 0))
        self.carrier = place(self.scene, "carrier", at=(30, 0)).getSceneNode()
        self.target, self.marker = self.body("target", 2, parent=self.carrier.getEntity()), Carrier()
        self.target.addComponent(self.marker)
        self.watched = weakref.ref(self.marker)

    def act(self, action):
        """Does one of the things that befall the target (or the viewer) in a story."""
        node = self.target and self.target.getSceneNode()
        {"in": lambda: self.carrier.setPosition(Vector2(5, 0)),
         "out": lambda: self.carrier.setPosition(Vector2(30, 0)),
         "kill": lambda: self.target.kill(),
         "remove": lambda: self.scene.removeNode(self.carrier),
         "add": lambda: self.scene.addNode(self.carrier),
         "unhook": lambda: self.carrier.removeChild(node),
         "detach": lambda: node.detachEntity(),
         "let go": self.let_go,
         "shy": self.turn_shy,
         "watch target": lambda: self.seeker.getEntity().postEvent(SetVisualTargetActionEvent(self.target, 0.0)),
         "watch decoy": lambda: self.seeker.setTarget("decoy"),
         "decoy out": lambda: self.decoy.getSceneNode().setPosition(Vector2(-30, 0)),
         "kill decoy": lambda: self.decoy.kill(),
         "remove decoy": lambda: self.scene.removeNode(self.decoy.getSceneNode()),
         "detach decoy": lambda: self.decoy.getSceneNode().detachEntity(),
         # The seeker's sensor entity is let go of, the seeker put on a unit far away.
         "move seeker": lambda: (self.seeker.getSceneNode().detachEntity(),
                                 self.sensor(self.body("far", 1, at=(100, 0)), self.seeker)),
         "kill viewer": lambda: self.viewer.kill()}[action]()

    def let_go(self):
        """Drops the script's every reference to the target and what carries it."""
        self.target = self.marker = self.carrier = None
        gc.collect()

    def turn_shy(self):
        """The target's carrier leaves the scene as soon as the target touches something."""
        self.keep.append(Shy(self.scene, self.carrier))
        self.target.addEventListener(self.keep[-1])


def lost(time, name="target"):
    return [("viewer", "VisualTargetLost", name, time)]


def found(time):
    return [("viewer", kind, "target", time) for kind in ("UnitSightedEvent", "EnemySightedEvent", "VisualTargetFound")]


# What befalls the target after the seeker found it at 1.0, step by step (the actions before each step of half a
# second), and what the viewer hears from then on; steps run on to the fifth.
SEEKER_STORIES = {
    "walks out": ([["out"]], lost(1.5)),
    "walks out, back in and out": ([["out"], ["in"], ["out"]], lost(1.5) + found(2.0) + lost(2.5)),
    "is killed": ([["kill"]], lost(2.0)),
    "is killed and let go of": ([["kill", "let go"]], lost(2.0)),
    "is killed as it walks out": ([["kill", "out"]], lost(1.5)),
    "is taken out of the scene and let go of": ([["remove", "let go"]], lost(1.5)),
    "is taken off its parent": ([["unhook"]], lost(1.5)),
    "is detached from its node": ([["detach"]], lost(1.5)),
    "leaves and comes back in one step": ([["remove", "add"]], lost(1.5) + found(1.5)),
    "leaves and comes back a step later": ([["remove"], ["add"]], lost(1.5) + found(2.0)),
    "leaves as it is seen again": ([["out"], ["shy", "in"]], lost(1.5)),
    "is named again": ([["watch target"], ["out"]], lost(2.0)),
    "is watched no more": ([["watch decoy"], ["out"]], []),
    # A seeker told to watch an entity already in view reports it lost when it goes, however it goes.
    "gives way to a decoy in view that walks out": ([["watch decoy"], ["decoy out"]], lost(2.0, "decoy")),
    "gives way to a decoy in view that is killed": ([["watch decoy", "kill decoy"]], lost(2.0, "decoy")),
    "gives way to a decoy in view taken out of the scene": ([["watch decoy", "remove decoy"]], lost(1.5, "decoy")),
    "gives way to a decoy in view detached from its node": ([["watch decoy", "detach decoy"]], lost(1.5, "decoy")),
    "is left behind by a seeker moved to another unit": ([["move seeker", "kill", "let go"]], []),
    "dies with the viewer": ([["kill", "kill viewer"]], []),
    "outlives the viewer": ([["kill viewer"], ["out"]], []),
}


@pytest.mark.parametrize("story, heard", SEEKER_STORIES.values(), ids=SEEKER_STORIES.keys())
def test_a_seeker_reports_each_target_it_found_lost_once_however_the_target_goes(story, heard):
    chase = Chase()
    assert chase.listen(1) == [("viewer", kind, "decoy", 0.5) for kind in ("UnitSightedEvent", "EnemySightedEvent")]
    chase.act("in")
    assert chase.listen(1) == found(1.0)
    lines = []
    for actions in story:
        for action in actions:
            chase.act(action)
        lines += chase.listen(1)
    lines += chase.listen(5 - len(story))
    # A viewer out of the scene keeps what is queued on it: whatever that is shows here.
    chase.viewer.dispatchEvents(-1.0)
    assert lines + chase.lines == heard
    gc.collect()
    assert (chase.watched() is None) == ("let go" in story[0])


@pytest.mark.parametrize("watched", ["target", "other"])
def test_a_seeker_holds_of_what_is_in_view_only_what_bears_the_watched_name(watched):
    sight = Sight()
    seeker = VisualTargetSeeker("target")
    sight.sensor(sight.body("viewer", 1), seeker)
    alive = {}
    for x, name in ((5, "target"), (-5, "other")):
        marker = Carrier()
        sight.body(name, at=(x, 0)).addComponent(marker)
        alive[name] = weakref.ref(marker)
    del marker
    sight.listen(1)
    if watched != "target":
        seeker.setTarget(watched)
    # Both leave the scene before their contacts end; only the watched one is still held.
    for name in alive:
        sight.scene.removeNode(sight.scene.getEntity(name).getSceneNode())
    gc.collect()
    assert [name for name, ref in alive.items() if ref()] == [watched]
    assert sight.listen(1) == lost(1.0, watched)
    gc.collect()
    assert [ref() for ref in alive.values()] == [None, None]


def test_a_hunter_stops_chasing_a_prey_that_dies_or_loses_its_body_in_view(run_script):
    result = run_script("""
from machines_prelude import *
GridPhysicsManager.createNew().connect(scene)
defined("hunt", ["rest", "chase"],
        [("rest", "chase", VisualTargetFound.TYPE), ("chase", "rest", VisualTargetLost.TYPE)], default="rest")
hunter = Machine("hunt")
body = unit("hunter", PlayerUnit(1, 1, ""), StaticCollidable(Circle(Vector2(0, 0), 1)), hunter)
hunter.connect(body)
drain()
eye = Entity.createNew("eye")
eye.addComponent(StaticCollidable(Circle(Vector2(0, 0), 10)))
eye.addComponent(VisualTargetSeeker("prey"))
node = SceneNode.createNew()
node.attach(eye)
body.getSceneNode().addChild(node)
del node
# Nothing but its node holds a prey, as in a game.
for ending in ("kill", "remove"):
    unit("prey", StaticCollidable(Circle(Vector2(0, 0), 1))).getSceneNode().setPosition(Vector2(5, 0))
    scene.updateProcess(0.5)
    chased = drain()
    prey = scene.getEntity("prey")
    prey.kill() if ending == "kill" else remove(prey, "Collidable")
    del prey
    for _ in range(3):
        scene.updateProcess(0.5)
    said(ending, chased, drain())
scene.clear()
for name in [name for name, value in globals().items() if isinstance(value, (Entity, Component))]:
    del globals()[name]
root.shutdown()
""")
    assert result.returncode == 0 and result.stdout.rstrip().endswith(LEAK_FREE), result
    found, lost = VisualTargetFound.TYPE, VisualTargetLost.TYPE
    assert printed(result) == [("kill", [("hunt", 1, 2, found)], [("hunt", 2, 1, lost)]),
                               ("remove", [("hunt", 1, 2, found)], [("hunt", 2, 1, lost)])]


def test_a_visual_target_seeker_follows_action_events_and_an_empty_target_matches_nobody():
    sight = Sight()
    seeker = VisualTargetSeeker("hero")
    sensor = sight.sensor(sight.body("viewer", 1), seeker)
    hero, other = sight.body("hero", 2, at=(30, 0)), sight.body("", 2, at=(-30, 0))
    # Action events on the sensor's entity: by name (as a data file makes them), by entity (copied for a later
    # time); a bare event or one whose entity is gone changes nothing.
    params = ParameterList()
    params.add("target", "scout")
    sensor.postEvent(SetVisualTargetActionEvent(hero, 0.0).createNew(params))
    sensor.postEvent(Event(SetVisualTargetActionEvent.TYPE, 0.0))
    assert seeker.getTargetName() == "scout"
    sensor.queueEvent(SetVisualTargetActionEvent(hero, 0.0).createCopy(sight.scene.getCurrentTime() + 0.75))
    sight.listen(1)
    assert seeker.getTargetName() == "scout"
    sight.listen(1)
    assert seeker.getTargetName() == "hero"
    sensor.postEvent(SetVisualTargetActionEvent(Entity.createNew("ghost"), 0.0))   # the ghost dies as it is named
    assert seeker.getTargetName() == "hero"
    # An entity made without a name has one made up: the empty target matches nobody.
    sensor.postEvent(SetVisualTargetActionEvent("", 0.0))
    other.getSceneNode().setPosition(Vector2(5, 0))
    assert (seeker.getTargetName(), sight.listen(1)) == ("", [])
