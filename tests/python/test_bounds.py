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


BOUND_NAMES = """getType createNew createCopy getBoundType translate rotate scale transform
    isAxisAligned getAxisAlignedBox getSweep setEqual setFrom""".split()
SHAPE_NAMES = "__eq__ __ne__ __copy__ __deepcopy__".split()
NAMES = {
    Bound: BOUND_NAMES,
    AxisAlignedBox: BOUND_NAMES + SHAPE_NAMES + """min max getMin getMax setMin setMax setCorners
        getCenter getDimensions getWidth getHeight merge validate __str__""".split(),
    Circle: BOUND_NAMES + SHAPE_NAMES + """center radius getCenter getRadius setCenter
        setRadius""".split(),
    OrientedBox: BOUND_NAMES + SHAPE_NAMES + """dimensions orientation getDimensions
        getOrientation getCenter setDimensions setOrientation realign""".split(),
}


@pytest.mark.parametrize("cls", list(NAMES), ids=lambda cls: cls.__name__)
def test_every_listed_name_exists(cls):
    assert [name for name in NAMES[cls] if not hasattr(cls, name)] == []


def test_shapes_are_bounds_and_bound_is_abstract():
    for cls in (AxisAlignedBox, Circle, OrientedBox):
        assert issubclass(cls, Bound)
    with pytest.raises(RuntimeError):
        Bound()
    assert "__str__" not in vars(Circle) and "__str__" not in vars(OrientedBox)


def test_constructor_forms():
    box = AxisAlignedBox(Vector2(0, 0), Vector2(1, 2))
    assert corners(AxisAlignedBox(box)) == ((0, 0), (1, 2))
    assert AxisAlignedBox(min=Vector2(0, 0), max=Vector2(1, 2)) == box

    circle = Circle(Vector2(1, 2), 3)
    assert Circle(circle) == circle and circle.radius == 3

    plain = OrientedBox(Vector2(0, 0), Vector2(2, 2))
    assert xy(plain.orientation) == (1, 0)
    turned = OrientedBox(Vector2(0, 0), Vector2(2, 2), Complex(0, 3))
    assert xy(turned.orientation) == (0, 1)
    from_box = OrientedBox(AxisAlignedBox(Vector2(0, 0), Vector2(2, 2)), Complex(-4, 0))
    assert xy(from_box.orientation) == (-1, 0)
    assert OrientedBox(from_box) == from_box
    assert OrientedBox(box, Vector2(0, 2)).orientation == Complex(0, 1)


def test_kinds_and_type_names_through_a_bound_reference():
    shapes = [unit_box(), Circle(Vector2(0, 0), 1), OrientedBox(Vector2(0, 0), Vector2(1, 1))]
    assert [Bound.getBoundType(s) for s in shapes] == [0, 1, 2]
    assert [Bound.getType(s) for s in shapes] == ["AxisAlignedBox", "Circle", "OrientedBox"]
    assert [s.isAxisAligned() for s in shapes] == [True, False, False]

    box, circle, oriented = shapes
    Bound.scale(circle, Scale(1, 3))
    assert circle.radius == 2
    Bound.rotate(oriented, Complex.ROT_90)
    Bound.translate(box, Vector2(1, 0))
    assert str(box.getSweep(Vector2(0, 1))) == "<1,0>,<2,2>"
    assert str(oriented.getAxisAlignedBox()) == "<0,0>,<1,1>"


def test_create_new_and_copy_keep_the_kind_and_are_independent():
    shapes = [unit_box(), Circle(Vector2(0, 0), 1), OrientedBox(Vector2(0, 0), Vector2(1, 1))]
    made = [s.createNew(params(center="<5,5>", dim="<2,2>", radius="2")) for s in shapes]
    assert [type(m) for m in made] == [AxisAlignedBox, Circle, OrientedBox]
    assert corners(made[0]) == ((4, 4), (6, 6))
    assert made[1] == Circle(Vector2(5, 5), 2)
    assert made[2] == OrientedBox(Vector2(4, 4), Vector2(6, 6))

    for shape in shapes:
        twin = shape.createCopy()
        assert type(twin) is type(shape) and twin == shape
        twin.translate(Vector2(1, 0))
        assert twin != shape


def test_box_corners_are_references_and_keep_the_extent():
    box = unit_box()
    box.getMin().x = -5
    box.max.y = 7
    assert corners(box) == ((-5, 0), (1, 7))

    infinite = unit_box()
    infinite.setFrom(params(extent="infinite"))
    assert infinite != unit_box()
    infinite.min = Vector2(0, 0)
    infinite.setMax(Vector2(1, 1))
    infinite.setCorners(Vector2(0, 0), Vector2(1, 1))
    assert infinite != unit_box()
    infinite.setFrom(params(extent="finite"))
    assert infinite == unit_box()


def test_box_text_merge_overloads_and_copies():
    box = AxisAlignedBox(Vector2(0, 0), Vector2(1, 2))
    assert str(box) == "<0,0>,<1,2>"
    grown = AxisAlignedBox(box)
    grown.merge(Vector2(-1, 0))
    grown.merge(AxisAlignedBox(Vector2(0, 0), Vector2(3, 1)))
    assert str(grown) == "<-1,0>,<3,2>"
    for twin in (copy.copy(box), copy.deepcopy(box)):
        assert twin == box
        twin.getMin().x = 9
        assert box.getMin().x == 0


