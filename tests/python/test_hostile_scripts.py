"""What careless and hostile scripts get from the engine: callbacks that change the scene while the scene is
working on it, objects re-added to what is being destroyed, deep graphs, cycles of routers, odd numbers and
objects used after shutdown. Each ends in a Python exception with a clear message, or in a warning and a
sound state; nothing crashes, hangs or leaks."""

import gc
import math
import weakref

import pytest
from test_root import PRELUDE

from tarnu import (Component, Entity, Event, EventListener, EventManager, EventRouter, Process, ProcessManager,
                   Scale, SceneEvent, SceneManager, SceneNode, Timer, Vector2)

PING = 9200


class Hook(Component):
    """Hands its notifications to the test's functions: on_entity(component, new, old), on_manager likewise."""
    super = Component

    def __init__(self, on_entity=None, on_manager=None):
        Component.__init__(self)
        self.on_entity, self.on_manager = on_entity, on_manager

    def createCopy(self):
        return Hook(self.on_entity, self.on_manager)

    def entityChanged(self, newEntity, oldEntity):
        if self.on_entity:
            self.on_entity(self, newEntity, oldEntity)

    def managerChanged(self, newManager, oldManager):
        if self.on_manager:
            self.on_manager(self, newManager, oldManager)


class Listener(EventListener):
    def __init__(self, eventType, action=None):
        EventListener.__init__(self, eventType)
        self.heard, self.action = [], action

    def handleEvent(self, event):
        self.heard.append(event)
        if self.action:
            self.action(event)


def arriving(hook):
    return lambda component, new, old: new is not None and hook(component, new)


def leaving(hook):
    return lambda component, new, old: new is None and old is not None and hook(component, old)


def hooked(name, hook=None, *children):
    """A node carrying an entity of that name with a Hook calling hook on manager changes."""
    node = Entity.createEntity(Hook(on_manager=hook), name)
    for child in children:
        node.addChild(child)
    return node


@pytest.mark.parametrize("meddler", ["arriving component", "leaving component", "scene listener"])
def test_entity_taken_off_its_node_while_the_scene_announces_it_leaves_the_scene_cleanly(meddler):
    scene = SceneManager.createNew()
    take_off = lambda component, _: component.getSceneNode().detachEntity()
    hook = {"arriving component": arriving(take_off), "leaving component": leaving(take_off)}.get(meddler)
    listener = Listener(SceneEvent.TYPE, lambda event: event.type == SceneEvent.ENTITY_ADDED and
                        event.entity.getSceneNode().detachEntity())
    if hook is None:
        scene.addEventListener(listener)
    node = hooked("shy", hook)
    entity = node.getEntity()
    scene.addNode(node)
    scene.removeNode(node)
    assert node.getEntity() is None and entity.getSceneNode() is None and entity.getSceneManager() is None
    assert scene.getNumEntities() == 0 and scene.getEntity("shy") is None


def test_children_of_a_subtree_that_left_while_entering_are_not_left_in_the_scene():
    """A parent's component takes its node out of the scene that is adding it; a first child's
    component clears the scene while its sibling waits for its turn."""
    scene, child, second = SceneManager.createNew(), hooked("child"), hooked("second")
    top = hooked("top", arriving(lambda component, new: new.removeNode(component.getSceneNode())), child)
    holder = SceneNode.createNew()
    holder.addChild(hooked("first", arriving(lambda component, new: new.clear())))
    holder.addChild(second)
    for subtree in (top, holder):
        scene.addNode(subtree)
    assert scene.getNumEntities() == 0 and [node.getManager() for node in (child, second)] == [None, None]
    watched = [Component.getComponent("Hook", node.getEntity()) for node in (child, second)]
    del scene
    gc.collect()
    # Read through their nodes' links to the scene, which must not be left pointing at the freed scene.
    assert [(component.getCurrentTime(), component.getSceneManager()) for component in watched] == [(0.0, None)] * 2


def test_walks_take_what_the_graph_holds_when_their_turn_comes():
    """A child puts its parent back while the scene removes it, or takes it into another scene; a deep
    copy's components empty the children of the node being copied."""
    scene, inbox = SceneManager.createNew(), Listener(PING)
    waiting = hooked("waiting")
    top = hooked("hero", None, hooked("sidekick", leaving(lambda component, old: old.addNode(top))), waiting)
    scene.addNode(top)
    scene.removeNode(top)
    hero = top.getEntity()
    assert top.getManager() == scene and scene.getEntity("hero") == hero and scene.getNumEntities() == 3
    assert waiting.getManager() == scene, "a child the walk had not reached yet stays with its parent"
    hero.addEventListener(inbox)
    hero.queueEvent(Event(PING, 0.0))
    scene.updateProcess(0.1)
    assert len(inbox.heard) == 1

    elsewhere, later = SceneManager.createNew(), hooked("later")
    parent = hooked("parent", None, hooked("mover", leaving(lambda component, old: elsewhere.addNode(parent))), later)
    scene.addNode(parent)
    scene.removeNode(parent)
    assert later.getManager() == elsewhere and elsewhere.getNumEntities() == 3 and scene.getEntity("later") is None

    source, armed = SceneNode.createNew(), []
    for _ in range(3):
        source.addChild(Entity.createEntity(Hook(arriving(lambda component, new: armed and source.removeAll(False)))))
    armed.append(True)
    copies = SceneManager.createNew()
    copies.addNode(SceneNode.createCopy(source, True))
    assert not source.hasChildren() and copies.getNumEntities() == 3


