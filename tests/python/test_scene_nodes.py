"""Scene nodes from a script: creation forms, transform spaces and world values,
children and entities, copies shallow and deep, and identity."""

import copy

import pytest

from tarnu import (Complex, Component, Entity, EventListener, Scale, SceneEvent, SceneManager,
                   SceneNode, Vector2)

ROTATED = Complex(0, 1)  # a quarter turn


class Tag(Component):
    super = Component

    def __init__(self, text):
        Component.__init__(self)
        self.text = text

    def createCopy(self):
        return Tag("copy of " + self.text)


def xy(value):
    return (value.x, value.y)


def transform(node, space=""):
    """Position, orientation and scale, local or (space "World") in world space, rounded to nine places."""
    position, orientation, scale = (getattr(node, "get" + space + part)()
                                    for part in ("Position", "Orientation", "Scale"))
    return tuple((round(a, 9), round(b, 9)) for a, b in ((position.x, position.y), (orientation.r, orientation.i),
                                                          (scale.x, scale.y)))


def world(node):
    return transform(node, "World")


def parent_and_child():
    """A parent that moves, turns a quarter and scales unevenly, with a child at (1, 1)."""
    parent = SceneNode.createNew(Vector2(10, 0), ROTATED, Scale(2, 3))
    child = SceneNode.createNew(Vector2(1, 1))
    parent.addChild(child)
    return parent, child


def entities_in_scene_order(node):
    """The entities of a subtree in pre-order: the interface lists no children,
    but a scene announces every entity of a subtree as it joins."""
    heard = []

    class Announcements(EventListener):
        def handleEvent(self, event):
            if event.type == SceneEvent.ENTITY_ADDED:
                heard.append(event.entity)

    scene, listener = SceneManager.createNew(), Announcements(SceneEvent.TYPE)
    scene.addEventListener(listener)
    scene.addNode(node)
    scene.removeNode(node)
    return heard


def test_node_offers_every_listed_name_and_its_transform_spaces():
    # In the class's own order: the methods, then the enumeration and its values.
    names = ("createNew createCopy __copy__ __deepcopy__ getParent getManager addChild removeChild removeAll "
             "attach detachEntity hasChildren getEntity getPosition getOrientation getScale setPosition "
             "setOrientation setScale translate rotate scale getInheritOrientation getInheritScale "
             "setInheritOrientation setInheritScale getWorldPosition getWorldOrientation getWorldScale "
             "__eq__ __hash__ TransformSpace LOCAL PARENT WORLD").split()
    assert [name for name in SceneNode.__dict__ if name in names] == names
    spaces = SceneNode.TransformSpace
    assert [int(SceneNode.LOCAL), int(SceneNode.PARENT), int(SceneNode.WORLD)] == [0, 1, 2]
    assert SceneNode.WORLD is spaces.WORLD and sorted(spaces.names) == ["LOCAL", "PARENT", "WORLD"]
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        SceneNode()


@pytest.mark.parametrize("args, kwargs, expected", [
    ((), {}, ((0, 0), (1, 0), (1, 1))),
    ((Vector2(1, 2),), {}, ((1, 2), (1, 0), (1, 1))),
    ((Vector2(1, 2), ROTATED, Scale(3, 4)), {}, ((1, 2), (0, 1), (3, 4))),
    ((), {"scl": Scale(3, 4)}, ((0, 0), (1, 0), (3, 4))),
    ((Vector2(1, 2),), {"ori": ROTATED}, ((1, 2), (0, 1), (1, 1))),
    ((), {"pos": Vector2(5, 6), "scl": Scale(2, 2), "ori": ROTATED}, ((5, 6), (0, 1), (2, 2))),
])
def test_create_new_takes_positions_or_keywords_with_defaults(args, kwargs, expected):
    node = SceneNode.createNew(*args, **kwargs)
    assert transform(node) == expected == world(node)
    assert node.getParent() is None and node.getManager() is None and node.getEntity() is None
    assert node.getInheritOrientation() and node.getInheritScale() and not node.hasChildren()


def test_world_values_compose_the_parent_and_world_setters_round_trip():
    parent, child = parent_and_child()
    assert world(child) == ((7, 2), (0, 1), (2, 3))
    child.setPosition(Vector2(-4, 9), SceneNode.WORLD)
    child.setOrientation(Complex(0, -1), SceneNode.WORLD)
    child.setScale(Scale(6, 6), SceneNode.WORLD)
    assert world(child) == ((-4, 9), (0, -1), (6, 6))
    assert transform(child) == ((4.5, round(14 / 3, 9)), (-1, 0), (3, 2))


