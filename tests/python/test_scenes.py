"""Scenes as a script drives them: entities joining and leaving, scene events and their order,
deferred removal, queued events in a scene step, and what a dropped scene leaves behind."""

import gc
import weakref

import pytest

from tarnu import (Component, Entity, Event, EventListener, EventManager, ProcessManager, SceneEvent,
                   SceneManager, SceneNode)


class Witness(Component):
    """Journals what it hears by entity name, holding no engine objects that would keep them alive."""
    super = Component

    def __init__(self, journal):
        Component.__init__(self)
        self.journal = journal

    def entityChanged(self, newEntity, oldEntity):
        self.journal.append(("entity", newEntity and newEntity.getName(), oldEntity and oldEntity.getName()))

    def managerChanged(self, newManager, oldManager):
        self.journal.append(("manager", newManager is not None, oldManager is not None))


class Keep(EventListener):
    """Keeps the events, and for scene events whether the entity was in a scene when heard."""

    def __init__(self, eventType=SceneEvent.TYPE):
        EventListener.__init__(self, eventType)
        self.heard, self.in_scene = [], []

    def handleEvent(self, event):
        self.heard.append(event)
        if isinstance(event, SceneEvent):
            self.in_scene.append(event.entity.getSceneManager() is not None)


def entity_node(name, *children):
    node = SceneNode.createNew()
    node.attach(Entity.createNew(name))
    for child in children:
        node.addChild(child)
    return node


def test_scene_and_event_interface():
    assert issubclass(SceneManager, EventManager) and issubclass(SceneManager, ProcessManager)
    # In the class's own order: the members, then the enumeration and its values.
    event_names = ["TYPE", "manager", "entity", "type", "EventType", "ENTITY_ADDED", "ENTITY_REMOVED"]
    assert [name for name in SceneEvent.__dict__ if name in event_names] == event_names
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        SceneEvent()
    assert [int(SceneEvent.ENTITY_ADDED), int(SceneEvent.ENTITY_REMOVED)] == [0, 1]
    with pytest.raises(AttributeError):
        SceneEvent.TYPE = 0


def test_membership_by_name_of_a_whole_subtree():
    scene, other = SceneManager.createNew(), SceneManager.createNew()
    child = entity_node("child", entity_node("grandchild"), SceneNode.createNew())
    top = entity_node("top", child)
    scene.addNode(top)
    assert scene.getNumEntities() == 3 and scene.getEntity("nobody") is None
    grandchild = scene.getEntity("grandchild")
    assert grandchild.getSceneManager() == scene and grandchild.getParentEntity().getName() == "child"
    other.removeNode(top)  # a node of another scene is ignored
    assert top.getManager() == scene
    # A removed child node leaves its parent with its subtree.
    scene.removeNode(child)
    assert not top.hasChildren() and child.getParent() is None and child.getManager() is None
    assert scene.getEntity("grandchild") is None and scene.getEntity("top") == top.getEntity()
    scene.clear()
    assert scene.getNumEntities() == 0 and top.getManager() is None and other.getNumEntities() == 0


def test_parents_are_announced_first_on_arrival_and_last_on_departure():
    scene, listener, own = SceneManager.createNew(), Keep(), Keep()
    scene.addEventListener(listener)
    scene.updateProcess(1.5)
    top = entity_node("top", entity_node("child", entity_node("grandchild")))
    top.getEntity().addEventListener(own)
    scene.addNode(top)
    scene.removeNode(top)
    added, removed = SceneEvent.ENTITY_ADDED, SceneEvent.ENTITY_REMOVED
    assert [(event.type, event.entity.getName(), event.manager) for event in listener.heard] == [
        (added, "top", scene), (added, "child", scene), (added, "grandchild", scene),
        (removed, "grandchild", scene), (removed, "child", scene), (removed, "top", scene)]
    assert listener.in_scene == [True] * 3 + [False] * 3
    event = listener.heard[0]
    assert type(event) is SceneEvent and event.getEventTime() == 1.5 and event.getEventType() == SceneEvent.TYPE
    with pytest.raises(AttributeError):
        event.entity = None
    # The entity itself hears of its own arrival and departure, not of its children's.
    assert [(event.type, event.entity.getName()) for event in own.heard] == [(added, "top"), (removed, "top")]


def test_step_dispatches_due_entity_events_then_removes_killed_or_discarded_entities():
    scene, inbox = SceneManager.createNew(), Keep(60)
    early, litter = entity_node("early", entity_node("passenger")), entity_node("litter")
    early.getEntity().addEventListener(inbox)
    early.getEntity().queueEvent(Event(60, 1.0))  # queued before joining the scene
    for node in (early, entity_node("late"), litter):
        scene.addNode(node)
    scene.getEntity("late").addEventListener(inbox)
    scene.getEntity("late").queueEvent(Event(60, 2.0))
    early.getEntity().kill()
    scene.addToGarbage(litter)
    assert scene.getEntity("early") is not None and scene.getNumEntities() == 4 and inbox.heard == []
    scene.updateProcess(1.0)
    assert [event.getEventTime() for event in inbox.heard] == [1.0] and scene.getEntity("passenger") is None
    assert scene.getEntity("early") is None and litter.getManager() is None and scene.getNumEntities() == 1
    scene.updateProcess(1.0)
    assert [event.getEventTime() for event in inbox.heard] == [1.0, 2.0]


def test_script_exception_survives_a_scene_dropped_while_it_unwinds_and_releases_its_entities():
    journal = []
    kept = Entity.createEntity(Witness(journal), "kept")

    def scene_with(name):
        scene = SceneManager.createNew()
        scene.addNode(Entity.createEntity(Witness(journal), name))
        scene.addNode(kept)
        return scene

    def fail_holding_a_scene():
        # The scene is held only by the tuple on the stack, so it dies as the error unwinds it.
        for _ in (None, scene_with("inside")):
            raise KeyError("the script's own error")

    with pytest.raises(KeyError, match="the script's own error"):
        fail_holding_a_scene()
    gc.collect()
    assert journal[-4:] == [("manager", True, False), ("manager", False, True), ("manager", False, True),
                            ("entity", None, "inside")]
    assert kept.getManager() is None and Component.getComponent("Witness", kept.getEntity()).journal is journal


def handed(hand, kept):
    hand(kept)
    return kept


# How the script hands the engine a node or an entity named "kept".
HANDED = {
    "a node added to a scene": lambda scene: handed(scene.addNode, Entity.createEntity(Component(), "kept")),
    "a node added under another": lambda scene: handed(handed(scene.addNode, SceneNode.createNew()).addChild,
                                                       Entity.createEntity(Component(), "kept")),
    "an entity attached to a node": lambda scene: handed(handed(scene.addNode, SceneNode.createNew()).attach,
                                                         Entity.createNew("kept"))}


@pytest.mark.parametrize("hand", HANDED.values(), ids=HANDED.keys())
def test_the_engine_keeps_what_the_script_hands_it_and_the_script_keeps_its_python_object(hand):
    scene = SceneManager.createNew()
    kept = hand(scene)
    find = scene.getEntity if isinstance(kept, Entity) else lambda name: scene.getEntity(name).getSceneNode()
    assert find("kept") is kept
    alive = weakref.ref(kept)
    del kept
    # No collection: nothing but the script held the Python object, while the engine keeps the node or entity.
    assert alive() is None and find("kept") is find("kept") is not None