def test_components_re_added_to_what_is_being_destroyed_are_refused_with_a_warning(capfd):
    def put_back(component, old):
        old.addComponent(component)

    def add_a_node(component, old):
        old.addNode(Entity.createEntity(Hook(on_manager=leaving(add_a_node)), ""))

    sticky = Hook(on_entity=leaving(put_back))
    entity = Entity.createNew("doomed")
    entity.addComponent(sticky)
    scene = SceneManager.createNew()
    scene.addNode(Entity.createEntity(Hook(on_manager=leaving(add_a_node)), "first"))
    watched = [weakref.ref(sticky), weakref.ref(Component.getComponent("Hook", scene.getEntity("first")))]
    del entity, scene, sticky
    gc.collect()
    assert [ref() for ref in watched] == [None, None]
    warnings = capfd.readouterr().err.splitlines()
    assert "Warning: Entity.addComponent refused: the object is being destroyed." in warnings
    assert "Warning: SceneManager.addNode refused: the object is being destroyed." in warnings


def test_scene_update_inside_its_own_update_raises_and_loses_no_event():
    scene, other, refused = SceneManager.createNew(), SceneManager.createNew(), []
    entities = []

    def nested(event):
        if event.eventTime == 0.0:
            entities[1].queueEvent(Event(PING, 5.0))
            other.updateProcess(1.0)
            with pytest.raises(RuntimeError) as error:
                scene.updateProcess(0.0)
            refused.append(str(error.value))

    listeners = [Listener(PING, nested if index == 1 else None) for index in range(3)]
    for index, listener in enumerate(listeners):
        node = Entity.createEntity(Hook(), "e%d" % index)
        scene.addNode(node)
        entities.append(node.getEntity())
        entities[-1].addEventListener(listener)
        entities[-1].queueEvent(Event(PING, 0.0))
    scene.updateProcess(0.0)
    for _ in range(2):
        scene.updateProcess(10.0)
    assert refused == ["SceneManager.updateProcess called from inside an update of the same scene; "
                       "a scene steps once at a time (updating another scene is fine)."]
    assert [[event.eventTime for event in listener.heard] for listener in listeners] == [[0.0], [0.0, 5.0], [0.0]]
    assert other.getCurrentTime() == 1.0 and scene.getCurrentTime() == 20.0


def test_events_going_round_a_cycle_of_routers_stop_with_one_warning_and_chains_still_forward(capfd):
    scene = SceneManager.createNew()
    a, b, c, d = (Entity.createNew(name) for name in "abcd")
    for entity in (a, b, c, d):
        node = SceneNode.createNew()
        node.attach(entity)
        scene.addNode(node)
    routers = [EventRouter(target, PING) for target in (b, a, c, a, d)]
    for source, router in zip((a, b, b, c, c), routers):
        source.addEventListener(router)  # a -> b -> {a, c}, c -> {a, d}: two cycles and an exit
    inboxes = [Listener(PING) for _ in range(4)]
    for entity, inbox in zip((a, b, c, d), inboxes):
        entity.addEventListener(inbox)
    event = Event(PING, 0.0)
    a.queueEvent(event)
    scene.updateProcess(0.1)
    assert [len(inbox.heard) for inbox in inboxes] == [3, 1, 1, 1]
    assert capfd.readouterr().err.count("came back round a cycle of event routers") == 2
    # Sent afresh, the same event goes round once more.
    a.queueEvent(event)
    scene.updateProcess(0.1)
    assert [len(inbox.heard) for inbox in inboxes] == [6, 2, 2, 2]


def test_numbers_that_would_poison_a_clock_a_queue_or_a_transform_are_refused_by_name():
    nan, inf = math.nan, math.inf
    manager, scene, node = EventManager(), SceneManager.createNew(), SceneNode.createNew()
    child = SceneNode.createNew()
    node.addChild(child)
    node.setScale(Scale(0, 1))

    cases = [
        (lambda: Event(PING, nan), "eventTime must be a finite number, not nan"),
        (lambda: Timer(nan, manager, "t"), "time must be a finite number, not nan"),
        (lambda: Timer(1.0, manager, "t").reset(inf), "time must be a finite number, not inf"),
        (lambda: Process().suspend(True, inf), "time must be a finite number, not inf"),
        (lambda: ProcessManager.createNew(nan), "startTime must be a finite number, not nan"),
        (lambda: scene.updateProcess(inf), "time must be a finite number, not inf"),
        (lambda: manager.dispatchEvents(nan), "time must be a finite number, not nan"),
        (lambda: SceneNode.createNew(Vector2(nan, 0)), "pos must have finite components, not <nan,0>"),
        (lambda: child.setPosition(Vector2(inf, 0)), "pos must have finite components, not <inf,0>"),
        (lambda: child.scale(Scale(nan, 1)), "scl must have finite components"),
        (lambda: child.scale(Scale(1e300, 1)) or child.scale(Scale(1e300, 1)),
         "scl is out of range: the resulting local value would be (inf,1)"),
    ]
    for call, message in cases:
        with pytest.raises(ValueError) as error:
            call()
        assert str(error.value).startswith(message)
    # Finite values that world space cannot take below a node scaled to nothing.
    for call in (lambda: child.setPosition(Vector2(1, 1), SceneNode.WORLD),
                 lambda: node.addChild(SceneNode.createNew(), True)):
        with pytest.raises(RuntimeError, match="world-space values cannot be placed below a node whose world scale"):
            call()
    assert scene.getCurrentTime() == 0.0 and child.getWorldPosition().x == 0.0 and child.getScale().x == 1e300


