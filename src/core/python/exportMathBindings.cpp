// The value types of the engine's mathematics: vectors, complex rotations and
// scales, held by value. Each operator is registered with the overload order
// Boost.Python needs, since a Vector2 converts implicitly to Complex and Scale.

#include "core/python/Bindings.h"

#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/math/Vector3.h"
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
        .def("toString", &T::toString);
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
        .def("dot", &Vector::dot)
        .def("magnitude", &Vector::magnitude)
        .def("squaredMagnitude", &Vector::squaredMagnitude)
        .def("distance", &Vector::distance)
        .def("squaredDistance", &Vector::squaredDistance)
        .def("midpoint", &Vector::midpoint)
        .def("minimum", &Vector::minimum)
        .def("maximum", &Vector::maximum)
        .def("unit", &Vector::unit)
        .def("normalize", &Vector::normalize, py::return_self<>())
        .def("clampMin", &Vector::clampMin, py::return_self<>())
        .def("clampMax", &Vector::clampMax, py::return_self<>());
}

void exportVector2()
{
    py::class_<Vector2> cls("Vector2", py::init<double, double>(py::args("x", "y")));
    cls.def(py::init<const Vector2&>())
        .def_readwrite("x", &Vector2::x)
        .def_readwrite("y", &Vector2::y);
    defineVectorOperations(cls);
    // Boost.Python tries overloads last to first. A Vector2 operand converts to
    // both Complex and Scale; Scale first multiplies it component-wise instead
    // of turning it into a direction.
    cls.def(self *= py::other<Complex>())
        .def(self *= py::other<Scale>())
        .add_static_property("ZERO", &constantCopy<Vector2, Vector2::ZERO>)
        .add_static_property("UNIT_X", &constantCopy<Vector2, Vector2::UNIT_X>)
        .add_static_property("UNIT_Y", &constantCopy<Vector2, Vector2::UNIT_Y>)
        .add_static_property("NEGATIVE_UNIT_X", &constantCopy<Vector2, Vector2::NEGATIVE_UNIT_X>)
        .add_static_property("NEGATIVE_UNIT_Y", &constantCopy<Vector2, Vector2::NEGATIVE_UNIT_Y>);
    addTextAndCopies<decltype(cls), Vector2>(cls);
    aliasDivision(cls);
}

void exportVector3()
{
    py::class_<Vector3> cls("Vector3", py::init<double, double, double>(py::args("x", "y", "z")));
    cls.def(py::init<const Vector2&, double>(py::args("xy", "z")))
        .def(py::init<const Vector3&>())
        .def_readwrite("x", &Vector3::x)
        .def_readwrite("y", &Vector3::y)
        .def_readwrite("z", &Vector3::z);
    defineVectorOperations(cls);
    cls.add_static_property("ZERO", &constantCopy<Vector3, Vector3::ZERO>)
        .add_static_property("UNIT_X", &constantCopy<Vector3, Vector3::UNIT_X>)
        .add_static_property("UNIT_Y", &constantCopy<Vector3, Vector3::UNIT_Y>)
        .add_static_property("UNIT_Z", &constantCopy<Vector3, Vector3::UNIT_Z>)
        .add_static_property("NEGATIVE_UNIT_X", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_X>)
        .add_static_property("NEGATIVE_UNIT_Y", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_Y>)
        .add_static_property("NEGATIVE_UNIT_Z", &constantCopy<Vector3, Vector3::NEGATIVE_UNIT_Z>);
    addTextAndCopies<decltype(cls), Vector3>(cls);
    aliasDivision(cls);
}

void exportComplex()
{
    py::class_<Complex> cls("Complex", py::init<double, double>(py::args("r", "i")));
    cls.def(py::init<double>(py::args("angle")))
        .def(py::init<const Vector2&>(py::args("direction")))
        .def(py::init<const Complex&>())
        .def_readwrite("r", &Complex::r)
        .def_readwrite("i", &Complex::i)
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
        .def("norm", &Complex::norm)
        .def("modulus", &Complex::modulus)
        .def("unit", &Complex::unit)
        .def("conjugate", &Complex::conjugate)
        .def("getAngle", &Complex::getAngle)
        .def("setAngle", &Complex::setAngle)
        .def("normalize", &Complex::normalize, py::return_self<>())
        .add_static_property("IDENTITY", &constantCopy<Complex, Complex::IDENTITY>)
        .add_static_property("ROT_45", &constantCopy<Complex, Complex::ROT_45>)
        .add_static_property("ROT_90", &constantCopy<Complex, Complex::ROT_90>)
        .add_static_property("ROT_180", &constantCopy<Complex, Complex::ROT_180>)
        .add_static_property("ROT_270", &constantCopy<Complex, Complex::ROT_270>);
    addTextAndCopies<decltype(cls), Complex>(cls);
    py::implicitly_convertible<Vector2, Complex>();
}

void exportScale()
{
    py::class_<Scale> cls("Scale", py::init<double, double>(py::args("x", "y")));
    cls.def(py::init<double>(py::args("factor")))
        .def(py::init<const Vector2&>(py::args("factors")))
        .def(py::init<const Scale&>())
        .def_readwrite("x", &Scale::x)
        .def_readwrite("y", &Scale::y)
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
        .def(self != self)
        .add_static_property("IDENTITY", &constantCopy<Scale, Scale::IDENTITY>)
        .add_static_property("ZERO", &constantCopy<Scale, Scale::ZERO>);
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
