"""Hostile scripts at random: components, listeners, processes and timers whose callbacks make random engine
calls (add, remove, kill, copy, route, queue, post, dispatch, update, drop) on random live objects, while
those objects are being added, removed, announced, dispatched and destroyed. Every sequence must end
without a crash (the sanitizer round catches memory errors), with the scene graph consistent and with
every script object released once the script lets go of everything."""

import gc
import math
import random
import weakref

import pytest

from tarnu import (Complex, Component, Entity, Event, EventListener, EventRouter, Process, Scale, SceneEvent,
                   SceneManager, SceneNode, Timer, Vector2)

PING = 9100
SEQUENCES = 300
CALLS_PER_SEQUENCE = 60
# What a hostile script may be told, and nothing else.
REFUSALS = ("called from inside an update of the same scene", "must be finite",
            "world scale has a zero factor")

world = None  # the sequence running; callbacks reach it here, so that no engine object refers back to it


class Chaos(Component):
    super = Component

    def createCopy(self):
        world.act()
        return self.__class__()

    def entityChanged(self, newEntity, oldEntity):
        world.act(newEntity, oldEntity)

    def managerChanged(self, newManager, oldManager):
        world.act(newManager, oldManager)


class Havoc(Chaos):
    """A second class, so that entities can carry two components."""
    super = Component


class Listener(EventListener):
    def handleEvent(self, event):
        world.act(getattr(event, "entity", None), getattr(event, "manager", None))


class Worker(Process):
    def updateProcess(self, elapsed):
        world.act()

    def processTerminated(self):
        world.act()


