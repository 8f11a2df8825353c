// The value types of the engine's mathematics: vectors, complex rotations and
// scales, held by value. Each operator is registered with the overload order
// Boost.Python needs, since a Vector2 converts implicitly to Complex and Scale.

#include "core/python/Bindings.h"

#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/math/Vector3.h"
#include "core/python/Documentation.h"
#include "core/python/ValueCopies.h"

#include <boost/python.hpp>

namespace Tarnu
{

namespace
{

namespace py = boost::python;
using py::self;

// Constants go out as fresh copies: a script that changes what it was handed
// must not change the engine's constant.
template <class T, const T& constant>
T constantCopy()
{
    return constant;
}

// Boost.Python registers `/` as __truediv__ but `/=` only as __idiv__; Python 3
// looks up __itruediv__, and scripts written against the older names call
// __div__. All of them share one function object.
template <class Class>
void aliasDivision(Class& cls)
{
    cls.attr("__div__") = cls.attr("__truediv__");
    cls.attr("__itruediv__") = cls.attr("__idiv__");
}

template <class Class, class T>
void addTextAndCopies(Class& cls)
{
    cls.def("__copy__", &copyOf<T>)
        .def("__deepcopy__", &deepCopyOf<T>)
        .def("__str__", &T::toString)
        .def("toString", &T::toString, "toString(): The value as the text that parameter lists read.");
}

/// What Vector2 and Vector3 share: arithmetic with vectors and numbers, and the vector methods.
template <class Vector>
void defineVectorOperations(py::class_<Vector>& cls)
{
    cls.def(self + self)
        .def(self - self)
        .def(self += self)
        .def(self -= self)
        .def(self * double())
        .def(double() * self)
        .def(self *= double())
        .def(self / double())
        .def(self /= double())
        .def(-self)
        .def(self == self)
        .def(self != self)
        .def("dot", &Vector::dot, "dot(other): The dot product with another vector.")
        .def("magnitude", &Vector::magnitude, "magnitude(): The vector's length.")
        .def("squaredMagnitude", &Vector::squaredMagnitude,
             "squaredMagnitude(): The square of the vector's length, cheaper than magnitude.")
        .def("distance", &Vector::distance, "distance(other): The distance to another point.")
        .def("squaredDistance", &Vector::squaredDistance,
             "squaredDistance(other): The square of the distance to another point, cheaper than distance.")
        .def("midpoint", &Vector::midpoint, "midpoint(other): The point halfway to another point.")
        .def("minimum", &Vector::minimum,
             "minimum(other): The smaller of the two vectors' values, axis by axis.")
        .def("maximum", &Vector::maximum,
             "maximum(other): The larger of the two vectors' values, axis by axis.")
        .def("unit", &Vector::unit, "unit(): A vector of length 1 in the same direction.")
        .def("normalize", &Vector::normalize, py::return_self<>(),
             "normalize(): Makes this vector's length 1 in place; answers the vector.")
        .def("clampMin", &Vector::clampMin, py::return_self<>(),
             "clampMin(minimum): Raises each value below the other vector's to it, in place; answers the vector.")
        .def("clampMax", &Vector::clampMax, py::return_self<>(),
             "clampMax(maximum): Lowers each value above the other vector's to it, in place; answers the vector.");
}

void exportVector2()
{
    py::class_<Vector2> cls("Vector2",
                            "A 2D point or direction: x to the right, y up, in world units (a camera the size of the "
                            "window makes them pixels). Written \"<x,y>\" in parameter lists.",
                            py::init<double, double>(py::args("x", "y"), "Vector2(x, y): The vector (x, y)."));
    cls.def(py::init<const Vector2&>("Vector2(other): A copy of another vector."))
        .def_readwrite("x", &Vector2::x, "The horizontal value, growing to the right.")
        .def_readwrite("y", &Vector2::y, "The vertical value, growing upwards.");
    defineVectorOperations(cls);
    // Boost.Python tries overloads last to first. A Vector2 operand converts to
    // both Complex and Scale; Scale first multiplies it component-wise instead
    // of turning it into a direction.
    cls.def(self *= py::other<Complex>())
        .def(self *= py::other<Scale>());
    addConstant(cls, "ZERO", &constantCopy<Vector2, Vector2::ZERO>, "The vector <0,0>, a fresh copy each time.");
    addConstant(cls, "UNIT_X", &constantCopy<Vector2, Vector2::UNIT_X>, "The vector <1,0>, a fresh copy each time.");
    addConstant(cls, "UNIT_Y", &constantCopy<Vector2, Vector2::UNIT_Y>, "The vector <0,1>, a fresh copy each time.");
    addConstant(cls, "NEGATIVE_UNIT_X", &constantCopy<Vector2, Vector2::NEGATIVE_UNIT_X>,
                "The vector <-1,0>, a fresh copy each time.");
    addConstant(cls, "NEGATIVE_UNIT_Y", &constantCopy<Vector2, Vector2::NEGATIVE_UNIT_Y>,
                "The vector <0,-1>, a fresh copy each time.");
    addTextAndCopies<decltype(cls), Vector2>(cls);
    aliasDivision(cls);
}

void exportVector3()
{
    py::class_<Vector3> cls("Vector3", "Three numbers x, y and z; written \"(x,y,z)\" in parameter lists.",
                            py::init<double, double, double>(py::args("x", "y", "z"),
                                                             "Vector3(x, y, z): The vector (x, y, z)."));
    cls.def(py::init<const Vector2&, double>(py::args("xy", "z"), "Vector3(xy, z): x and y from a Vector2, and z."))
        .def(py::init<const Vector3&>("Vector3(other): A copy of another vector."))
        .def_readwrite("x", &Vector3::x, "The first value.")
        .def_readwrite("y", &Vector3::y, "The second value.")
        .def_readwrite("z", &Vector3::z, "The third value.");
    defineVectorOperations(cls);
    addConstant(cls, "ZERO", &constantCopy<Vector3, Vector3::ZERO>, "The vector (0,0,0), a fresh copy each time.");
    addConstant(cls, "UNIT_X", &constantCopy<Vector3, Vector3::UNIT_X>, "The vector (1,0,0), a fresh copy each time.");
    addConstant(cls, "UNIT_Y", &constantCopy<Vector3, Vector3::UNIT_Y>, "The vector (0,1,0), a fresh copy each time.");
    addConstant(cls, "UNIT_Z", &constantCopy<Vector3, Vector3::UNIT_Z>, "The vector (0,0,1), a fresh copy each time.");
    addConstant(cls, "NEGATIVE_UNIT_X", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_X>,
                "The vector (-1,0,0), a fresh copy each time.");
    addConstant(cls, "NEGATIVE_UNIT_Y", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_Y>,
                "The vector (0,-1,0), a fresh copy each time.");
    addConstant(cls, "NEGATIVE_UNIT_Z", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_Z>,
                "The vector (0,0,-1), a fresh copy each time.");
    addTextAndCopies<decltype(cls), Vector3>(cls);
    aliasDivision(cls);
}

void exportComplex()
{
    py::class_<Complex> cls(
        "Complex",
        "A rotation as a complex number of length 1 (cosine, sine); times a Vector2 it turns the vector "
        "anticlockwise. Written \"(r,i)\" in parameter lists.",
        py::init<double, double>(py::args("r", "i"), "Complex(r, i): The complex number r + i j, taken as it is."));
    cls.def(py::init<double>(py::args("angle"), "Complex(angle): The rotation by angle radians, anticlockwise."))
        .def(py::init<const Vector2&>(py::args("direction"),
                                      "Complex(direction): The rotation that turns UNIT_X towards direction."))
        .def(py::init<const Complex&>("Complex(other): A copy of another rotation."))
        .def_readwrite("r", &Complex::r, "The real part: the cosine of the angle.")
        .def_readwrite("i", &Complex::i, "The imaginary part: the sine of the angle.")
        .def(self + self)
        .def(self - self)
        .def(self += self)
        .def(self -= self)
        .def(self * self)
        // Registered after the complex product so that it is tried first: a
        // Vector2 would otherwise convert to a Complex and be multiplied as one.
        .def(self * py::other<Vector2>())
        .def(py::other<Vector2>() * self)
        .def(self *= self)
        .def(-self)
        .def(self == self)
        .def(self != self)
        .def("norm", &Complex::norm, "norm(): The square of the length: r*r + i*i.")
        .def("modulus", &Complex::modulus, "modulus(): The length: the square root of norm.")
        .def("unit", &Complex::unit, "unit(): The same rotation scaled to length 1.")
        .def("conjugate", &Complex::conjugate, "conjugate(): The opposite rotation.")
        .def("getAngle", &Complex::getAngle, "getAngle(): The angle in radians, from -pi to pi.")
        .def("setAngle", &Complex::setAngle,
             "setAngle(angle): Makes this the rotation by angle radians.")
        .def("normalize", &Complex::normalize, py::return_self<>(),
             "normalize(): Scales this rotation to length 1 in place; answers it.");
    addConstant(cls, "IDENTITY", &constantCopy<Complex, Complex::IDENTITY>,
                "No rotation (1,0), a fresh copy each time.");
    addConstant(cls, "ROT_45", &constantCopy<Complex, Complex::ROT_45>,
                "An eighth of a turn anticlockwise, a fresh copy each time.");
    addConstant(cls, "ROT_90", &constantCopy<Complex, Complex::ROT_90>,
                "A quarter turn anticlockwise (0,1), a fresh copy each time.");
    addConstant(cls, "ROT_180", &constantCopy<Complex, Complex::ROT_180>,
                "A half turn (-1,0), a fresh copy each time.");
    addConstant(cls, "ROT_270", &constantCopy<Complex, Complex::ROT_270>,
                "Three quarter turns anticlockwise (0,-1), a fresh copy each time.");
    addTextAndCopies<decltype(cls), Complex>(cls);
    py::implicitly_convertible<Vector2, Complex>();
}

void exportScale()
{
    py::class_<Scale> cls("Scale",
                          "A scale factor for each axis; written \"(x,y)\", or one number, in parameter lists.",
                          py::init<double, double>(py::args("x", "y"), "Scale(x, y): Scales x and y apart."));
    cls.def(py::init<double>(py::args("factor"), "Scale(factor): The same factor on both axes."))
        .def(py::init<const Vector2&>(py::args("factors"), "Scale(factors): The factors of a vector's x and y."))
        .def(py::init<const Scale&>("Scale(other): A copy of another scale."))
        .def_readwrite("x", &Scale::x, "The horizontal factor.")
        .def_readwrite("y", &Scale::y, "The vertical factor.")
        .def(self * self)
        .def(self * double())
        // After the scale product, for the same reason as in Complex.
        .def(self * py::other<Vector2>())
        .def(double() * self)
        .def(py::other<Vector2>() * self)
        .def(self *= self)
        .def(self *= double())
        .def(self / self)
        .def(self / double())
        .def(self /= self)
        .def(self /= double())
        .def(-self)
        .def(self == self)
        .def(self != self);
    addConstant(cls, "IDENTITY", &constantCopy<Scale, Scale::IDENTITY>, "No scaling (1,1), a fresh copy each time.");
    addConstant(cls, "ZERO", &constantCopy<Scale, Scale::ZERO>, "The scale (0,0), a fresh copy each time.");
    addTextAndCopies<decltype(cls), Scale>(cls);
    aliasDivision(cls);
    py::implicitly_convertible<Vector2, Scale>();
}

}

void exportMathBindings()
{
    exportVector2();
    exportVector3();
    exportComplex();
    exportScale();
}

}