def test_circle_centre_is_a_reference_and_copies_are_not():
    circle = Circle(Vector2(1, 1), 2)
    circle.getCenter().x = 4
    circle.center.y = 5
    assert xy(circle.center) == (4, 5)
    circle.radius = 3
    circle.setRadius(circle.getRadius() + 1)
    circle.setCenter(Vector2(0, 0))
    assert circle == Circle(Vector2(0, 0), 4)
    twin = copy.deepcopy(circle)
    twin.getCenter().x = 1
    assert circle.getCenter().x == 0 and twin != circle


def test_oriented_box_fields_are_copies_so_its_corners_stay_current():
    oriented = OrientedBox(Vector2(0, 0), Vector2(2, 2))
    before = corners(oriented.getAxisAlignedBox())
    oriented.getDimensions().setMax(Vector2(10, 10))
    oriented.dimensions.max = Vector2(10, 10)
    oriented.getOrientation().r = 0
    assert corners(oriented.getAxisAlignedBox()) == before
    assert oriented == OrientedBox(Vector2(0, 0), Vector2(2, 2))

    oriented.dimensions = AxisAlignedBox(Vector2(0, 0), Vector2(4, 2))
    assert corners(oriented.getAxisAlignedBox()) == ((0, 0), (4, 2))
    oriented.orientation = Complex(0, 2)
    low, high = corners(oriented.getAxisAlignedBox())
    assert low == pytest.approx((1, -1)) and high == pytest.approx((3, 3))
    oriented.orientation = oriented.orientation
    assert corners(oriented.getAxisAlignedBox()) == (low, high)
    assert xy(oriented.getCenter()) == (2, 1)

    oriented.realign()
    assert corners(oriented.getAxisAlignedBox()) == ((0, 0), (4, 2))
    oriented.setDimensions(unit_box())
    oriented.setOrientation(Complex.ROT_180)
    assert oriented == OrientedBox(unit_box(), Complex.ROT_180)


def test_oriented_box_copies_include_the_cached_box():
    oriented = OrientedBox(Vector2(-1, -1), Vector2(1, 1), Complex.ROT_45)
    cached = corners(oriented.getAxisAlignedBox())
    for twin in (copy.copy(oriented), copy.deepcopy(oriented), oriented.createCopy()):
        assert twin == oriented
        assert corners(twin.getAxisAlignedBox()) == cached
        twin.translate(Vector2(1, 0))
        assert corners(oriented.getAxisAlignedBox()) == cached


def test_equality_is_exact_and_set_equal_needs_the_same_kind():
    assert unit_box() != AxisAlignedBox(Vector2(0, 0), Vector2(1, 1 + 1e-12))
    assert OrientedBox(unit_box(), Complex.ROT_90) != OrientedBox(unit_box(), Complex.ROT_270)
    assert not (unit_box() == OrientedBox(unit_box(), Complex.IDENTITY))

    circle = Circle(Vector2(1, 1), 1)
    circle.setEqual(unit_box())
    assert circle == Circle(Vector2(1, 1), 1)
    circle.setEqual(Circle(Vector2(2, 2), 3))
    assert circle == Circle(Vector2(2, 2), 3)


def test_parameter_list_reads_a_box_in_its_text_form():
    list_ = params(b="<0,0>,<1,2>", bad="<0,0>")
    box = unit_box()
    assert list_.get("b", box) == ParameterList.SUCCESS
    assert corners(box) == ((0, 0), (1, 2))
    assert list_.get("bad", box) == ParameterList.INVALID_TYPE
    assert list_.get("missing", box) == ParameterList.NO_ELEMENT
    assert corners(box) == ((0, 0), (1, 2))
    list_.getThrowOnFail("b", box, "")
    with pytest.raises(RuntimeError, match="^Unable to convert parameter 'bad' to class Tarnu::AxisAlignedBox$"):
        list_.getThrowOnFail("bad", box, "")


def test_transform_without_a_node_raises():
    for shape in (unit_box(), Circle(Vector2(0, 0), 1), OrientedBox(Vector2(0, 0), Vector2(1, 1))):
        with pytest.raises(RuntimeError, match="^bound or node was null when trying to transform,$"):
            shape.transform(None)


def test_transform_carries_each_kind_into_the_nodes_world():
    # Scale first, then the quarter turn, then the move by (10, 0).
    node = tarnu.SceneNode.createNew(Vector2(10, 0), Complex.ROT_90, Scale(2, 2))
    box = AxisAlignedBox(Vector2(1, 1), Vector2(3, 2))
    box.transform(node)
    low, high = corners(box)
    assert low == pytest.approx((5, 3)) and high == pytest.approx((9, 5))

    circle = Circle(Vector2(1, 0), 1)
    circle.transform(node)
    assert xy(circle.center) == pytest.approx((10, 2)) and circle.radius == 2

    oriented = OrientedBox(Vector2(1, 1), Vector2(3, 2))
    oriented.transform(node)
    assert xy(oriented.getCenter()) == pytest.approx((7, 4))
    assert xy(oriented.orientation) == pytest.approx((0, 1))
