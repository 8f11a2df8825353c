"""Game players, player units, beacons and sight as a game script uses them: players filed by number with one active
player, units joining and leaving beacons (beacons written in Python among them, with their faults), single-state
beacons switching their units' machines, and sight sensors reporting what comes into and goes out of view."""

import gc
import weakref

import pytest

import tarnu
from logfiles import printed, read_log
from tarnu import (Circle, Component, EnemySightedEvent, Entity, Event, EventListener, FactoryEvent, GamePlayer,
                   GamePlayerManager, GridPhysicsManager, ParameterList, PlayerBeacon, PlayerUnit, SceneManager,
                   SceneNode, SetVisualTargetActionEvent, SingleStateBeacon, StaticCollidable,
                   UnitFSMControllerActionEvent, UnitSightedEvent, Vector2, VisualReactor, VisualTargetFound,
                   VisualTargetLost, VisualTargetSeeker)

INF = float("inf")


def place(scene, name, *components, at=(0, 0), parent=None):
    """An entity with the components on a node at a point, under the parent's node or at the top of the scene
    (None: in no scene)."""
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


def test_the_python_surface_of_players_beacons_and_sight():
    names = list(vars(tarnu))
    # The areas in the module's order: game players, pathfinding, state machines, players and sight, then Root.
    order = ["GamePlayer", "GamePlayerManager", "Pathfinder", "FSMResource", "UnitFSMControllerActionEvent",
             "PlayerUnit", "PlayerBeacon", "SingleStateBeacon", "VisualReactor", "VisualTargetSeeker",
             "UnitSightedEvent", "EnemySightedEvent", "VisualTargetLost", "VisualTargetFound",
             "SetVisualTargetActionEvent", "Root"]
    assert sorted(order, key=names.index) == order
    members = {GamePlayer: "getID isActive",
               GamePlayerManager: "getGamePlayerManager getGamePlayerEntity getActivePlayer getGamePlayer",
               PlayerUnit: "getUnitType getPlayer getController getBeacon getSceneTemplate getParameters",
               PlayerBeacon: "getUnitType getPlayer addUnit removeUnit removeAllUnits getNumUnits getPriority "
                             "selectUnitToRemove evaluateUnit unitAdded unitRemoved",
               VisualTargetSeeker: "getTargetName setTarget"}
    for cls, expected in members.items():
        assert [name for name in vars(cls) if name in expected.split()] == expected.split(), cls
    bases = {GamePlayer: Component, GamePlayerManager: Component, PlayerUnit: Component, PlayerBeacon: Component,
             SingleStateBeacon: PlayerBeacon, VisualReactor: Component, VisualTargetSeeker: Component,
             UnitSightedEvent: Event, EnemySightedEvent: Event, VisualTargetLost: Event, VisualTargetFound: Event,
             SetVisualTargetActionEvent: FactoryEvent}
    assert all(cls.__bases__ == (base,) for cls, base in bases.items())
    for call in (SingleStateBeacon, UnitSightedEvent, VisualTargetLost, lambda: GamePlayer(1),
                 lambda: SetVisualTargetActionEvent(None, 1.0), lambda: VisualTargetSeeker().setTarget(None)):
        with pytest.raises((RuntimeError, TypeError), match="cannot be instantiated|did not match|no entity"):
            call()
    # The sight events come after the state machines' action event, in the order of their classes.
    types = [cls.TYPE for cls in (UnitFSMControllerActionEvent, UnitSightedEvent, EnemySightedEvent,
                                  VisualTargetLost, VisualTargetFound, SetVisualTargetActionEvent)]
    assert types == list(range(types[0], types[0] + 6))
    assert (GamePlayerManager.getGamePlayerManager(None), GamePlayerManager.getGamePlayerEntity(None, 1),
            PlayerUnit(3, 2, "").getParameters().get("player")) == (None, None, "2")

    # An action event made with an entity names it while it lives, and keeps nobody alive.
    hero, marker = Entity.createNew("hero"), Carrier(None)
    hero.addComponent(marker)
    watched = weakref.ref(marker)
    aimed = SetVisualTargetActionEvent(hero, 2.0)
    assert (aimed.name, aimed.entity, aimed.createCopy(3.0).entity, aimed.FACTORY_TYPE) == (
        "", hero, hero, "SetVisualTarget")
    params = ParameterList()
    params.add("target", "scout")
    assert (aimed.createNew(params).name, aimed.createNew(params).getEventTime()) == ("scout", 0.0)
    del hero, aimed, marker
    gc.collect()
    assert watched() is None


