"""Entities from a script: names, creation, copies, identity, place under nodes, and routed events."""

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
        self.text, self.owners = text, []

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


def test_created_entity_has_a_free_node_and_copies_carry_copies_of_the_components_and_no_node():
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        Entity()
    generated = {Entity.createNew().getName(), Entity.createNew("").getName(), Entity.createNew().getName()}
    assert len(generated) == 3 and all(name.startswith("\x01") and len(name) > 1 for name in generated)
    tag = Tag("original")
    node = Entity.createEntity(tag, "source", Vector2(2, 3), Complex(0, 1), Scale(4, 5))
    source, orientation = node.getEntity(), node.getOrientation()
    assert (xy(node.getPosition()), (orientation.r, orientation.i), xy(node.getScale())) == ((2, 3), (0, 1), (4, 5))
    assert source.getSceneNode() == node and node.getParent() is None and source.getSceneManager() is None
    assert Component.getComponent("Tag", source) is tag and tag.owners == ["source"]
    duplicate = Entity.createCopy(source, "duplicate")
    tag = Component.getComponent("Tag", duplicate)
    assert duplicate.getName() == "duplicate" and duplicate != source and duplicate.getSceneNode() is None
    assert tag.text == "copy of original" and tag.owners == ["duplicate"]
    with pytest.raises(TypeError):
        copy.copy(source)
    with pytest.raises(RuntimeError, match="^entity to copy is null$"):
        Entity.createCopy(None, "name")


def test_parent_entity_and_world_values_come_from_the_graph_or_are_neutral_without_it():
    top, bare = SceneNode.createNew(Vector2(10, 0), Complex(0, 1), Scale(2, 3)), SceneNode.createNew()
    leaf = Entity.createEntity(Tag("t"), "leaf", Vector2(1, 1))
    top.attach(Entity.createNew("top"))
    top.addChild(bare)
    bare.addChild(leaf)
    entity, free = leaf.getEntity(), Entity.createNew()
    assert entity.getParentEntity() == top.getEntity() and free.getParentEntity() is None
    orientation, neutral = entity.getWorldOrientation(), free.getWorldOrientation()
    assert (xy(entity.getWorldPosition()), orientation.r, orientation.i, xy(entity.getWorldScale())) == (
        pytest.approx((7, 2)), pytest.approx(0), 1, (2, 3))
    assert (xy(free.getWorldPosition()), neutral.r, neutral.i, xy(free.getWorldScale())) == ((0, 0), 1, 0, (1, 1))


def test_router_queues_on_its_entity_and_ignores_a_dead_entity_while_a_dropped_one_leaves():
    scene, source = SceneManager.createNew(), EventManager()
    node, dead, dropped = Entity.createEntity(Tag("t"), "target"), Entity.createNew(), Entity.createNew()
    scene.addNode(node)
    # Wrappers of one entity are equal and hash alike.
    found = scene.getEntity("target")
    assert found == node.getEntity() and {found: "value"}[node.getEntity()] == "value" and found != None  # noqa
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
