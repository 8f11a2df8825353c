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

    def createNew(self, params):
        return Tag("new")

    def createCopy(self):
        return Tag("copy of " + self.text)


def xy(value):
    return (value.x, value.y)


def ri(value):
    return (value.r, value.i)


def transform(node):
    return xy(node.getPosition()), ri(node.getOrientation()), xy(node.getScale())


def world(node):
    return xy(node.getWorldPosition()), ri(node.getWorldOrientation()), xy(node.getWorldScale())


def approx_transform(values):
    return tuple(pytest.approx(value) for value in values)


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
    names = ["createNew", "createCopy", "__copy__",
             "__deepcopy__", "getParent", "getManager", "addChild", "removeChild", "removeAll", "attach",
             "detachEntity", "hasChildren", "getEntity", "getPosition", "getOrientation", "getScale",
             "setPosition", "setOrientation", "setScale", "translate", "rotate", "scale",
             "getInheritOrientation", "getInheritScale", "setInheritOrientation", "setInheritScale",
             "getWorldPosition", "getWorldOrientation", "getWorldScale", "__eq__", "__hash__",
             "TransformSpace", "LOCAL", "PARENT", "WORLD"]
    assert [name for name in SceneNode.__dict__ if name in names] == names
    spaces = SceneNode.TransformSpace
    assert [int(SceneNode.LOCAL), int(SceneNode.PARENT), int(SceneNode.WORLD)] == [0, 1, 2]
    assert SceneNode.WORLD is spaces.WORLD and sorted(spaces.names) == ["LOCAL", "PARENT", "WORLD"]
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        SceneNode()


class TestCreation:
    @pytest.mark.parametrize("args, kwargs, expected", [
        ((), {}, ((0, 0), (1, 0), (1, 1))),
        ((Vector2(1, 2),), {}, ((1, 2), (1, 0), (1, 1))),
        ((Vector2(1, 2), ROTATED, Scale(3, 4)), {}, ((1, 2), (0, 1), (3, 4))),
        ((), {"scl": Scale(3, 4)}, ((0, 0), (1, 0), (3, 4))),
        ((Vector2(1, 2),), {"ori": ROTATED}, ((1, 2), (0, 1), (1, 1))),
        ((), {"pos": Vector2(5, 6), "scl": Scale(2, 2), "ori": ROTATED}, ((5, 6), (0, 1), (2, 2))),
    ])
    def test_create_new_takes_positions_or_keywords_with_defaults(self, args, kwargs, expected):
        node = SceneNode.createNew(*args, **kwargs)
        assert transform(node) == expected
        assert node.getParent() is None and node.getManager() is None and node.getEntity() is None
        assert node.getInheritOrientation() and node.getInheritScale() and not node.hasChildren()


class TestTransforms:
    def test_root_world_values_equal_its_local_values(self):
        node = SceneNode.createNew(Vector2(3, 4), ROTATED, Scale(2, 5))
        assert world(node) == transform(node)

    def test_child_world_values_compose_the_parent(self):
        parent, child = parent_and_child()
        child.setOrientation(ROTATED)
        child.setScale(Scale(0.5, 2))
        assert world(child) == approx_transform(((7, 2), (-1, 0), (1, 6)))
        parent.translate(Vector2(1, 1))
        assert xy(child.getWorldPosition()) == pytest.approx((8, 3))

    def test_world_setters_round_trip_under_a_turned_scaled_parent(self):
        parent, child = parent_and_child()
        child.setPosition(Vector2(-4, 9), SceneNode.WORLD)
        child.setOrientation(Complex(0, -1), SceneNode.WORLD)
        child.setScale(Scale(6, 6), SceneNode.WORLD)
        assert world(child) == approx_transform(((-4, 9), (0, -1), (6, 6)))
        assert transform(child) == approx_transform(((4.5, 14 / 3), (-1, 0), (3, 2)))

    def test_local_space_moves_along_the_node_own_axes(self):
        node = SceneNode.createNew(Vector2(1, 1), ROTATED, Scale(2, 2))
        node.translate(Vector2(1, 0), SceneNode.LOCAL)
        assert xy(node.getPosition()) == pytest.approx((1, 3))

    def test_without_inherited_scale_only_the_position_is_scaled(self):
        parent, child = parent_and_child()
        child.setInheritScale(False)
        assert xy(child.getWorldScale()) == (1, 1)
        assert xy(child.getWorldPosition()) == pytest.approx((7, 2))

    def test_parent_space_is_the_default_and_plain_assignment(self):
        explicit, implicit = parent_and_child()[1], parent_and_child()[1]
        explicit.setPosition(Vector2(1, 2), SceneNode.PARENT)
        explicit.setOrientation(ROTATED, SceneNode.PARENT)
        explicit.setScale(Scale(3, 3), SceneNode.PARENT)
        implicit.setPosition(Vector2(1, 2))
        implicit.setOrientation(ROTATED)
        implicit.setScale(Scale(3, 3))
        assert transform(explicit) == transform(implicit) == ((1, 2), (0, 1), (3, 3))

    @pytest.mark.parametrize("call", [
        lambda node: node.setPosition(Vector2(1, 1), 1),
        lambda node: node.setOrientation(ROTATED, 2),
        lambda node: node.setScale(Scale(2, 2), 0),
        lambda node: node.translate(Vector2(1, 1), 1),
        lambda node: node.rotate(ROTATED, SceneNode.WORLD),
        lambda node: node.setPosition(pos=Vector2(1, 1)),
    ], ids=["setPosition", "setOrientation", "setScale", "translate", "rotate", "keyword"])
    def test_a_plain_integer_an_extra_argument_or_a_keyword_is_refused(self, call):
        node = SceneNode.createNew(Vector2(5, 5))
        with pytest.raises(TypeError):
            call(node)
        assert transform(node) == ((5, 5), (1, 0), (1, 1))

    def test_zero_translation_in_world_space_changes_nothing(self):
        parent, child = parent_and_child()
        before = (transform(child), world(child))
        child.translate(Vector2(0, 0), SceneNode.WORLD)
        assert (transform(child), world(child)) == before
        child.translate(Vector2(0, 2), SceneNode.WORLD)
        assert xy(child.getWorldPosition()) == pytest.approx((7, 4))