@pytest.mark.parametrize("method, value", [
    ("setPosition", Vector2(1, 2)), ("setOrientation", ROTATED), ("setScale", Scale(3, 3)),
    ("translate", Vector2(1, 2))])
def test_space_defaults_to_parent_and_must_be_a_transform_space(method, value):
    untouched, explicit, implicit = (parent_and_child()[1] for _ in range(3))
    getattr(explicit, method)(value, SceneNode.PARENT)
    getattr(implicit, method)(value)
    assert transform(implicit) == transform(explicit) != transform(untouched)
    with pytest.raises(TypeError):
        getattr(implicit, method)(value, int(SceneNode.WORLD))
    assert transform(implicit) == transform(explicit)


def test_local_space_follows_the_node_own_axes_and_rotate_takes_no_space_nor_keywords():
    node = SceneNode.createNew(Vector2(1, 1), ROTATED, Scale(2, 2))
    node.translate(Vector2(1, 0), SceneNode.LOCAL)
    assert xy(node.getPosition()) == pytest.approx((1, 3))
    before = transform(node)
    for call in (lambda: node.rotate(ROTATED, SceneNode.WORLD), lambda: node.setPosition(pos=Vector2(5, 5))):
        with pytest.raises(TypeError):
            call()
    assert transform(node) == before


def test_children_leave_keeping_local_or_world_values_and_join_keeping_world_values():
    parent, child = parent_and_child()
    # Wrappers of one node are equal and hash alike.
    assert child.getParent() == parent and hash(child.getParent()) == hash(parent)
    assert parent != child and parent != None  # noqa: E711
    before = world(child)
    parent.removeChild(child, True)
    assert child.getParent() is None and not parent.hasChildren()
    assert transform(child) == before == world(child)
    parent, child = parent_and_child()
    parent.removeChild(child)
    assert transform(child) == ((1, 1), (1, 0), (1, 1)) == world(child)
    child = SceneNode.createNew(Vector2(4, 5), Complex(-1, 0), Scale(6, 6))
    parent.addChild(child, True)
    assert world(child) == ((4, 5), (-1, 0), (6, 6))
    second = SceneNode.createNew(Vector2(0, 1))
    parent.addChild(second)
    expected = [world(child), world(second)]
    with pytest.raises(TypeError):
        parent.removeAll()
    parent.removeAll(True)
    assert not parent.hasChildren() and child.getParent() is None and second.getParent() is None
    assert [transform(child), transform(second)] == expected
    parent.addChild(None)
    assert not parent.hasChildren()


def test_shallow_copy_keeps_the_local_values_and_flags_only():
    parent, entity = parent_and_child()[0], Entity.createNew("p")
    parent.attach(entity)
    parent.setInheritScale(False)
    for duplicate in (SceneNode.createCopy(parent, False), parent.__copy__(False)):
        assert transform(duplicate) == transform(parent)
        assert (duplicate.getInheritOrientation(), duplicate.getInheritScale()) == (True, False)
        assert duplicate.getEntity() is None and not duplicate.hasChildren() and duplicate != parent
    with pytest.raises(TypeError):
        parent.__copy__()
    with pytest.raises(TypeError):
        copy.copy(parent)
    with pytest.raises(RuntimeError, match="^node to copy is null$"):
        SceneNode.createCopy(None, True)
    parent.detachEntity()
    assert parent.getEntity() is None and entity.getSceneNode() is None


def test_deep_copy_copies_entities_and_children_in_order():
    top = Entity.createEntity(Tag("top"), "top")
    for name in ("first", "second"):
        top.addChild(Entity.createEntity(Tag(name), name, Vector2(len(name), 0)))
    top.setInheritOrientation(False)
    for duplicate in (copy.deepcopy(top), top.__copy__(True), SceneNode.createCopy(top, True)):
        entity = duplicate.getEntity()
        assert entity != top.getEntity() and entity.getName().startswith("\x01")
        assert Component.getComponent("Tag", entity).text == "copy of top"
        assert not duplicate.getInheritOrientation() and duplicate.getInheritScale()
        top_copy, *children = entities_in_scene_order(duplicate)
        assert top_copy == entity
        assert [Component.getComponent("Tag", child).text for child in children] == [
            "copy of first", "copy of second"]
        assert all(child.getSceneNode().getParent() == duplicate for child in children)
        assert [xy(child.getSceneNode().getPosition()) for child in children] == [(5, 0), (6, 0)]

