"""What a game script sees of bounds: the abstract Bound and its three shapes,
their constructors, references into shapes, copies, equality and text, and
the scene-node transform. The geometry itself is covered by the C++ tests."""

import copy

import pytest

import tarnu
from tarnu import (AxisAlignedBox, Bound, Circle, Complex, OrientedBox, ParameterList, Scale,
                   Vector2)


def xy(v):
    return (v.r, v.i) if isinstance(v, Complex) else (v.x, v.y)


def corners(box):
    return (xy(box.getMin()), xy(box.getMax()))


def params(**entries):
    result = ParameterList()
    for name, value in entries.items():
        result.add(name, value)
    return result


def unit_box():
    return AxisAlignedBox(Vector2(0, 0), Vector2(1, 1))


def shapes():
    return [unit_box(), Circle(Vector2(0, 0), 1), OrientedBox(Vector2(0, 0), Vector2(1, 1), Complex.ROT_45)]


# Names that no test calls; the others are exercised below.
NAMES = {
    AxisAlignedBox: "setMin getDimensions getWidth getHeight merge validate",
    OrientedBox: "getOrientation setDimensions setOrientation realign",
}


def test_names_abstract_bound_text_form_constructors_and_exact_equality():
    assert [cls.__name__ + "." + name for cls, names in NAMES.items() for name in names.split()
            if not hasattr(cls, name)] == []
    assert all(issubclass(cls, Bound) for cls in (AxisAlignedBox, Circle, OrientedBox))
    with pytest.raises(RuntimeError):
        Bound()
    assert "__str__" not in vars(Circle) and "__str__" not in vars(OrientedBox)
    box = AxisAlignedBox(Vector2(0, 0), Vector2(1, 2))
    assert str(box) == "<0,0>,<1,2>"
    assert corners(AxisAlignedBox(box)) == ((0, 0), (1, 2))
    assert AxisAlignedBox(min=Vector2(0, 0), max=Vector2(1, 2)) == box
    circle = Circle(Vector2(1, 2), 3)
    assert Circle(circle) == circle and circle.radius == 3
    assert xy(OrientedBox(Vector2(0, 0), Vector2(2, 2)).orientation) == (1, 0)
    assert xy(OrientedBox(Vector2(0, 0), Vector2(2, 2), Complex(0, 3)).orientation) == (0, 1)
    from_box = OrientedBox(AxisAlignedBox(Vector2(0, 0), Vector2(2, 2)), Complex(-4, 0))
    assert xy(from_box.orientation) == (-1, 0) and OrientedBox(from_box) == from_box
    assert OrientedBox(box, Vector2(0, 2)).orientation == Complex(0, 1)
    assert unit_box() != AxisAlignedBox(Vector2(0, 0), Vector2(1, 1 + 1e-12))
    assert OrientedBox(unit_box(), Complex.ROT_90) != OrientedBox(unit_box(), Complex.ROT_270)
    assert not (unit_box() == OrientedBox(unit_box(), Complex.IDENTITY))


def test_kinds_type_names_and_create_new_through_a_bound_reference():
    box, circle, oriented = all_shapes = shapes()
    assert [Bound.getBoundType(s) for s in all_shapes] == [0, 1, 2]
    assert [Bound.getType(s) for s in all_shapes] == ["AxisAlignedBox", "Circle", "OrientedBox"]
    assert [s.isAxisAligned() for s in all_shapes] == [True, False, False]
    Bound.scale(circle, Scale(1, 3))
    assert circle.radius == 2
    Bound.rotate(oriented, Complex.ROT_45)
    oriented.getDimensions().setMax(Vector2(10, 10))  # a copy: the shape keeps its size
    Bound.translate(box, Vector2(1, 0))
    assert str(box.getSweep(Vector2(0, 1))) == "<1,0>,<2,2>"
    low, high = corners(oriented.getAxisAlignedBox())
    assert low == pytest.approx((0, 0), abs=1e-12) and high == pytest.approx((1, 1))
    made = [s.createNew(params(center="<5,5>", dim="<2,2>", radius="2")) for s in shapes()]
    assert [type(m) for m in made] == [AxisAlignedBox, Circle, OrientedBox]
    assert corners(made[0]) == ((4, 4), (6, 6))
    assert made[1] == Circle(Vector2(5, 5), 2)
    assert made[2] == OrientedBox(Vector2(4, 4), Vector2(6, 6))


