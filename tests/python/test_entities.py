"""Entities as a script sees them: names, creation forms, copies, identity,
their place under scene nodes, and routing events into an entity's queue."""

import copy
import gc

import pytest

from tarnu import (Complex, Component, Entity, Event, EventListener, EventManager, EventRouter, Scale,
                   SceneManager, SceneNode, Vector2)


class Tag(Component):
    """A component whose copies say whose copy they are."""
    super = Component

    def __init__(self, text):
        Component.__init__(self)
        self.text = text
        self.owners = []

    def createNew(self, params):
        return Tag("new")

    def createCopy(self):
        return Tag("copy of " + self.text)

    def entityChanged(self, newEntity, oldEntity):
        self.owners.append(newEntity and newEntity.getName())


class Inbox(EventListener):
    def __init__(self, eventType):
        EventListener.__init__(self, eventType)
        self.times = []

    def handleEvent(self, event):
        self.times.append(event.getEventTime())


def xy(value):
    return (value.x, value.y)


def test_entity_and_router_offer_every_listed_name():
    names = ["createNew", "createEntity", "createCopy", "__copy__", "getName", "addComponent",
             "getSceneNode", "getSceneManager", "getParentEntity", "getWorldPosition",
             "getWorldOrientation", "getWorldScale", "kill", "__eq__", "__hash__"]
    assert [name for name in names if name not in Entity.__dict__] == []
    assert issubclass(Entity, EventManager) and issubclass(EventRouter, EventListener)
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        Entity()


class TestNames:
    def test_entities_without_a_name_get_distinct_generated_ones(self):
        entities = [Entity.createNew(), Entity.createNew(""), Entity.createNew()]
        names = [entity.getName() for entity in entities]
        assert all(name.startswith("\x01") and len(name) > 1 for name in names)
        assert len(set(names)) == 3

    def test_given_names_are_kept_even_when_shared(self):
        first, second = Entity.createNew("twin"), Entity.createNew("twin")
        assert first.getName() == second.getName() == "twin"
        assert first != second


class TestCreateEntity:
    def test_defaults_give_a_free_node_at_the_origin_with_a_generated_entity(self):
        tag = Tag("t")
        node = Entity.createEntity(tag)
        entity = node.getEntity()
        assert (xy(node.getPosition()), xy(node.getScale())) == ((0, 0), (1, 1))
        assert (node.getOrientation().r, node.getOrientation().i) == (1, 0)
        assert entity.getName().startswith("\x01") and entity.getSceneNode() == node
        assert Component.getComponent("Tag", entity) is tag and tag.owners == [entity.getName()]
        assert entity.getSceneManager() is None and node.getParent() is None
        scene = SceneManager.createNew()
        scene.addNode(node)
        assert entity.getSceneManager() == scene

    @pytest.mark.parametrize("extra, expected", [
        (("n",), ((0, 0), (1, 0), (1, 1))),
        (("n", Vector2(2, 3)), ((2, 3), (1, 0), (1, 1))),
        (("n", Vector2(2, 3), Complex(0, 1)), ((2, 3), (0, 1), (1, 1))),
        (("n", Vector2(2, 3), Complex(0, 1), Scale(4, 5)), ((2, 3), (0, 1), (4, 5))),
    ])
    def test_each_trailing_argument_may_be_left_out(self, extra, expected):
        node = Entity.createEntity(Tag("t"), *extra)
        orientation = node.getOrientation()
        assert (xy(node.getPosition()), (orientation.r, orientation.i), xy(node.getScale())) == expected
        assert node.getEntity().getName() == "n"