class TestChildren:
    def test_removing_with_as_world_keeps_the_world_transform(self):
        parent, child = parent_and_child()
        before = world(child)
        parent.removeChild(child, True)
        assert child.getParent() is None and not parent.hasChildren()
        assert transform(child) == approx_transform(before) and world(child) == approx_transform(before)

    def test_removing_plainly_keeps_the_local_values(self):
        parent, child = parent_and_child()
        parent.removeChild(child)
        assert transform(child) == ((1, 1), (1, 0), (1, 1)) == world(child)

    def test_adding_with_as_world_keeps_the_former_local_values_as_world(self):
        parent = SceneNode.createNew(Vector2(10, 0), ROTATED, Scale(2, 3))
        child = SceneNode.createNew(Vector2(4, 5), Complex(-1, 0), Scale(6, 6))
        parent.addChild(child, True)
        assert world(child) == approx_transform(((4, 5), (-1, 0), (6, 6)))

    def test_remove_all_needs_its_flag_and_keeps_world_values_when_asked(self):
        parent, child = parent_and_child()
        second = SceneNode.createNew(Vector2(0, 1))
        parent.addChild(second)
        expected = [world(child), world(second)]
        with pytest.raises(TypeError):
            parent.removeAll()
        parent.removeAll(True)
        assert not parent.hasChildren() and child.getParent() is None and second.getParent() is None
        assert [transform(child), transform(second)] == [approx_transform(values) for values in expected]

    def test_a_child_with_a_parent_is_not_taken_by_another(self):
        parent, child = parent_and_child()
        other = SceneNode.createNew()
        other.addChild(child)
        other.removeChild(child)
        assert not other.hasChildren() and child.getParent() == parent
        other.addChild(None)
        assert not other.hasChildren()

    def test_entity_is_attached_once_and_detached_again(self):
        node, other = SceneNode.createNew(), SceneNode.createNew()
        entity = Entity.createNew("e")
        node.attach(entity)
        other.attach(entity)
        assert node.getEntity() == entity and other.getEntity() is None and entity.getSceneNode() == node
        node.detachEntity()
        assert node.getEntity() is None and entity.getSceneNode() is None


class TestCopies:
    def test_shallow_copy_keeps_the_local_values_and_flags_only(self):
        parent, child = parent_and_child()
        parent.attach(Entity.createNew("p"))
        parent.setInheritScale(False)
        for duplicate in (SceneNode.createCopy(parent, False), parent.__copy__(False)):
            assert transform(duplicate) == transform(parent)
            assert (duplicate.getInheritOrientation(), duplicate.getInheritScale()) == (True, False)
            assert duplicate.getEntity() is None and not duplicate.hasChildren() and duplicate != parent

    def test_deep_copy_copies_entities_and_children_in_order(self):
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

    def test_copy_method_needs_the_flag_and_nothing_cannot_be_copied(self):
        node = SceneNode.createNew()
        with pytest.raises(TypeError):
            node.__copy__()
        with pytest.raises(TypeError):
            copy.copy(node)
        with pytest.raises(RuntimeError, match="^node to copy is null$"):
            SceneNode.createCopy(None, True)


class TestIdentity:
    def test_wrappers_of_one_node_are_equal_and_hash_alike(self):
        parent, child = parent_and_child()
        assert child.getParent() == parent and hash(child.getParent()) == hash(parent)
        assert parent != child and parent != None  # noqa: E711