def tell(steps):
    """Plays a story of managers and players arriving in a scene, leaving it, and the scene updating."""
    scene, made, nodes = SceneManager.createNew(), {}, {}
    for step in steps:
        word, *rest = step.split()
        if word == "manager":
            made[rest[0]] = place(scene, rest[0], GamePlayerManager())
        elif word == "player":
            made[rest[0]] = place(scene, rest[0], GamePlayer(int(rest[1]), rest[2:] == ["active"]))
        elif word == "remove":
            nodes[rest[0]] = made[rest[0]].getSceneNode()
            scene.removeNode(nodes[rest[0]])
        elif word == "return":
            scene.addNode(nodes[rest[0]])
        else:
            scene.updateProcess(0.1)
    return scene, made


# Steps; then the scene's manager, its active player, the players filed by number, whose wish to be active stands,
# and who is out of the scene.
PLAYER_STORIES = [
    (["manager m", "player a 1 active", "player b 2 active"], "m", 1, {1: "a", 2: "b"}, "a", []),
    (["manager m", "player a 1 active", "player b 2 active", "remove a"], "m", 0, {2: "b"}, "a", ["a"]),
    (["manager m", "player z 0 active", "player a 1 active"], "m", 1, {0: "z", 1: "a"}, "z a", []),
    (["player a 1 active", "manager m", "player b 2"], "m", 0, {2: "b"}, "a", []),
    (["manager m", "player a 1", "player dup 1 active", "update"], "m", 0, {1: "a"}, "dup", ["dup"]),
    (["manager m", "player a 1", "player dup 1", "update", "player b 2"], "m", 0, {1: "a", 2: "b"}, "", ["dup"]),
    (["manager m", "manager m2", "player a 1", "update"], "m", 0, {1: "a"}, "", ["m2"]),
    (["manager m", "player big 4294967295 active", "player a 1 active"], "m", 4294967295,
     {4294967295: "big", 1: "a"}, "big", []),
    (["manager m", "player a 1 active", "remove m", "player b 2"], None, None, {}, "a", ["m"]),
    (["manager m", "remove m", "manager m2", "player a 1 active", "manager m"], "m2", 1, {1: "a"}, "a", []),
    # A manager that left forgot its players but not its active number, and gathers nobody on its return.
    (["manager m", "player a 1 active", "remove m", "return m"], "m", 1, {}, "a", []),
]


@pytest.mark.parametrize("steps, manager, active, filed, wishing, gone", PLAYER_STORIES)
def test_players_are_filed_by_number_with_one_active_player(steps, manager, active, filed, wishing, gone):
    scene, made = tell(steps)
    found = GamePlayerManager.getGamePlayerManager(scene)
    assert (found.getEntity().getName() if found else None) == manager
    assert (found.getActivePlayer() if found else None) == active
    numbers = [0, 1, 2, 4294967295]
    assert {number: GamePlayerManager.getGamePlayerEntity(scene, number).getName() for number in numbers
            if GamePlayerManager.getGamePlayerEntity(scene, number)} == filed
    players = {name: Component.getComponent("GamePlayer", entity) for name, entity in made.items()}
    assert sorted(name for name, player in players.items() if player and player.isActive()) == sorted(wishing.split())
    assert sorted(name for name, entity in made.items() if entity.getSceneManager() != scene) == sorted(gone)