def test_graph_far_deeper_than_the_stack_copies_enters_leaves_moves_and_dies(run_script):
    result = run_script("""
        import gc
        from tarnu import *
        class Counted(Component):
            super = Component
            alive = 0
            def __init__(self):
                Component.__init__(self)
                Counted.alive += 1
            def __del__(self):
                Counted.alive -= 1
            def createCopy(self):
                return Counted()
        depth = 100000
        leaf = top = SceneNode.createNew(Vector2(1, 0))
        leaf.attach(Entity.createNew("leaf"))
        leaf.getEntity().addComponent(Counted())
        for _ in range(depth):
            parent = SceneNode.createNew(Vector2(1, 0))
            parent.addChild(top)
            top = parent
        print(leaf.getWorldPosition().x)
        copy = SceneNode.createCopy(top, True)
        scene = SceneManager.createNew()
        scene.addNode(top)
        scene.addNode(copy)
        print(scene.getNumEntities(), leaf.getEntity().getSceneManager() == scene)
        top.setPosition(Vector2(1 - depth, 5))
        print(leaf.getWorldPosition().x, leaf.getWorldPosition().y)
        scene.removeNode(top)
        print(leaf.getManager() is None, Counted.alive)
        del scene, copy, top, parent, leaf
        gc.collect()
        print(Counted.alive)
    """)
    assert result.returncode == 0, result
    assert result.stdout.split() == ["100001.0", "2", "True", "1.0", "5.0", "True", "2", "0"]


def test_engine_references_and_root_calls_inside_the_loop_raise_and_leave_the_engine_working(run_script):
    result = run_script(PRELUDE + """
root = Root()
root.initialize(64, 48, 0, False)
stale = [InputManager.getSingleton(), LogManager.getSingleton(), EventFactory.getSingleton(),
         ComponentFactory.getSingleton()]
root.shutdown()
root.initialize(64, 48, 0, False)
listener = KeyListener()
input, logs = stale[:2]
for label, call in [("base", lambda: ProtectedEventManager.addEventListener(input, listener)),
                    ("other class", lambda: Event.getEventType(input)),
                    ("own", lambda: logs.logMessageToDefault("x")),
                    ("factory", lambda: stale[3].isRegistered("x"))]:
    attempt("> stale %s:" % label, call)
ProtectedEventManager.addEventListener(InputManager.getSingleton(), listener)

class Hostile(Process):
    def updateProcess(self, elapsed):
        attempt("> nested run:", lambda: root.run(scene, None, 60))
        attempt("> shutdown:", root.shutdown)
        attempt("> initialize:", lambda: root.initialize(64, 48, 0, False))
        os.kill(os.getpid(), signal.SIGINT)
scene = SceneManager.createNew()
scene.addProcess(Hostile())
try:
    root.run(scene, None, 0.02)  # a frame of 50 s: Ctrl-C must not wait for it
except KeyboardInterrupt:
    print("> interrupted after", scene.getCurrentTime())
attempt("> tiny rate:", lambda: root.run(scene, None, 1e-7))

class Sneaky(Component):
    @property
    def super(self):
        attempt("> shutdown in a callback:", root.shutdown)
        return Component
print("> still usable:", Entity.createNew().addComponent(Sneaky()), InputManager.getSingleton() is not None)
root.shutdown()
""", timeout=30)
    assert result.returncode == 0, result
    gone = "Error: class Tarnu::%s was deleted; this reference to it is no longer valid."
    assert [line[2:] for line in result.stdout.splitlines() if line.startswith("> ")] == [
        "stale base: " + gone % "InputManager", "stale other class: " + gone % "InputManager",
        "stale own: " + gone % "LogManager", "stale factory: " + gone % "ComponentFactory",
        "nested run: Root.run called from inside Root.run; a game has one main loop.",
        "shutdown: Attempted to shutdown Root while Root.run is running; leave run first.",
        "initialize: Root already initialized.",
        "interrupted after 50.0",
        "tiny rate: Root.run: fps must be above 0 and give a frame period (1000/fps ms) of at most 2147483647 ms, "
        "not 1e-07.",
        "shutdown in a callback: Attempted to shutdown Root from inside a callback of the engine; "
        "shut it down once the engine call has returned.",
        "still usable: True True"]
