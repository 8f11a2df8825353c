"""Scenes as a script drives them: entities joining and leaving, scene events
and their order, deferred removal, processes and queued events in a scene
step, and what a dropped scene leaves behind."""

import gc

import pytest

from tarnu import (Component, Entity, Event, EventListener, EventManager, Process, ProcessManager,
                   SceneEvent, SceneManager, SceneNode)


class Witness(Component):
    """Writes what it hears into a shared journal, by entity name and without
    holding engine objects, so that it never keeps a scene or entity alive."""
    super = Component

    def __init__(self, journal):
        Component.__init__(self)
        self.journal = journal

    def createNew(self, params):
        return Witness(self.journal)

    def createCopy(self):
        return Witness(self.journal)

    def entityChanged(self, newEntity, oldEntity):
        self.journal.append(("entity", newEntity and newEntity.getName(), oldEntity and oldEntity.getName()))

    def managerChanged(self, newManager, oldManager):
        self.journal.append(("manager", newManager is not None, oldManager is not None))


class SceneEvents(EventListener):
    """Keeps (type, entity name, whether the entity still has a scene, sender) per scene event."""

    def __init__(self):
        EventListener.__init__(self, SceneEvent.TYPE)
        self.heard = []

    def handleEvent(self, event):
        self.heard.append((event.type, event.entity.getName(), event.entity.getSceneManager() is not None,
                           event.manager))


def entity_node(name, *children):
    node = SceneNode.createNew()
    node.attach(Entity.createNew(name))
    for child in children:
        node.addChild(child)
    return node


def test_scene_and_event_offer_every_listed_name():
    names = ["createNew", "addNode", "removeNode", "clear", "addToGarbage", "getRenderManager",
             "getPhysicsManager", "getEntity", "getNumEntities", "__eq__", "__hash__"]
    assert [name for name in names if name not in SceneManager.__dict__] == []
    assert issubclass(SceneManager, EventManager) and issubclass(SceneManager, ProcessManager)
    assert issubclass(SceneEvent, Event)
    # In the class's own order: the members, then the enumeration and its values.
    event_names = ["TYPE", "manager", "entity", "type", "EventType", "ENTITY_ADDED", "ENTITY_REMOVED"]
    assert [name for name in SceneEvent.__dict__ if name in event_names] == event_names
    for cls in (SceneManager, SceneEvent):
        with pytest.raises(RuntimeError, match="cannot be instantiated"):
            cls()


def test_scene_event_kinds_and_type_are_readable_without_an_event():
    assert [int(SceneEvent.ENTITY_ADDED), int(SceneEvent.ENTITY_REMOVED)] == [0, 1]
    assert SceneEvent.ENTITY_REMOVED is SceneEvent.EventType.ENTITY_REMOVED
    assert SceneEvent.TYPE > 0
    with pytest.raises(AttributeError):
        SceneEvent.TYPE = 0
    assert SceneEvent.TYPE > 0


class TestMembership:
    def test_added_subtree_brings_every_entity_in_by_name(self):
        scene = SceneManager.createNew()
        top = entity_node("top", entity_node("child", entity_node("grandchild")), SceneNode.createNew())
        scene.addNode(top)
        assert scene.getNumEntities() == 3
        grandchild = scene.getEntity("grandchild")
        assert grandchild.getSceneManager() == scene and grandchild.getParentEntity().getName() == "child"
        assert top.getManager() == scene and hash(top.getManager()) == hash(scene)
        assert scene.getEntity("nobody") is None
        assert scene.getRenderManager() is None and scene.getPhysicsManager() is None

    def test_node_of_another_scene_or_nothing_is_ignored(self):
        scene, other = SceneManager.createNew(), SceneManager.createNew()
        node = entity_node("e")
        scene.addNode(node)
        other.addNode(node)
        other.removeNode(node)
        other.addNode(None)
        other.removeNode(None)
        assert node.getManager() == scene and other.getNumEntities() == 0 and scene.getNumEntities() == 1

    def test_first_of_two_namesakes_answers_and_its_leaving_hides_the_second(self):
        scene = SceneManager.createNew()
        first, second = entity_node("twin"), entity_node("twin")
        scene.addNode(first)
        scene.addNode(second)
        assert scene.getEntity("twin") == first.getEntity() and scene.getNumEntities() == 2
        scene.removeNode(first)
        assert scene.getEntity("twin") is None and scene.getNumEntities() == 1

    def test_removing_a_child_node_takes_it_out_of_its_parent(self):
        scene = SceneManager.createNew()
        child = entity_node("child")
        top = entity_node("top", child)
        scene.addNode(top)
        scene.removeNode(child)
        assert not top.hasChildren() and child.getParent() is None and child.getManager() is None
        assert scene.getEntity("child") is None and scene.getEntity("top") == top.getEntity()
        scene.clear()
        assert scene.getNumEntities() == 0 and top.getManager() is None