class TestCopies:
    def test_copy_carries_copies_of_the_components_and_no_node(self):
        source = Entity.createEntity(Tag("original"), "source").getEntity()
        duplicate = Entity.createCopy(source, "duplicate")
        tag = Component.getComponent("Tag", duplicate)
        assert duplicate.getName() == "duplicate" and duplicate != source
        assert tag.text == "copy of original" and tag.owners == ["duplicate"]
        assert tag is not Component.getComponent("Tag", source)
        assert duplicate.getSceneNode() is None
        assert Entity.createCopy(source).getName().startswith("\x01")

    def test_copy_method_needs_the_name(self):
        source = Entity.createNew("source")
        assert source.__copy__("named").getName() == "named"
        with pytest.raises(TypeError):
            copy.copy(source)

    def test_copying_nothing_is_a_runtime_error(self):
        with pytest.raises(RuntimeError, match="^entity to copy is null$"):
            Entity.createCopy(None)
        with pytest.raises(RuntimeError, match="^entity to copy is null$"):
            Entity.createCopy(None, "name")


class TestIdentity:
    def test_wrappers_of_one_entity_are_equal_and_hash_alike(self):
        node = Entity.createEntity(Tag("t"), "e")
        scene = SceneManager.createNew()
        scene.addNode(node)
        first, second = scene.getEntity("e"), node.getEntity()
        assert first == second and hash(first) == hash(second)
        assert {first: "value"}[second] == "value"
        assert first != None  # noqa: E711
        assert not (first == None)  # noqa: E711


class TestPlaceInTheGraph:
    def test_parent_entity_is_the_nearest_ancestor_carrying_one(self):
        top, bare, leaf = SceneNode.createNew(), SceneNode.createNew(), SceneNode.createNew()
        top.attach(Entity.createNew("top"))
        leaf.attach(Entity.createNew("leaf"))
        top.addChild(bare)
        bare.addChild(leaf)
        assert leaf.getEntity().getParentEntity() == top.getEntity()
        assert top.getEntity().getParentEntity() is None
        assert Entity.createNew().getParentEntity() is None

    def test_world_values_come_from_the_node_or_are_neutral_without_one(self):
        free = Entity.createNew()
        assert xy(free.getWorldPosition()) == (0, 0) and xy(free.getWorldScale()) == (1, 1)
        assert (free.getWorldOrientation().r, free.getWorldOrientation().i) == (1, 0)
        parent = SceneNode.createNew(Vector2(10, 0), Complex(0, 1), Scale(2, 3))
        child = Entity.createEntity(Tag("t"), "c", Vector2(1, 1))
        parent.addChild(child)
        entity = child.getEntity()
        assert xy(entity.getWorldPosition()) == pytest.approx((7, 2))
        assert (entity.getWorldOrientation().r, entity.getWorldOrientation().i) == pytest.approx((0, 1))
        assert xy(entity.getWorldScale()) == pytest.approx((2, 3))


class TestEventRouter:
    def test_routed_events_are_queued_on_the_entity_not_posted(self):
        scene = SceneManager.createNew()
        node = Entity.createEntity(Tag("t"), "target")
        scene.addNode(node)
        inbox = Inbox(40)
        node.getEntity().addEventListener(inbox)
        source = EventManager()
        router = EventRouter(node.getEntity(), 40)
        source.addEventListener(router)
        source.postEvent(Event(40, 0.0))
        source.postEvent(Event(41, 0.0))
        assert inbox.times == []
        scene.updateProcess(0.1)
        assert inbox.times == [0.0]

    def test_router_drops_events_once_its_entity_is_gone(self):
        entity = Entity.createNew()
        source = EventManager()
        router = EventRouter(entity, 40)
        source.addEventListener(router)
        del entity
        gc.collect()
        source.postEvent(Event(40, 0.0))

    def test_dropped_router_leaves_the_manager(self):
        entity = Entity.createNew()
        inbox = Inbox(40)
        entity.addEventListener(inbox)
        source = EventManager()
        source.addEventListener(EventRouter(entity, 40))
        gc.collect()
        source.postEvent(Event(40, 0.0))
        entity.dispatchEvents(-1)
        assert inbox.times == []