class Carrier(Component):
    """Takes its entity's node into another scene as soon as the node leaves its scene."""
    super = Component

    def __init__(self, destination):
        Component.__init__(self)
        self.destination = destination

    def managerChanged(self, newManager, oldManager):
        if newManager is None and self.destination is not None:
            destination, self.destination = self.destination, None
            destination.addNode(self.getSceneNode())


def test_a_scene_registry_entry_never_outlives_its_scene_nor_stays_behind_when_its_manager_moves():
    first, second = SceneManager.createNew(), SceneManager.createNew()
    carrier = Carrier(second)
    entity = place(first, "m", carrier, GamePlayerManager())
    manager = Component.getComponent("GamePlayerManager", entity)
    # The carrier moves the entity on before the manager hears that it left the first scene.
    first.removeNode(entity.getSceneNode())
    assert GamePlayerManager.getGamePlayerManager(first) is None
    assert GamePlayerManager.getGamePlayerManager(second) == manager
    # The scenes die with a manager in them: the registry keeps neither it nor anything a later scene finds.
    watched = weakref.ref(carrier)
    del entity, manager, carrier, first, second
    gc.collect()
    assert watched() is None
    assert all(GamePlayerManager.getGamePlayerManager(SceneManager.createNew()) is None for _ in range(20))


class Journal(PlayerBeacon):
    """Writes each join and departure as (what, unit type, units counted then); react runs after."""
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
    place(scene, "beacon", beacon, at=(0, 0))
    place(scene, "rival", rival)
    kept = place(None, "loose", loose)
    units = [PlayerUnit(number, player, "") for number, player in ((1, 1), (2, 2), (3, 1), (4, 1), (5, 1))]
    for unit, (where, at) in zip(units, [(scene, (3, 4)), (scene, (0, 0)), (elsewhere, (6, 8)), (None, (0, 0)),
                                         (scene, (1, 0))]):
        place(where, "unit%d" % unit.getUnitType(), unit, at=at)
    first, other_player, other_scene, free, last = units

    beacon.addUnit(first)
    beacon.addUnit(other_player)     # another player's unit (or type) joins as well
    for refused in ((beacon, first), (rival, first), (beacon, other_scene), (beacon, free), (loose, last),
                    (beacon, None)):
        refused[0].addUnit(refused[1])
    rival.removeUnit(first)          # not its unit
    beacon.removeUnit(None)
    assert log == [("added", 1, 1), ("added", 2, 2)]
    assert (members(beacon, units), members(rival, units), first.getBeacon() is beacon) == ([1, 2], [], True)

    # Advice: the first to have joined, and 1 over the squared distance (infinite on the spot, 0 out of a scene).
    assert beacon.selectUnitToRemove() is first and rival.selectUnitToRemove() is None
    assert [beacon.evaluateUnit(unit) for unit in (first, other_player, other_scene, free)] == [
        1 / 25, INF, 1 / 100, 0.0]
    # A beacon of the engine's own class, on an entity in no scene, takes nobody and scores 0.
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

    # A unit leaving its scene or its entity, and a beacon leaving its scene, end the membership.
    for unit in units[:2]:
        beacon.addUnit(unit)
    rival.addUnit(last)
    del log[:]
    scene.removeNode(first.getEntity().getSceneNode())
    last.getEntity().getSceneNode().detachEntity()
    scene.removeNode(beacon.getEntity().getSceneNode())
    assert log == [("removed", 1, 1), ("removed", 5, 0), ("removed", 2, 1)]
    assert (members(beacon, units), members(rival, units)) == ([], [])


