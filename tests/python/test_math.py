"""What a game script sees of the engine's math values: names, in-place
behaviour, by-value constants, conversions and text forms. The arithmetic
itself is covered by the C++ tests."""

import copy
import math
import operator

import pytest

from tarnu import Complex, Scale, Vector2, Vector3


def xy(v):
    return (v.r, v.i) if isinstance(v, Complex) else (v.x, v.y)


VECTOR = "__div__ __idiv__ UNIT_Y NEGATIVE_UNIT_X NEGATIVE_UNIT_Y "
NAMES = {
    Vector2: VECTOR, Vector3: VECTOR + "UNIT_Z NEGATIVE_UNIT_Z", Scale: "__div__ __idiv__ ZERO",
    Complex: "unit conjugate norm modulus getAngle normalize setAngle ROT_180 ROT_270",
}


def test_listed_names_constructor_forms_and_independent_copies():
    assert [cls.__name__ + "." + name for cls, names in NAMES.items() for name in names.split()
            if not hasattr(cls, name)] == []
    assert (Vector3(Vector2(1, 2), 3).z, Vector3(Vector3(4, 5, 6)).x) == (3, 4)
    assert xy(Complex(math.pi / 2)) == (math.cos(math.pi / 2), 1.0)
    assert (xy(Complex(Vector2(-3, 4))), xy(Complex(Complex(3, 4)))) == ((-0.6, 0.8), (3, 4))
    assert (xy(Scale(3)), xy(Scale(Vector2(2, 5))), xy(Scale(Scale(7, 8)))) == ((3, 3), (2, 5), (7, 8))
    for original in (Vector2(1, 2), Vector3(1, 2, 3), Complex(1, 2), Scale(1, 2)):
        field = "r" if isinstance(original, Complex) else "x"
        for duplicate in (type(original)(original), copy.copy(original), copy.deepcopy(original)):
            assert duplicate == original and duplicate is not original
            setattr(duplicate, field, 99)
            assert getattr(original, field) == 1


def test_constants_are_copies_and_cannot_be_assigned():
    mine = Vector2.ZERO
    mine.x = 5
    mine += Vector2(1, 1)
    Complex.IDENTITY.setAngle(1.0)
    Vector3.UNIT_X.normalize().x = 7
    assert (xy(Vector2.ZERO), xy(Complex.IDENTITY), Vector3.UNIT_X.x) == ((0, 0), (1, 0), 1)
    assert xy(Scale.IDENTITY) == (1, 1)
    assert xy(Complex.ROT_45) == (1.0 / math.sqrt(2.0), 1.0 / math.sqrt(2.0))
    for cls, name in ((Vector2, "ZERO"), (Vector3, "UNIT_Z"), (Complex, "ROT_90"), (Scale, "IDENTITY")):
        with pytest.raises(AttributeError):
            setattr(cls, name, getattr(cls, name))
        with pytest.raises(AttributeError):
            setattr(getattr(cls, name), name, None)


def test_text_forms_exact_comparisons_mixed_products_and_division_by_zero():
    assert str(Vector2(1, 2.5)) == "<1,2.5>" == Vector2(1, 2.5).toString()
    assert (str(Complex.IDENTITY), str(Vector3(1, -2, 1.0 / 3))) == ("(1,0)", "(1,-2,0.333333)")
    assert str(Scale(1234567)) == "(1.23457e+06,1.23457e+06)"
    nan = Vector2(float("nan"), 0)
    assert Vector2.ZERO == Vector2(-0.0, 0.0) and not nan == nan and nan != nan
    assert Complex(0.1 + 0.2, 0) != Complex(0.3, 0) and Vector2(1, 2) != (1, 2)
    for product in (Vector2(1, 0) * Complex.ROT_90, Complex.ROT_90 * Vector2(1, 0)):
        assert type(product) is Vector2 and xy(product) == (0, 1)
    for product in (Vector2(2, 3) * Scale(2, 10), Scale(2, 10) * Vector2(2, 3)):
        assert type(product) is Vector2 and xy(product) == (4, 30)
    assert xy(Complex(1, 2) * Complex(3, 4)) == (-5, 10)
    assert xy(2 * Scale(1, 3) / Scale(2, 2)) == (1, 3)
    assert xy(Vector2(1, -1) / 0) == (math.inf, -math.inf)


