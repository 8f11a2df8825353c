"""Hostile scripts at random: components, listeners, processes and timers whose callbacks make random engine
calls (add, remove, kill, copy, route, queue, post, dispatch, update, drop) on random live objects, the very
objects being added, removed, announced, dispatched and destroyed included. Every sequence must end without a
crash (the sanitizer round catches memory errors), with the graph consistent as a script sees it, and with
every script object released once the script lets go of everything. Beacons act too, as units join and leave
them; players, sight sensors and tile maps join in; bodies run past the largest number, nodes are sent there,
steps raise and chains grow far deeper than the stack. Components keep their entities, workers and timers their
scenes: only the cycle collector can release them."""

import gc
import math
import random
import tempfile
import weakref

import pytest

import archives
from tarnu import (Circle, Complex, Component, EnemySightedEvent, Entity, Event, EventListener, EventRouter,
                   GamePlayer, GamePlayerManager, GridPhysicsManager, Movable, PlayerBeacon, PlayerUnit, Process,
                   Scale, SceneEvent, SceneManager, SceneNode, SetVisualTargetActionEvent, StaticCollidable, TileMap,
                   Timer, UnitSightedEvent, Vector2, VisualReactor, VisualTargetFound, VisualTargetLost,
                   VisualTargetSeeker)

PING = 9100
SEQUENCES, CALLS_PER_SEQUENCE = 300, 100
# What a hostile script may be told, and nothing else.
REFUSALS = ("called from inside an update of the same scene", "must be a finite number", "must have finite components",
            "world scale has a zero factor", "is out of range")
DEEP = 3000  # levels of the deep chains the script builds: deeper than any native call per level could go
EVENT_TYPES = [PING, SceneEvent.TYPE, UnitSightedEvent.TYPE, EnemySightedEvent.TYPE, VisualTargetFound.TYPE,
               VisualTargetLost.TYPE]

world = None  # the sequence running; callbacks reach it here, so that no engine object refers back to it
# A 6 x 6 map of tiles of 2, drawn in batches of 2 but for a column of undrawn tiles, written once.
MAP = archives.write(tempfile.mkdtemp() + "/map.tar.bz2", [["", "", "", 6, 6, 2, 2], [1, 0, 0, 1, 1],
                                                          [0, 0, 0, 0, 0]] + [[0, 1, 0, 0, 0, 0]] * 6)


class Hostile:
    """The component hooks of every hostile component: each acts, with what it was handed offered."""

    def createCopy(self):
        world.act()
        return type(self)()

    def entityChanged(self, newEntity, oldEntity):
        self.owner = newEntity
        world.act(newEntity, oldEntity)

    def managerChanged(self, newManager, oldManager):
        world.act(newManager, oldManager, self.getEntity())


class Chaos(Hostile, Component):
    super = Component


class Havoc(Chaos):
    """A second class, so that an entity can carry two components."""
    super = Component


class Beacon(Hostile, PlayerBeacon):
    """Acts on every join and departure too, with the unit's entity offered."""
    super = PlayerBeacon

    def __init__(self):
        PlayerBeacon.__init__(self, 1, 1)

    def unitAdded(self, unit):
        world.act(unit.getEntity())

    unitRemoved = unitAdded


class Listener(EventListener):
    def handleEvent(self, event):
        unit = getattr(event, "unit", None)
        world.act(*(getattr(event, name, None) for name in ("entity", "manager", "target")), unit and unit.getEntity())


class Worker(Process):
    def updateProcess(self, elapsed):
        world.act()
        if world.flag():
            raise ArithmeticError("a script's step that fails")

    def processTerminated(self):
        world.act()