# What unitRemoved does while removeAllUnits tells the first of units 1, 2 and 3 (a fourth waits outside);
# then the departures, the joins and the units in the beacon at the end.
REMOVE_ALL_REACTIONS = [
    ("nothing", lambda beacon, unit, units, scene: None, [1, 2, 3], [], []),
    ("takes the unit back", lambda beacon, unit, units, scene: beacon.addUnit(unit), [1, 2, 3], [1], [1]),
    ("takes a newcomer", lambda beacon, unit, units, scene: beacon.addUnit(units[3]), [1, 2, 3], [4], [4]),
    ("removes a later unit", lambda beacon, unit, units, scene: beacon.removeUnit(units[2]), [1, 3, 2], [], []),
    ("moves a later unit to another beacon",
     lambda beacon, unit, units, scene: (beacon.removeUnit(units[1]), beacon.other.addUnit(units[1])),
     [1, 2, 3], [], []),
    ("kills everyone", lambda beacon, unit, units, scene: [item.getEntity().kill() for item in units + [beacon]],
     [1, 2, 3], [], []),
    ("takes the beacon out of the scene",
     lambda beacon, unit, units, scene: scene.removeNode(beacon.getEntity().getSceneNode()), [1, 2, 3], [], []),
    ("frees the beacon's entity",
     lambda beacon, unit, units, scene: beacon.getEntity().getSceneNode().detachEntity(), [1, 2, 3], [], []),
    ("empties the beacon again", lambda beacon, unit, units, scene: beacon.removeAllUnits(), [1, 2, 3], [], []),
]


@pytest.mark.parametrize("reaction, departures, joins, remaining", [row[1:] for row in REMOVE_ALL_REACTIONS],
                         ids=[row[0] for row in REMOVE_ALL_REACTIONS])
def test_every_unit_leaves_once_whatever_unit_removed_does_meanwhile(reaction, departures, joins, remaining):
    scene, log = SceneManager.createNew(), []
    beacon = Journal(log, react=lambda beacon, unit: reaction(beacon, unit, units, scene))
    beacon.other = Journal([])
    place(scene, "beacon", beacon)
    place(scene, "other", beacon.other)
    units = [PlayerUnit(number, 1, "") for number in (1, 2, 3, 4)]
    for unit in units:
        place(scene, "unit%d" % unit.getUnitType(), unit)
    for unit in units[:3]:
        beacon.addUnit(unit)
    del log[:]
    beacon.removeAllUnits()
    assert [number for what, number, count in log if what == "removed"] == departures
    assert [number for what, number, count in log if what == "added"] == joins
    assert members(beacon, units) == remaining
    scene.updateProcess(0.1)
    assert members(beacon, units) == ([] if beacon.getSceneManager() is None else remaining)


def test_a_python_beacon_the_script_dropped_still_hears_its_units_and_goes_with_its_entity():
    scene, log = SceneManager.createNew(), []
    entity = place(scene, "beacon", Journal(log))
    unit = PlayerUnit(7, 1, "")
    place(scene, "unit", unit)
    gc.collect()
    beacon = Component.getComponent("PlayerBeacon", entity)
    assert isinstance(beacon, Journal) and Component.getComponent("Journal", entity) is beacon
    assert Component.getComponent("PlayerObject", entity) is beacon
    beacon.addUnit(unit)
    watched = weakref.ref(beacon)
    del beacon
    gc.collect()
    scene.removeNode(unit.getEntity().getSceneNode())
    assert log == [("added", 7, 1), ("removed", 7, 0)] and unit.getBeacon() is None
    scene.removeNode(entity.getSceneNode())
    del entity
    gc.collect()
    assert watched() is None


