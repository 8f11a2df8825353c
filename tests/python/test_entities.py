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


def test_interface_and_names():
    names = ("createNew createEntity createCopy __copy__ getName addComponent getSceneNode getSceneManager "
             "getParentEntity getWorldPosition getWorldOrientation getWorldScale kill __eq__ __hash__").split()
    assert [name for name in names if name not in Entity.__dict__] == []
    assert issubclass(Entity, EventManager) and issubclass(EventRouter, EventListener)
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        Entity()
    # Missing or empty names are generated and distinct; given names are kept even when shared.
    generated = {entity.getName() for entity in (Entity.createNew(), Entity.createNew(""), Entity.createNew())}
    assert len(generated) == 3 and all(name.startswith("\x01") and len(name) > 1 for name in generated)
    first, second = Entity.createNew("twin"), Entity.createNew("twin")
    assert first.getName() == second.getName() == "twin" and first != second


@pytest.mark.parametrize("extra, expected", [
    ((), ((0, 0), (1, 0), (1, 1))),
    (("n",), ((0, 0), (1, 0), (1, 1))),
    (("n", Vector2(2, 3)), ((2, 3), (1, 0), (1, 1))),
    (("n", Vector2(2, 3), Complex(0, 1)), ((2, 3), (0, 1), (1, 1))),
    (("n", Vector2(2, 3), Complex(0, 1), Scale(4, 5)), ((2, 3), (0, 1), (4, 5))),
])
def test_create_entity_gives_a_free_node_and_each_trailing_argument_may_be_left_out(extra, expected):
    tag = Tag("t")
    node = Entity.createEntity(tag, *extra)
    entity, orientation = node.getEntity(), node.getOrientation()
    assert (xy(node.getPosition()), (orientation.r, orientation.i), xy(node.getScale())) == expected
    assert entity.getName() == "n" if extra else entity.getName().startswith("\x01")
    assert entity.getSceneNode() == node and node.getParent() is None and entity.getSceneManager() is None
    assert Component.getComponent("Tag", entity) is tag and tag.owners == [entity.getName()]


def test_copy_carries_copies_of_the_components_and_no_node():
    source = Entity.createEntity(Tag("original"), "source").getEntity()
    duplicate = Entity.createCopy(source, "duplicate")
    tag = Component.getComponent("Tag", duplicate)
    assert duplicate.getName() == "duplicate" and duplicate != source and duplicate.getSceneNode() is None
    assert tag.text == "copy of original" and tag.owners == ["duplicate"]
    assert tag is not Component.getComponent("Tag", source)
    assert Entity.createCopy(source).getName().startswith("\x01")
    assert source.__copy__("named").getName() == "named"
    with pytest.raises(TypeError):
        copy.copy(source)
    for args in ((None,), (None, "name")):
        with pytest.raises(RuntimeError, match="^entity to copy is null$"):
            Entity.createCopy(*args)


def world(entity):
    orientation = entity.getWorldOrientation()
    return xy(entity.getWorldPosition()), (orientation.r, orientation.i), xy(entity.getWorldScale())


def test_parent_entity_and_world_values_come_from_the_graph_or_are_neutral_without_it():
    top, bare = SceneNode.createNew(Vector2(10, 0), Complex(0, 1), Scale(2, 3)), SceneNode.createNew()
    leaf = Entity.createEntity(Tag("t"), "leaf", Vector2(1, 1))
    top.attach(Entity.createNew("top"))
    top.addChild(bare)
    bare.addChild(leaf)
    entity, free = leaf.getEntity(), Entity.createNew()
    assert entity.getParentEntity() == top.getEntity()
    assert top.getEntity().getParentEntity() is None and free.getParentEntity() is None
    assert world(entity) == tuple(pytest.approx(value) for value in ((7, 2), (0, 1), (2, 3)))
    assert world(free) == ((0, 0), (1, 0), (1, 1))


def test_router_queues_on_its_entity_and_ignores_a_dead_entity_while_a_dropped_one_leaves():
    scene, source = SceneManager.createNew(), EventManager()
    node, dead, dropped = Entity.createEntity(Tag("t"), "target"), Entity.createNew(), Entity.createNew()
    scene.addNode(node)
    # Wrappers of one entity are equal and hash alike.
    found = scene.getEntity("target")
    assert found == node.getEntity() and {found: "value"}[node.getEntity()] == "value"
    assert found.getSceneManager() == scene and found != None and not (found == None)  # noqa: E711
    inbox, missed = Inbox(40), Inbox(40)
    node.getEntity().addEventListener(inbox)
    dropped.addEventListener(missed)
    routers = [EventRouter(node.getEntity(), 40), EventRouter(dead, 40)]
    for router in routers + [EventRouter(dropped, 40)]:
        source.addEventListener(router)
    del dead, router
    gc.collect()
    source.postEvent(Event(40, 0.0))
    source.postEvent(Event(41, 0.0))
    dropped.dispatchEvents(-1)
    assert inbox.times == [] and missed.times == []
    scene.updateProcess(0.1)
    assert inbox.times == [0.0]