class TestSceneEvents:
    def test_parents_are_announced_first_on_arrival_and_last_on_departure(self):
        scene, listener = SceneManager.createNew(), SceneEvents()
        scene.addEventListener(listener)
        scene.updateProcess(1.5)
        top = entity_node("top", entity_node("child", entity_node("grandchild")))
        scene.addNode(top)
        scene.removeNode(top)
        added, removed = SceneEvent.ENTITY_ADDED, SceneEvent.ENTITY_REMOVED
        assert listener.heard == [
            (added, "top", True, scene), (added, "child", True, scene), (added, "grandchild", True, scene),
            (removed, "grandchild", False, scene), (removed, "child", False, scene),
            (removed, "top", False, scene)]

    def test_event_is_a_read_only_scene_event_carrying_the_scene_time(self):
        scene, events = SceneManager.createNew(), []

        class Keep(EventListener):
            def handleEvent(self, event):
                events.append(event)

        listener = Keep(SceneEvent.TYPE)
        scene.addEventListener(listener)
        scene.updateProcess(2.0)
        scene.addNode(entity_node("e"))
        event, = events
        assert type(event) is SceneEvent and event.getEventTime() == 2.0
        assert event.getEventType() == SceneEvent.TYPE
        with pytest.raises(AttributeError):
            event.type = SceneEvent.ENTITY_REMOVED
        with pytest.raises(AttributeError):
            event.entity = None

    def test_the_entity_itself_hears_its_own_arrival(self):
        scene, listener = SceneManager.createNew(), SceneEvents()
        node = entity_node("self")
        node.getEntity().addEventListener(listener)
        scene.addNode(node)
        scene.addNode(entity_node("someone else"))
        assert listener.heard == [(SceneEvent.ENTITY_ADDED, "self", True, scene)]


class TestStep:
    def test_killed_entity_stays_until_the_end_of_the_next_step(self):
        scene = SceneManager.createNew()
        scene.addNode(entity_node("doomed", entity_node("passenger")))
        scene.addNode(entity_node("survivor"))
        scene.getEntity("doomed").kill()
        assert scene.getEntity("doomed") is not None and scene.getNumEntities() == 3
        scene.updateProcess(0.1)
        assert scene.getEntity("doomed") is None and scene.getEntity("passenger") is None
        assert scene.getNumEntities() == 1

    def test_entity_killed_by_a_process_is_still_found_during_that_step(self):
        scene, seen = SceneManager.createNew(), []

        class Reaper(Process):
            def updateProcess(self, elapsed):
                seen.append(elapsed)
                victim = scene.getEntity("victim")
                if victim is not None:
                    victim.kill()
                    seen.append(scene.getEntity("victim") is not None)

        reaper = Reaper()
        scene.addProcess(reaper)
        scene.addNode(entity_node("victim"))
        scene.updateProcess(0.25)
        scene.updateProcess(0.5)
        assert seen == [0.25, True, 0.5]
        assert scene.getCurrentTime() == 0.75 and scene.getEntity("victim") is None

    def test_garbage_node_leaves_at_the_end_of_the_step(self):
        scene = SceneManager.createNew()
        node = entity_node("litter")
        scene.addNode(node)
        scene.addToGarbage(node)
        assert node.getManager() == scene
        scene.updateProcess(0.0)
        assert node.getManager() is None and scene.getNumEntities() == 0

    def test_queued_entity_events_are_dispatched_by_the_step_once_due(self):
        scene, times = SceneManager.createNew(), []

        class Inbox(EventListener):
            def handleEvent(self, event):
                times.append(event.getEventTime())

        inbox = Inbox(60)
        early = entity_node("early")
        early.getEntity().addEventListener(inbox)
        early.getEntity().queueEvent(Event(60, 1.0))
        scene.addNode(early)
        late = entity_node("late")
        scene.addNode(late)
        late.getEntity().addEventListener(inbox)
        late.getEntity().queueEvent(Event(60, 2.0))
        assert times == []
        scene.updateProcess(1.0)
        assert times == [1.0]
        scene.updateProcess(1.0)
        assert times == [1.0, 2.0]


class TestTeardown:
    def test_dropped_scene_tells_every_component_and_releases_its_entities(self):
        journal = []
        scene = SceneManager.createNew()
        top = Entity.createEntity(Witness(journal), "top")
        top.addChild(Entity.createEntity(Witness(journal), "child"))
        scene.addNode(top)
        del top
        gc.collect()
        del journal[:]
        del scene
        gc.collect()
        assert journal == [("manager", False, True), ("manager", False, True),
                           ("entity", None, "top"), ("entity", None, "child")]

    def test_script_exception_survives_a_scene_dropped_while_it_unwinds(self):
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

    def test_node_kept_by_the_script_outlives_its_scene(self):
        journal = []
        scene = SceneManager.createNew()
        node = Entity.createEntity(Witness(journal), "kept")
        scene.addNode(node)
        del scene
        gc.collect()
        assert node.getManager() is None and node.getEntity().getSceneManager() is None
        assert journal[-1] == ("manager", False, True)
        assert Component.getComponent("Witness", node.getEntity()).journal is journal