def test_made_by_the_factory_copied_or_written_in_python_faulty_parts_are_refused_and_logged(run_script, tmp_path):
    result = run_script("""
from tarnu import *
root = Root()
root.initialize(64, 48, 0, False)
factory = ComponentFactory.getSingleton()

def make(kind, **values):
    params = ParameterList()
    for key, value in values.items():
        params.add(key, str(value))
    return factory.create(kind, params)

def said(*values):
    print("> " + repr(values))

for kind, values in [("GamePlayer", {}), ("GamePlayer", {"id": "one"}), ("GamePlayer", {"id": -1}),
                     ("GamePlayer", {"id": 4294967296}), ("PlayerUnit", {"player": 1, "template": ""}),
                     ("PlayerUnit", {"type": 1, "player": 1}), ("PlayerBeacon", {"type": 1}),
                     ("SingleStateBeacon", {"type": "x"}), ("SingleStateBeacon", {"fsm": "guard", "type": "x"})]:
    try:
        make(kind, **values)
    except RuntimeError as error:
        said(kind, str(error))

# Copies through entity copies: the numbers, the template, the target; no membership, no wish to be active.
player, unit = make("GamePlayer", id=4294967295, active="true"), make("PlayerUnit", type=3, player=2, template="Arena")
beacon = make("SingleStateBeacon", fsm="guard", type=4, player=5)
scene = SceneManager.createNew()
soldier = Entity.createEntity(player, "soldier")
for component in (unit, make("VisualTargetSeeker", target="hero")):
    soldier.getEntity().addComponent(component)
post = Entity.createEntity(beacon, "post")
for node in (soldier, post):
    scene.addNode(node)
beacon.addUnit(unit)
copies = [Entity.createCopy(node.getEntity()) for node in (soldier, post)]
found = lambda kind: Component.getComponent(kind, copies[kind == "SingleStateBeacon"])
said(player.isActive(), found("GamePlayer").getID(), found("GamePlayer").isActive(),
     found("PlayerUnit").getSceneTemplate().getName(), found("PlayerUnit").getBeacon(),
     found("SingleStateBeacon").getNumUnits(), found("VisualTargetSeeker").getTargetName())

# Python beacons: a type chain that misses PlayerBeacon, lacks or garbles "super", or loops, is refused.
Ring, Ranked = type("Ring", (PlayerBeacon,), {}), type("Ranked", (PlayerBeacon,), {"super": SingleStateBeacon})
Knot = type("Knot", (Ring,), {"super": Ring})
Ring.super = Knot
classes = [type("Stray", (PlayerBeacon,), {"super": Component}), type("Orphan", (PlayerBeacon,), {}),
           type("Numbered", (PlayerBeacon,), {"super": 5}), Ring, type("Deeper", (Ranked,), {"super": Ranked})]
for prototype in (Ring, Knot, Ranked):
    factory.registerType(prototype(1, 1))
for cls in classes:
    entity, made = Entity.createNew(cls.__name__), cls(1, 1)
    said(cls.__name__, entity.addComponent(made), [name for name in ("PlayerObject", "PlayerBeacon",
         "SingleStateBeacon", "Ranked", cls.__name__) if Component.getComponent(name, entity) is made])

# Errors in the beacon hooks are printed; the join and the departure happen.
class Loud(PlayerBeacon):
    super = PlayerBeacon
    def unitAdded(self, unit):
        raise ValueError("no room")
    def unitRemoved(self, unit):
        return "ignored"

loud, recruit = Loud(1, 1), PlayerUnit(1, 1, "")
for component in (loud, recruit):
    scene.addNode(Entity.createEntity(component))
loud.addUnit(recruit)
said(loud.getNumUnits(), recruit.getBeacon() is loud)
loud.removeUnit(recruit)
said(loud.getNumUnits(), recruit.getBeacon())
scene.clear()
del scene, soldier, post, node, copies, player, unit, beacon, found, component, loud, recruit, entity, made
root.shutdown()
""")
    assert result.returncode == 0, result
    missing, unconvertible = "Could not find parameter '%s'", "Unable to convert parameter '%s' to unsigned int"
    assert printed(result) == [
        ("GamePlayer", missing % "id"), ("GamePlayer", unconvertible % "id"), ("GamePlayer", unconvertible % "id"),
        ("GamePlayer", unconvertible % "id"), ("PlayerUnit", missing % "type"), ("PlayerUnit", missing % "template"),
        ("PlayerBeacon", missing % "player"), ("SingleStateBeacon", missing % "fsm"),
        ("SingleStateBeacon", unconvertible % "type"),
        (True, 4294967295, False, "Arena", None, 0, "hero"),
        ("Stray", False, []), ("Orphan", False, []), ("Numbered", False, []), ("Ring", False, []),
        ("Deeper", True, ["PlayerObject", "PlayerBeacon", "SingleStateBeacon", "Ranked", "Deeper"]),
        (1, True), (0, None)]
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph."), result
    assert "ValueError: no room" in result.stderr
    assert [line for line in read_log(tmp_path / "PythonSystemLog.txt") if "Error" in line or "super" in line or
            "unit" in line] == [
        "Error inserting python component: 'Stray' does not derive from 'PlayerBeacon'",
        "'super' not defined in python class 'Orphan'.",
        "Error inserting python component: '' not registered with factory",
        "'super' not defined in python class 'Numbered'.",
        "Error inserting python component: '' not registered with factory",
        "Error inserting python component: type 'Ring' appears twice above 'Ring'"]