def values(v):
    return (v.x, v.y, v.z) if isinstance(v, Vector3) else xy(v)


def test_vector3_arithmetic_and_distances_give_hand_worked_numbers():
    a, b = Vector3(1, 2, 3), Vector3(4, 6, 15)  # b - a = (3, 4, 12), of length 13
    assert [values(v) for v in (a + b, b - a, a * 2, 0.5 * a, a / 4, -a)] == [
        (5, 8, 18), (3, 4, 12), (2, 4, 6), (0.5, 1, 1.5), (0.25, 0.5, 0.75), (-1, -2, -3)]
    assert (a.dot(b), (b - a).magnitude(), (b - a).squaredMagnitude()) == (61, 13, 169)
    assert (a.distance(b), b.squaredDistance(a), values(a.midpoint(b))) == (13, 169, (2.5, 4, 9))
    other = Vector3(5, 0, 3)
    assert (values(a.minimum(other)), values(a.maximum(other))) == ((1, 0, 3), (5, 2, 3))
    assert values((b - a).unit()) == pytest.approx((3 / 13, 4 / 13, 12 / 13))
    assert values((b - a).normalize()) == pytest.approx((3 / 13, 4 / 13, 12 / 13))


# Bounds whose components differ show a clamp that bounds every component by one of them.
@pytest.mark.parametrize("v, low, high, raised, lowered", [
    (Vector2(1, 5), Vector2(2, 3), Vector2(4, 4), (2, 5), (2, 4)),
    (Vector2(0, 0), Vector2(3, 7), Vector2(1, 9), (3, 7), (1, 7)),
    (Vector2(4, 1), Vector2(6, 0), Vector2(5, 10), (6, 1), (5, 1)),
    (Vector2(9, 4), Vector2(3, 6), Vector2(10, 5), (9, 6), (9, 5)),
    (Vector3(1, 5, 3), Vector3(2, 3, 3), Vector3(4, 4, 0), (2, 5, 3), (2, 4, 0)),
    (Vector3(0, 0, 0), Vector3(3, 7, 5), Vector3(1, 9, 4), (3, 7, 5), (1, 7, 4)),
    (Vector3(9, 4, 1), Vector3(3, 6, 2), Vector3(10, 5, 0), (9, 6, 2), (9, 5, 0)),
], ids=["Vector2", "Vector2 bounds per axis", "Vector2 x between its bounds' x and y",
        "Vector2 y between its bounds' x and y", "Vector3", "Vector3 bounds per axis",
        "Vector3 y between its bounds' x and y"])
def test_clamps_raise_or_lower_each_component_on_its_own_in_place(v, low, high, raised, lowered):
    assert v.clampMin(low) is v and values(v) == raised
    assert v.clampMax(high) is v and values(v) == lowered


def test_in_place_operators_keep_the_same_object():
    v = original = Vector2(1, 2)
    v *= Complex.ROT_180
    assert xy(v) == (-1, -2)
    v += Vector2(3, 3)
    v /= 4
    v *= Scale(2, -1)
    assert v is original and xy(v) == (1, -0.25)
    w = original = Vector3(1, 2, 3)
    w -= Vector3(1, 1, 1)
    w /= 0.5
    assert w is original and (w.x, w.y, w.z) == (0, 2, 4)
    c = original = Complex(1, 2)
    c *= Complex(3, 4)
    c -= Complex(0, 10)
    c *= Vector2(0, 2)
    assert c is original and xy(c) == (0, -5)
    s = original = Scale(2, 4)
    s /= Scale(4, 4)
    s *= 2
    s *= Vector2(3, 4)
    assert s is original and xy(s) == (3, 8)


@pytest.mark.parametrize("operation", [
    lambda v: v + 3, lambda v: v * "a", lambda v: v * Vector2(1, 2), lambda v: v - Complex(1, 0),
    lambda v: Vector3(1, 2, 3) * v, lambda v: Complex(1, 0) / 2, lambda v: Scale(1, 2) + Scale(1, 2),
    lambda v: Vector2("a", 2), lambda v: operator.iadd(v, 1),
])
def test_operand_of_another_type_is_a_type_error_and_changes_nothing(operation):
    v = Vector2(1, 2)
    with pytest.raises(TypeError):
        operation(v)
    assert xy(v) == (1, 2)