class World:
    def __init__(self, seed, choices):
        self.random, self.calls, self.depth, self.choices = random.Random(seed), 0, 0, choices
        self.scenes = [SceneManager.createNew() for _ in range(2)]
        for scene in self.scenes:  # sight is made of contacts: both scenes step physics for the sight sensors
            GridPhysicsManager.createNew().connect(scene)
        self.nodes, self.entities, self.keep = [], [], []
        self.released, self.failures = [], []  # weak references to script objects; errors raised in callbacks

    def one(self, pool):
        # Often one of the latest: what a callback was just handed, so that calls meet what is under way.
        return self.random.choice(pool[-2:] if self.flag() else pool)

    def manager(self):
        return self.one(self.scenes + self.entities)

    def flag(self):
        return self.random.random() < 0.3

    def watched(self, item):
        self.released.append(weakref.ref(item))
        return item

    def act(self, *offered):
        """One random call, from the script or from a callback; what a callback was handed (the entity it
        is leaving with its node and parent, the scene that is clearing) joins the pools."""
        if self.calls <= 0 or self.depth > 4:
            return
        self.calls, self.depth = self.calls - 1, self.depth + 1
        for entity in (item for item in offered if isinstance(item, Entity)):
            node = entity.getSceneNode()
            self.entities.append(entity)
            self.nodes += [item for item in (node, node and node.getParent()) if item is not None]
        self.scenes += [item for item in offered if isinstance(item, SceneManager)]
        try:
            self.random.choice(self.choices)(self)
        except (RuntimeError, ValueError) as error:
            if not any(refusal in str(error) for refusal in REFUSALS):
                self.failures.append(repr(error))
        except Exception as error:  # noqa: B902 - the engine only logs what escapes a callback
            self.failures.append(repr(error))
        finally:
            self.depth -= 1

    def new_node(self):
        node = SceneNode.createNew(Vector2(self.random.uniform(-5, 5), 1), Complex(0, 1),
                                   Scale(self.random.choice([1, 2, 0]), 1))
        entity = Entity.createNew()
        for cls in self.random.sample([Chaos, Havoc], self.random.randint(0, 2)):
            entity.addComponent(self.watched(cls()))
        for part in self.random.sample(self.game_parts(), self.random.randint(0, 2)):
            entity.addComponent(part)
        node.attach(entity)
        self.nodes.append(node)
        self.entities.append(entity)

    def game_parts(self):
        """What makes an entity a player, a unit, a beacon, a body or a unit's sight, one of each kind."""
        number = self.random.randint(0, 2)
        return [GamePlayer(number, self.flag()), GamePlayerManager(), PlayerUnit(1, number, ""),
                self.watched(Beacon()), StaticCollidable(Circle(Vector2(0, 0), self.random.choice([1, 4]))),
                VisualReactor(), VisualTargetSeeker(self.some_name())]

    def some_name(self):
        return self.one(self.entities).getName() if self.entities else ""

    def part(self, kind):
        """The component of that kind of a random entity that has one, or None."""
        found = [part for part in (Component.getComponent(kind, item) for item in self.entities) if part is not None]
        return self.one(found) if found else None

    def new_unit(self):
        """A unit of a random player with a sight sensor on a child entity, its reports heard, in a scene."""
        where = Vector2(self.random.uniform(-5, 5), 1)
        node = Entity.createEntity(PlayerUnit(1, self.random.randint(1, 2), ""), "", where)
        entity, sight = node.getEntity(), Entity.createEntity(StaticCollidable(Circle(Vector2(0, 0), 4)))
        entity.addComponent(StaticCollidable(Circle(Vector2(0, 0), 1)))
        for part in (VisualReactor(), VisualTargetSeeker(self.some_name())):
            sight.getEntity().addComponent(part)
        node.addChild(sight)
        self.keep.append(self.watched(Listener(self.random.choice(EVENT_TYPES[2:]))))
        entity.addEventListener(self.keep[-1])
        self.nodes += [node, sight]
        self.entities += [entity, sight.getEntity()]
        self.one(self.scenes).addNode(node)

    def new_map(self):
        """A tile map over the units' ground, in a scene, built at once or left for a later call."""
        tiles = self.watched(TileMap(Vector2(2, 2), 0, 0, 0))
        tiles.loadFromFile(MAP)
        node = Entity.createEntity(tiles, "", Vector2(self.random.uniform(-5, 5), 1))
        self.nodes.append(node)
        self.entities.append(node.getEntity())
        scene = self.one(self.scenes)
        # A map is built only in a scene with players: most often it finds some.
        if GamePlayerManager.getGamePlayerManager(scene) is None and not self.flag():
            for part in (GamePlayerManager(), GamePlayer(1, True)):
                scene.addNode(Entity.createEntity(part))
        scene.addNode(node)
        if not self.flag():
            tiles.initialize()

    def ask_map(self):
        tiles = self.part("TileMap")
        if tiles is not None:
            if self.flag():
                tiles.initialize()
            where = Vector2(self.random.uniform(-8, 8), self.random.uniform(-6, 8))
            tiles.getVisibility(where, self.random.randint(0, 2))
            tiles.getInvisibleTile(where, self.random.randint(0, 3), 1, self.flag(), Vector2(0, 0))

    def join(self, leave):
        beacon, unit = self.part("PlayerBeacon"), self.part("PlayerUnit")
        if beacon is not None:
            (beacon.removeUnit if leave else beacon.addUnit)(unit)

    def runaway(self):
        """A movable near the edge of the numbers whose velocity carries it past the largest one in a step."""
        entity = self.one(self.entities)
        movable = Movable()
        movable.setVelocity(Vector2(self.random.choice([1e308, -1e308]), 0))
        entity.addComponent(movable)
        if entity.getSceneNode() is not None:
            entity.getSceneNode().setPosition(Vector2(self.random.choice([1.7e308, -1.7e308]), 0), SceneNode.WORLD)

    def far(self):
        """A node sent to the edge of the numbers, by a script that sometimes overshoots."""
        node = self.one(self.nodes)
        node.setPosition(Vector2(self.random.choice([1e308, -1e308, 1e300]), 0), SceneNode.WORLD)
        node.translate(Vector2(self.random.choice([1e308, 1.0]), 0))

    def deep_chain(self):
        """A chain of nodes far deeper than the stack, its leaf carrying an entity with a component."""
        top = leaf = SceneNode.createNew(Vector2(1, 0))
        entity = Entity.createNew()
        leaf.attach(entity)
        entity.addComponent(self.watched(Chaos()))
        for _ in range(DEEP):
            top, below = SceneNode.createNew(Vector2(1, 0)), top
            top.addChild(below)
        self.nodes += [top, leaf]
        self.entities.append(entity)
        self.one(self.scenes).addNode(top)

    def add_process(self):
        scene = self.one(self.scenes)
        if self.flag():
            process = Worker()
            process.scene = scene
        else:
            process = Timer(self.random.choice([0.0, 0.15]), self.one(self.entities + [scene]), PING)
        scene.addProcess(self.watched(process))

    def route_or_listen(self):
        listener = EventRouter(self.one(self.entities), PING) if self.flag() else self.watched(
            Listener(self.random.choice(EVENT_TYPES)))
        self.manager().addEventListener(listener)
        self.keep.append(listener)

    def top(self):
        """The top of a random node's tree, which may be leaving a scene right now."""
        node = self.one(self.nodes)
        while node.getParent() is not None:
            node = node.getParent()
        return node

    def move(self):
        node, space = self.one(self.nodes), self.random.choice([SceneNode.LOCAL, SceneNode.PARENT, SceneNode.WORLD])
        node.setPosition(Vector2(node.getWorldPosition().y, 2), space)
        node.setScale(Scale(self.random.choice([0.5, 0, math.inf]), 1), space)

    def drop(self):
        pool = self.random.choice([self.nodes, self.entities, self.keep, self.scenes])
        if len(pool) > 1:
            pool.pop(self.random.randrange(len(pool)))
        if self.flag():
            gc.collect()

    def let_go(self):
        """The script lets go of everything, its callbacks doing nothing more."""
        self.calls = 0
        self.nodes = self.entities = self.keep = self.scenes = []

    def check_graph(self):
        for node in self.nodes:
            parent, entity = node.getParent(), node.getEntity()
            assert parent is None or node.getManager() == parent.getManager()
            assert entity is None or entity.getSceneNode() == node and entity.getSceneManager() == node.getManager()
        for entity in self.entities:
            for scene in self.scenes:
                assert (scene.getEntity(entity.getName()) == entity) == (scene == entity.getSceneManager())
            for cls in (Chaos, Havoc):
                component = Component.getComponent(cls.__name__, entity)
                assert component is None or component.getEntity() == entity
            # A unit in a beacon shares its scene; a registered manager or player is in the scene it is filed for.
            unit = Component.getComponent("PlayerUnit", entity)
            beacon = unit and unit.getBeacon()
            assert beacon is None or (beacon.getNumUnits() > 0 and unit.getSceneManager() is not None and
                                      beacon.getSceneManager() == unit.getSceneManager())
        for scene in self.scenes:
            filed = [part.getEntity() for part in (GamePlayerManager.getGamePlayerManager(scene),
                                                   TileMap.getTileMap(scene)) if part is not None]
            filed += [GamePlayerManager.getGamePlayerEntity(scene, number) for number in range(3)]
            assert all(entity is None or entity.getSceneManager() == scene for entity in filed), filed