def test_a_single_state_beacon_runs_its_machine_on_its_units_from_joining_to_leaving(run_script):
    result = run_script("""
from machines_prelude import *
defined("guard", ["post", "chase"], [("post", "chase", 1001)], default="post")
params = ParameterList()
for key, value in (("fsm", "guard"), ("type", "1"), ("player", "1")):
    params.add(key, value)
beacon = ComponentFactory.getSingleton().create("SingleStateBeacon", params)
unit("post", beacon)
soldiers = [PlayerUnit(1, 1, "") for _ in range(2)]
for number, soldier in enumerate(soldiers):
    unit("soldier%d" % number, soldier, UnitFSMController(), Machine("guard"))
beacon.addUnit(soldiers[0])
said("joined", drain(), soldiers[0].getController().getActiveFSM().getStateMachine().getName())
beacon.addUnit(soldiers[1])
beacon.removeUnit(soldiers[0])
said("swapped", drain(), soldiers[0].getController().getActiveFSM())
scene.removeNode(soldiers[1].getEntity().getSceneNode())
said("left", drain(), beacon.getNumUnits())
scene.clear()
del beacon, soldiers, params
for name in [name for name, value in globals().items() if isinstance(value, (Entity, Component))]:
    del globals()[name]
root.shutdown()
""")
    assert result.returncode == 0, result
    assert printed(result) == [
        ("joined", [("guard", 0, 1, None)], "guard"),
        ("swapped", [("guard", 0, 1, None), ("guard", 1, 0, None)], None),
        ("left", [("guard", 1, 0, None)], 0)]
    assert result.stdout.rstrip().endswith("No memory leaks detected in scene graph."), result


class Heard(EventListener):
    def __init__(self, eventType, lines, owner):
        EventListener.__init__(self, eventType)
        self.lines, self.owner = lines, owner

    def handleEvent(self, event):
        subject = event.unit.getEntity() if hasattr(event, "unit") else event.target
        self.lines.append((self.owner, type(event).__name__, subject.getName(), event.getEventTime()))


class Sight:
    """A scene with physics; a unit is a body (a circle of radius 1 with a PlayerUnit) with a sight sensor (a
    circle of radius 10 on a child entity); everything the units hear of sight is written to one list."""

    def __init__(self):
        self.scene, self.lines, self.keep = SceneManager.createNew(), [], []
        GridPhysicsManager.createNew().connect(self.scene)

    def body(self, name, player=None, at=(0, 0)):
        parts = [StaticCollidable(Circle(Vector2(0, 0), 1))] + ([] if player is None else [PlayerUnit(1, player, "")])
        entity = place(self.scene, name, *parts, at=at)
        for kind in (UnitSightedEvent, EnemySightedEvent, VisualTargetFound, VisualTargetLost):
            self.keep.append(Heard(kind.TYPE, self.lines, name))
            entity.addEventListener(self.keep[-1])
        return entity

    def sensor(self, viewer, *parts):
        return place(self.scene if viewer is None else None, "sight", StaticCollidable(Circle(Vector2(0, 0), 10)),
                     *parts, parent=viewer)

    def step(self, times=1):
        for _ in range(times):
            self.scene.updateProcess(0.5)

    def heard(self):
        lines, self.lines[:] = list(self.lines), []
        return lines