class World:
    def __init__(self, seed):
        self.random = random.Random(seed)
        self.calls = CALLS_PER_SEQUENCE
        self.depth = 0
        self.serial = 0
        self.scenes = [SceneManager.createNew() for _ in range(2)]
        self.nodes, self.entities, self.keep = [], [], []
        self.released = []  # weak references to every script object handed to the engine
        self.failures = []  # raised inside callbacks, where the engine only logs them

    def watch(self, item):
        self.released.append(weakref.ref(item))
        return item

    def pick(self, pool):
        return self.random.choice(pool) if pool else None

    def manager(self):
        return self.pick(self.scenes + self.entities)

    def time(self):
        return self.random.choice([0.0, 0.05, 0.3, -1.0, 1e9, math.nan])

    def act(self, *offered):
        """One random engine call, made from the script or from inside a callback; the objects a
        callback was handed (the entity it is leaving, the scene that is clearing) are fair game too."""
        if self.calls <= 0 or self.depth > 4:
            return
        self.calls -= 1
        self.depth += 1
        for item in offered:
            if isinstance(item, Entity):
                self.entities.append(item)
            elif isinstance(item, SceneManager):
                self.scenes.append(item)
        try:
            self.random.choice(CALLS)(self)
        except RuntimeError as error:
            if not any(refusal in str(error) for refusal in REFUSALS):
                self.failures.append(repr(error))
        except Exception as error:  # noqa: B902 - anything else is a fault of the engine
            self.failures.append(repr(error))
        finally:
            self.depth -= 1

    # The calls.
    def new_node(self):
        self.serial += 1
        node = SceneNode.createNew(Vector2(self.random.uniform(-5, 5), 1), Complex(0, 1),
                                   Scale(self.random.choice([1, 2, 0]), 1))
        if self.random.random() < 0.8:
            entity = Entity.createNew("e%d" % self.serial)
            for cls in self.random.sample([Chaos, Havoc], self.random.randint(0, 2)):
                entity.addComponent(self.watch(cls()))
            node.attach(entity)
            self.entities.append(entity)
        self.nodes.append(node)

    def add_node(self):
        scene, node = self.pick(self.scenes), self.pick(self.nodes)
        scene.addNode(node)

    def remove_node(self):
        self.pick(self.scenes).removeNode(self.pick(self.nodes))

    def clear(self):
        self.pick(self.scenes).clear()

    def add_child(self):
        parent, child = self.pick(self.nodes), self.pick(self.nodes)
        if parent is not None:
            parent.addChild(child, self.random.random() < 0.3)

    def remove_child(self):
        child = self.pick(self.nodes)
        parent = child and child.getParent()
        if parent is not None:
            parent.removeChild(child, self.random.random() < 0.3)

    def remove_all(self):
        node = self.pick(self.nodes)
        if node is not None:
            node.removeAll(self.random.random() < 0.3)

    def attach(self):
        node = self.pick(self.nodes)
        if node is not None:
            node.attach(self.pick(self.entities))

    def detach(self):
        node = self.pick(self.nodes)
        if node is not None:
            node.detachEntity()

    def add_component(self):
        entity = self.pick(self.entities)
        if entity is not None:
            entity.addComponent(self.watch(self.random.choice([Chaos, Havoc])()))

    def kill(self):
        entity = self.pick(self.entities)
        if entity is not None:
            entity.kill()
        self.pick(self.scenes).addToGarbage(self.pick(self.nodes))

    def copy(self):
        node, entity = self.pick(self.nodes), self.pick(self.entities)
        if node is not None:
            self.nodes.append(SceneNode.createCopy(node, self.random.random() < 0.7))
        if entity is not None:
            self.entities.append(Entity.createCopy(entity))

    def route(self):
        target, source = self.pick(self.entities), self.manager()
        if target is not None:
            router = EventRouter(target, PING)
            source.addEventListener(router)
            self.keep.append(router)

    def listen(self):
        listener = Listener(self.random.choice([PING, SceneEvent.TYPE]))
        self.manager().addEventListener(listener)
        self.keep.append(self.watch(listener))

    def queue(self):
        self.manager().queueEvent(Event(PING, self.time()))

    def post(self):
        self.manager().postEvent(Event(PING, 0.0))

    def dispatch(self):
        self.manager().dispatchEvents(self.time())

    def update(self):
        self.pick(self.scenes).updateProcess(0.1)

    def process(self):
        # Timers aim at entities: a timer holds its target until it fires, and one aimed at
        # its own scene would keep a dropped scene alive until then.
        scene, target = self.pick(self.scenes), self.pick(self.entities)
        if target is None or self.random.random() < 0.5:
            scene.addProcess(self.watch(Worker()))
        else:
            scene.addProcess(self.watch(Timer(self.random.choice([0.0, 0.15]), target, PING)))

    def move(self):
        node = self.pick(self.nodes)
        if node is not None:
            node.getWorldPosition()
            node.setPosition(Vector2(1, 2), self.random.choice([SceneNode.LOCAL, SceneNode.PARENT, SceneNode.WORLD]))
            node.setScale(Scale(self.random.choice([0.5, 0, math.inf]), 1), SceneNode.WORLD)

    def drop(self):
        pool = self.random.choice([self.nodes, self.entities, self.keep, self.scenes])
        if len(pool) > 1:
            pool.pop(self.random.randrange(len(pool)))
        if self.random.random() < 0.2:
            gc.collect()

    def let_go(self):
        """The script lets go of everything, its callbacks doing nothing more; scenes stop
        their processes first, since a timer holds its target until it fires."""
        self.calls = 0
        for scene in self.scenes:
            scene.terminateAll()
        self.nodes = self.entities = self.keep = self.scenes = []

    def check_graph(self):
        """What a script can see of the graph agrees with itself."""
        for node in self.nodes:
            parent, entity = node.getParent(), node.getEntity()
            if parent is not None:
                assert node.getManager() == parent.getManager()
            if entity is not None:
                assert entity.getSceneNode() == node and entity.getSceneManager() == node.getManager()
        for entity in self.entities:
            scene = entity.getSceneManager()
            for candidate in self.scenes:
                assert (candidate.getEntity(entity.getName()) == entity) == (candidate == scene)
            for cls in (Chaos, Havoc):
                component = Component.getComponent(cls.__name__, entity)
                assert component is None or component.getEntity() == entity


CALLS = [World.new_node] * 4 + [World.add_node] * 3 + [
    World.remove_node, World.clear, World.add_child, World.add_child, World.remove_child, World.remove_all,
    World.attach, World.detach, World.add_component, World.kill, World.copy, World.route, World.listen,
    World.queue, World.post, World.dispatch, World.update, World.update, World.process, World.move, World.drop]


@pytest.mark.parametrize("first_seed", range(0, SEQUENCES, 50))
def test_random_reentrant_calls_leave_a_consistent_graph_and_release_everything(first_seed):
    global world
    for seed in range(first_seed, first_seed + 50):
        world = World(seed)
        while world.calls > 0:
            world.act()
        world.check_graph()
        world.let_go()
        gc.collect()
        assert world.failures == [], "seed %d" % seed
        assert [ref() for ref in world.released if ref() is not None] == [], "seed %d leaked" % seed
