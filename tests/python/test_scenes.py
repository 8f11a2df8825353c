"""Scenes as a script drives them: entities joining and leaving, scene events
and their order, deferred removal, queued events in a scene step, and what a
dropped scene leaves behind."""

import gc

import pytest

from tarnu import (Component, Entity, Event, EventListener, EventManager, ProcessManager, SceneEvent,
                   SceneManager, SceneNode)


class Witness(Component):
    """Writes what it hears into a shared journal, by entity name and without
    holding engine objects, so that it never keeps a scene or entity alive."""
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
    names = ("createNew addNode removeNode clear addToGarbage getRenderManager getPhysicsManager getEntity "
             "getNumEntities __eq__ __hash__").split()
    assert [name for name in names if name not in SceneManager.__dict__] == []
    assert issubclass(SceneManager, EventManager) and issubclass(SceneManager, ProcessManager)
    assert issubclass(SceneEvent, Event)
    # In the class's own order: the members, then the enumeration and its values.
    event_names = ["TYPE", "manager", "entity", "type", "EventType", "ENTITY_ADDED", "ENTITY_REMOVED"]
    assert [name for name in SceneEvent.__dict__ if name in event_names] == event_names
    for cls in (SceneManager, SceneEvent):
        with pytest.raises(RuntimeError, match="cannot be instantiated"):
            cls()
    assert [int(SceneEvent.ENTITY_ADDED), int(SceneEvent.ENTITY_REMOVED)] == [0, 1]
    assert SceneEvent.ENTITY_REMOVED is SceneEvent.EventType.ENTITY_REMOVED
    with pytest.raises(AttributeError):
        SceneEvent.TYPE = 0
    assert SceneEvent.TYPE > 0


def test_membership_by_name_of_a_whole_subtree():
    scene, other = SceneManager.createNew(), SceneManager.createNew()
    child = entity_node("child", entity_node("grandchild"), SceneNode.createNew())
    top = entity_node("top", child)
    scene.addNode(top)
    assert scene.getNumEntities() == 3 and scene.getEntity("nobody") is None
    grandchild = scene.getEntity("grandchild")
    assert grandchild.getSceneManager() == scene and grandchild.getParentEntity().getName() == "child"
    assert top.getManager() == scene and hash(top.getManager()) == hash(scene)
    assert scene.getRenderManager() is None and scene.getPhysicsManager() is None
    # A node of another scene, or nothing, is ignored.
    for node in (top, None):
        other.addNode(node)
        other.removeNode(node)
    assert top.getManager() == scene and other.getNumEntities() == 0 and scene.getNumEntities() == 3
    # A removed child node leaves its parent with its subtree.
    scene.removeNode(child)
    assert not top.hasChildren() and child.getParent() is None and child.getManager() is None
    assert scene.getEntity("grandchild") is None and scene.getEntity("top") == top.getEntity()
    # The first of two namesakes answers, and its leaving hides the second.
    first, second = entity_node("twin"), entity_node("twin")
    scene.addNode(first)
    scene.addNode(second)
    assert scene.getEntity("twin") == first.getEntity() and scene.getNumEntities() == 3
    scene.removeNode(first)
    assert scene.getEntity("twin") is None and scene.getNumEntities() == 2
    scene.clear()
    assert scene.getNumEntities() == 0 and top.getManager() is None and second.getManager() is None


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
        event.type = SceneEvent.ENTITY_REMOVED
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
    assert scene.getEntity("early") is not None and litter.getManager() == scene and inbox.heard == []
    assert scene.getNumEntities() == 4
    scene.updateProcess(1.0)
    assert [event.getEventTime() for event in inbox.heard] == [1.0]
    assert scene.getEntity("early") is None and scene.getEntity("passenger") is None
    assert litter.getManager() is None and scene.getNumEntities() == 1
    scene.updateProcess(1.0)
    assert [event.getEventTime() for event in inbox.heard] == [1.0, 2.0]


def test_dropped_scene_tells_every_component_and_releases_the_entities_nobody_keeps():
    journal = []
    scene = SceneManager.createNew()
    top = Entity.createEntity(Witness(journal), "top")
    top.addChild(Entity.createEntity(Witness(journal), "child"))
    kept = Entity.createEntity(Witness(journal), "kept")
    scene.addNode(top)
    scene.addNode(kept)
    del top
    gc.collect()
    del journal[:]
    del scene
    gc.collect()
    assert journal == [("manager", False, True)] * 3 + [("entity", None, "top"), ("entity", None, "child")]
    assert kept.getManager() is None and kept.getEntity().getSceneManager() is None
    assert Component.getComponent("Witness", kept.getEntity()).journal is journal


def test_script_exception_survives_a_scene_dropped_while_it_unwinds():
    journal = []

    def scene_with(name):
        scene = SceneManager.createNew()
        scene.addNode(Entity.createEntity(Witness(journal), name))
        return scene

    def fail_holding_a_scene():
        # The scene is held only by the tuple on the stack, so it dies as the error unwinds it.
        for _ in (None, scene_with("inside")):
            raise KeyError("the script's own error")

    with pytest.raises(KeyError, match="the script's own error"):
        fail_holding_a_scene()
    gc.collect()
    assert journal[-2:] == [("manager", False, True), ("entity", None, "inside")]