# Structure changes come more often than the rest: they are what the walks must survive.
CALLS = [World.new_node, World.new_unit, World.add_process, World.route_or_listen, World.move, World.drop,
         World.runaway, World.far, World.deep_chain] + [
    lambda w: w.one(w.scenes).addNode(w.one(w.nodes)),
    lambda w: w.one(w.scenes).addNode(w.top()),
    lambda w: w.one(w.scenes).removeNode(w.one(w.nodes)),
    lambda w: w.one(w.nodes).addChild(w.one(w.nodes), w.flag()),
] * 3 + [
    lambda w: w.one(w.scenes).clear(),
    lambda w: w.one(w.nodes).removeAll(w.flag()),
    lambda w: (lambda child: child.getParent() and child.getParent().removeChild(child, w.flag()))(w.one(w.nodes)),
    lambda w: w.one(w.nodes).attach(w.one(w.entities)),
    lambda w: w.one(w.nodes).detachEntity(),
    lambda w: w.one(w.entities).addComponent(w.watched(w.random.choice([Chaos, Havoc])())),
    lambda w: w.one(w.entities).kill() or w.one(w.scenes).addToGarbage(w.one(w.nodes)),
    lambda w: w.nodes.append(SceneNode.createCopy(w.one(w.nodes), not w.flag())),
    lambda w: w.entities.append(Entity.createCopy(w.one(w.entities))),
    lambda w: w.manager().queueEvent(Event(PING, w.random.choice([0.0, 0.05, 0.3, -1.0, 1e9, math.nan]))),
    lambda w: w.manager().postEvent(Event(PING, 0.0)),
    lambda w: w.manager().dispatchEvents(w.random.choice([-1.0, 0.0, 0.3])),
    lambda w: w.one(w.scenes).updateProcess(0.1),
    lambda w: w.one(w.scenes).updateProcess(0.1),
    lambda w: w.join(False), lambda w: w.join(False), lambda w: w.join(w.flag()),
    lambda w: (lambda beacon: beacon and beacon.removeAllUnits())(w.part("PlayerBeacon")),
    lambda w: w.manager().postEvent(SetVisualTargetActionEvent(w.one(w.entities), 0.0)),
    lambda w: w.one(w.entities).addComponent(w.random.choice(w.game_parts())),
]


def begin(seed, choices):
    """A new sequence, which callbacks reach from now on, with two entities on nodes to start from."""
    global world
    world = World(seed, choices)
    for _ in range(2):
        world.new_node()
    world.calls = CALLS_PER_SEQUENCE
    return world


@pytest.mark.parametrize("first_seed, maps", [(seed, False) for seed in range(0, SEQUENCES, 50)] + [
    (seed, True) for seed in range(0, SEQUENCES // 2, 50)])
def test_random_reentrant_calls_leave_a_consistent_graph_and_release_everything(first_seed, maps):
    # With maps, half as many sequences also build, ask and walk over tile maps among the rest.
    choices = CALLS + [World.new_map, World.ask_map] * 2 if maps else CALLS
    for seed in range(first_seed, first_seed + 50):
        world = begin(seed, choices)
        while world.calls > 0:
            world.act()
            world.check_graph()
        world.let_go()
        gc.collect()
        assert world.failures == [], "seed %d" % seed
        assert [ref() for ref in world.released if ref() is not None] == [], "seed %d leaked" % seed