def test_copies_keep_the_kind_and_the_cached_box_and_are_independent():
    for duplicate in (copy.copy, copy.deepcopy, lambda s: s.createCopy(), lambda s: type(s)(s)):
        for shape in shapes():
            cached = corners(shape.getAxisAlignedBox())
            twin = duplicate(shape)
            assert type(twin) is type(shape) and twin == shape
            assert corners(twin.getAxisAlignedBox()) == cached
            twin.translate(Vector2(1, 0))
            twin.getCenter().x = 9
            assert twin != shape and corners(shape.getAxisAlignedBox()) == cached


def test_oriented_box_world_box_follows_every_move_when_read_between_moves():
    box = OrientedBox(Vector2(0, 0), Vector2(2, 1))
    seen = [corners(box.getAxisAlignedBox())]
    for move, argument in [("translate", Vector2(1, 0)), ("translate", Vector2(1, 0)), ("rotate", Complex.ROT_90),
                           ("rotate", Complex.ROT_90), ("translate", Vector2(0, 1))]:
        getattr(box, move)(argument)
        seen.append(corners(box.getAxisAlignedBox()))
    # Quarter turns about the centre (3, 0.5) swap the half sizes (1, 0.5).
    assert seen == [((0, 0), (2, 1)), ((1, 0), (3, 1)), ((2, 0), (4, 1)), ((2.5, -0.5), (3.5, 1.5)),
                    ((2, 0), (4, 1)), ((2, 1), (4, 2))]


def test_box_corners_and_circle_centre_are_references_and_the_box_keeps_its_extent():
    box = unit_box()
    box.getMin().x = -5
    box.max.y = 7
    assert corners(box) == ((-5, 0), (1, 7))
    infinite = unit_box()
    infinite.setFrom(params(extent="infinite"))
    infinite.min = Vector2(0, 0)
    infinite.setMax(Vector2(1, 1))
    infinite.setCorners(Vector2(0, 0), Vector2(1, 1))
    assert infinite != unit_box()
    infinite.setFrom(params(extent="finite"))
    assert infinite == unit_box()
    circle = Circle(Vector2(1, 1), 2)
    circle.getCenter().x = 4
    circle.center.y = 5
    assert xy(circle.center) == (4, 5)
    circle.radius = 3
    circle.setRadius(circle.getRadius() + 1)
    circle.setCenter(Vector2(0, 0))
    assert circle == Circle(Vector2(0, 0), 4)


@pytest.mark.parametrize("shape, low, high", [
    (AxisAlignedBox(Vector2(1, 1), Vector2(3, 2)), (5, 3), (9, 5)),
    (Circle(Vector2(1, 0), 1), (8, 0), (12, 4)),
    (OrientedBox(Vector2(1, 1), Vector2(3, 2)), (6, 2), (8, 6)),
], ids=["AxisAlignedBox", "Circle", "OrientedBox"])
def test_transform_carries_each_kind_into_the_nodes_world_and_needs_a_node(shape, low, high):
    with pytest.raises(RuntimeError, match="^bound or node was null when trying to transform,$"):
        shape.transform(None)
    # Scale first, then the quarter turn, then the move by (10, 0).
    shape.transform(tarnu.SceneNode.createNew(Vector2(10, 0), Complex.ROT_90, Scale(2, 2)))
    assert corners(shape.getAxisAlignedBox()) == (pytest.approx(low), pytest.approx(high))
    assert xy(getattr(shape, "orientation", Complex(0, 1))) == pytest.approx((0, 1))