# Who watches (a unit of player 1, a plain entity, or nobody above the sensor) and who walks into view.
REACTOR_CASES = [
    ("a unit of the same player", 1, 1, [("viewer", "UnitSightedEvent", "walker", 1.0)]),
    ("a unit of another player", 1, 2, [("viewer", "UnitSightedEvent", "walker", 1.0),
                                        ("viewer", "EnemySightedEvent", "walker", 1.0)]),
    ("a viewer that is no unit", None, 2, [("viewer", "UnitSightedEvent", "walker", 1.0)]),
    ("a sensor with no entity above it", "none", 2, []),
    ("something that is no unit", 1, None, []),
]


@pytest.mark.parametrize("viewer_player, walker_player, heard", [case[1:] for case in REACTOR_CASES],
                         ids=[case[0] for case in REACTOR_CASES])
def test_a_visual_reactor_reports_units_coming_into_view_once(viewer_player, walker_player, heard):
    sight = Sight()
    viewer = None if viewer_player == "none" else sight.body("viewer", viewer_player)
    sight.sensor(viewer, VisualReactor())
    walker = sight.body("walker", walker_player, at=(30, 0))
    sight.step()
    assert sight.heard() == []       # the viewer's own body, in its sensor, is no sighting
    walker.getSceneNode().setPosition(Vector2(5, 0))
    sight.step(3)
    assert sight.heard() == heard     # a unit standing in view is sighted once
    walker.getSceneNode().setPosition(Vector2(30, 0))
    sight.step()
    assert sight.heard() == []        # going out of view is not reported


def test_a_visual_target_seeker_reports_its_target_found_and_lost_and_follows_action_events():
    sight = Sight()
    viewer = sight.body("viewer", 1)
    seeker = VisualTargetSeeker("hero")
    sensor = sight.sensor(viewer, seeker)
    hero, other = sight.body("hero", 2, at=(30, 0)), sight.body("", 2, at=(-30, 0))
    passes = lambda entity: (entity.getSceneNode().setPosition(Vector2(5, 0)), sight.step(),
                             entity.getSceneNode().setPosition(Vector2(30, 0)), sight.step())
    passes(hero)
    passes(other)
    assert sight.heard() == [("viewer", "VisualTargetFound", "hero", 0.5), ("viewer", "VisualTargetLost", "hero", 1.0)]

    # Action events on the sensor's entity: by name, by entity, for a later time; a bare event or one whose
    # entity is gone changes nothing.
    sensor.postEvent(SetVisualTargetActionEvent("scout", 0.0))
    sensor.postEvent(Event(SetVisualTargetActionEvent.TYPE, 0.0))
    assert seeker.getTargetName() == "scout"
    sensor.queueEvent(SetVisualTargetActionEvent(hero, sight.scene.getCurrentTime() + 0.75))
    sight.step()
    assert seeker.getTargetName() == "scout"
    sight.step()
    assert seeker.getTargetName() == "hero"
    ghost = Entity.createNew("ghost")
    late = SetVisualTargetActionEvent(ghost, 0.0)
    del ghost
    sensor.postEvent(late)
    assert seeker.getTargetName() == "hero"
    # An entity made without a name has one made up: the empty target matches nobody.
    sensor.postEvent(SetVisualTargetActionEvent("", 0.0))
    passes(other)
    assert (seeker.getTargetName(), sight.heard()) == ("", [])


def test_a_target_killed_in_view_is_reported_no_more_and_released_with_its_reports():
    sight = Sight()
    viewer = sight.body("viewer", 1)
    sight.sensor(viewer, VisualTargetSeeker("target"), VisualReactor())
    target = sight.body("target", 2, at=(5, 0))
    marker = Carrier(None)
    watched = weakref.ref(marker)
    target.addComponent(marker)
    sight.step()
    assert [line[1] for line in sight.heard()] == ["VisualTargetFound", "UnitSightedEvent", "EnemySightedEvent"]
    # The script still holds the dead target: its contact ends a step after its death, unreported.
    target.kill()
    sight.step(3)
    assert sight.heard() == [] and target.getSceneManager() is None
    del target, marker
    gc.collect()
    assert watched() is None
