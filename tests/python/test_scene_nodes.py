"""Scene nodes from a script: creation, transform spaces and world values, children, copies and identity."""

import copy

import pytest

from tarnu import Complex, Component, Entity, Scale, SceneNode, Vector2

ROTATED = Complex(0, 1)  # a quarter turn


class Tag(Component):
    super = Component

    def __init__(self, text):
        Component.__init__(self)
        self.text = text

    def createCopy(self):
        return Tag("copy of " + self.text)


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


def test_node_offers_its_names_in_order_and_creation_takes_keywords_with_defaults():
    # In the class's own order: the methods, then the enumeration and its values.
    names = ("createNew createCopy __copy__ __deepcopy__ getParent getManager addChild removeChild removeAll "
             "attach detachEntity hasChildren getEntity getPosition getOrientation getScale setPosition "
             "setOrientation setScale translate rotate scale getInheritOrientation getInheritScale "
             "setInheritOrientation setInheritScale getWorldPosition getWorldOrientation getWorldScale "
             "__eq__ __hash__ TransformSpace LOCAL PARENT WORLD").split()
    assert [name for name in SceneNode.__dict__ if name in names] == names
    assert [int(SceneNode.LOCAL), int(SceneNode.PARENT), int(SceneNode.WORLD)] == [0, 1, 2]
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        SceneNode()
    node = SceneNode.createNew(Vector2(1, 2), scl=Scale(3, 4))
    assert transform(node) == ((1, 2), (1, 0), (3, 4)) == world(node) and node.getParent() is None
    assert node.getInheritOrientation() and node.getInheritScale() and not node.hasChildren()


def test_world_values_compose_the_parent_and_world_setters_round_trip():
    parent, child = parent_and_child()
    assert world(child) == ((7, 2), (0, 1), (2, 3))
    child.setPosition(Vector2(-4, 9), SceneNode.WORLD)
    child.setOrientation(Complex(0, -1), SceneNode.WORLD)
    child.setScale(Scale(6, 6), SceneNode.WORLD)
    assert world(child) == ((-4, 9), (0, -1), (6, 6))
    assert transform(child) == ((4.5, round(14 / 3, 9)), (-1, 0), (3, 2))


def test_child_follows_every_move_of_its_parent_when_read_between_moves():
    parent, child = SceneNode.createNew(Vector2(10, 0)), SceneNode.createNew(Vector2(1, 0))
    parent.addChild(child)
    seen = [world(child)[0]]
    for move, argument in [("translate", Vector2(0, 5)), ("translate", Vector2(0, 5)), ("rotate", ROTATED),
                           ("rotate", ROTATED), ("setPosition", Vector2(0, 0)), ("scale", Scale(2, 2))]:
        getattr(parent, move)(argument)
        seen.append(world(child)[0])
    assert seen == [(11, 0), (11, 5), (11, 10), (10, 11), (9, 10), (-1, 0), (-2, 0)]


def test_space_defaults_to_parent_local_follows_the_node_axes_and_bad_calls_change_nothing():
    explicit, implicit = parent_and_child()[1], parent_and_child()[1]
    explicit.translate(Vector2(1, 2), SceneNode.PARENT)
    implicit.translate(Vector2(1, 2))
    assert transform(implicit) == transform(explicit) == ((2, 3), (1, 0), (1, 1))
    node = SceneNode.createNew(Vector2(1, 1), ROTATED, Scale(2, 2))
    node.translate(Vector2(1, 0), SceneNode.LOCAL)
    before = transform(node)
    assert before[0] == (1, 3)
    for call in (lambda: node.setPosition(Vector2(1, 2), int(SceneNode.WORLD)),
                 lambda: node.rotate(ROTATED, SceneNode.WORLD), lambda: node.setPosition(pos=Vector2(5, 5))):
        with pytest.raises(TypeError):
            call()
    assert transform(node) == before


def test_children_leave_keeping_local_or_world_values_and_join_keeping_world_values():
    parent, child = parent_and_child()
    # Wrappers of one node are equal and hash alike.
    assert child.getParent() == parent and hash(child.getParent()) == hash(parent) and parent != child
    before = world(child)
    parent.removeChild(child, True)
    assert child.getParent() is None and not parent.hasChildren() and transform(child) == before == world(child)
    parent, child = parent_and_child()
    parent.removeChild(child)
    assert transform(child) == ((1, 1), (1, 0), (1, 1)) == world(child)
    child = SceneNode.createNew(Vector2(4, 5), Complex(-1, 0), Scale(6, 6))
    parent.addChild(child, True)
    assert world(child) == ((4, 5), (-1, 0), (6, 6))
    parent.removeAll(True)
    assert not parent.hasChildren() and child.getParent() is None and transform(child) == world(child)


def test_shallow_copy_keeps_the_local_values_and_flags_only_and_deep_copy_copies_entities():
    parent, entity = parent_and_child()[0], Entity.createNew("p")
    parent.attach(entity)
    parent.setInheritScale(False)
    duplicate = parent.__copy__(False)
    assert transform(duplicate) == transform(parent) and not duplicate.getInheritScale()
    assert duplicate.getEntity() is None and not duplicate.hasChildren() and duplicate != parent
    with pytest.raises(RuntimeError, match="^node to copy is null$"):
        SceneNode.createCopy(None, True)
    parent.detachEntity()
    assert parent.getEntity() is None and entity.getSceneNode() is None

    top = Entity.createEntity(Tag("top"), "top")
    top.addChild(Entity.createEntity(Tag("child"), "child"))
    top.setInheritOrientation(False)
    for duplicate in (copy.deepcopy(top), SceneNode.createCopy(top, True)):
        copied = duplicate.getEntity()
        assert copied != top.getEntity() and Component.getComponent("Tag", copied).text == "copy of top"
        assert not duplicate.getInheritOrientation() and duplicate.hasChildren()
