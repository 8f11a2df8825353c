// Bounds for game scripts: the abstract Bound and the three shapes, held by
// value. Fields of an oriented box go out as copies, since a script that edited
// them in place would leave the box's cached corners stale; the corners of the
// other shapes have no cache and go out as references into the shape.

#include "core/ParameterList.h"
#include "core/math/AxisAlignedBox.h"
#include "core/math/Circle.h"
#include "core/math/Intersection.h"
#include "core/math/OrientedBox.h"
#include "core/math/Scale.h"
#include "core/python/Bindings.h"
#include "core/python/ValueCopies.h"
#include "scene/SceneNode.h"

#include <boost/python.hpp>

namespace Tarnu
{

namespace
{

namespace py = boost::python;
using py::self;

using Reference = py::return_internal_reference<>;
using Copy = py::return_value_policy<py::copy_const_reference>;

// Python owns the bounds the engine makes for it.
Bound* newBoundLike(const Bound& bound, const ParameterList& params)
{
    return bound.createNew(params).release();
}

Bound* copyOfBound(const Bound& bound)
{
    return bound.createCopy().release();
}

template <class Class, class T>
void addComparisonAndCopies(Class& cls)
{
    cls.def(self == self)
        .def(self != self)
        .def("__copy__", &copyOf<T>)
        .def("__deepcopy__", &deepCopyOf<T>);
}

void exportBound()
{
    using Owned = py::return_value_policy<py::manage_new_object>;
    py::class_<Bound, boost::noncopyable>("Bound", py::no_init)
        .def("getType", &Bound::getType, Copy())
        .def("createNew", &newBoundLike, Owned())
        .def("createCopy", &copyOfBound, Owned())
        .def("getBoundType", &Bound::getBoundType)
        .def("translate", &Bound::translate)
        .def("rotate", &Bound::rotate)
        .def("scale", &Bound::scale)
        .def("transform", static_cast<void (*)(Bound*, const std::shared_ptr<SceneNode>&)>(&transform))
        .def("isAxisAligned", &Bound::isAxisAligned)
        .def("getAxisAlignedBox", &Bound::getAxisAlignedBox)
        .def("getSweep", &Bound::getSweep)
        .def("setEqual", &Bound::setEqual)
        .def("setFrom", &Bound::setFrom);
}

void exportAxisAlignedBox()
{
    using Corner = Vector2& (AxisAlignedBox::*)();
    using MergeBox = void (AxisAlignedBox::*)(const AxisAlignedBox&);
    using MergePoint = void (AxisAlignedBox::*)(const Vector2&);
    const auto min = py::make_function(static_cast<Corner>(&AxisAlignedBox::getMin), Reference());
    const auto max = py::make_function(static_cast<Corner>(&AxisAlignedBox::getMax), Reference());

    py::class_<AxisAlignedBox, py::bases<Bound>> cls(
        "AxisAlignedBox", py::init<const Vector2&, const Vector2&>(py::args("min", "max")));
    cls.def(py::init<const AxisAlignedBox&>())
        .add_property("min", min, &AxisAlignedBox::setMin)
        .add_property("max", max, &AxisAlignedBox::setMax)
        .def("getMin", min)
        .def("getMax", max)
        .def("setMin", &AxisAlignedBox::setMin)
        .def("setMax", &AxisAlignedBox::setMax)
        .def("setCorners", &AxisAlignedBox::setCorners)
        .def("getCenter", &AxisAlignedBox::getCenter)
        .def("getDimensions", &AxisAlignedBox::getDimensions)
        .def("getWidth", &AxisAlignedBox::getWidth)
        .def("getHeight", &AxisAlignedBox::getHeight)
        .def("merge", static_cast<MergeBox>(&AxisAlignedBox::merge))
        .def("merge", static_cast<MergePoint>(&AxisAlignedBox::merge))
        .def("validate", &AxisAlignedBox::validate)
        .def("__str__", &AxisAlignedBox::toString);
    addComparisonAndCopies<decltype(cls), AxisAlignedBox>(cls);
}

void exportCircle()
{
    using Center = Vector2& (Circle::*)();
    const auto center = py::make_function(static_cast<Center>(&Circle::getCenter), Reference());

    py::class_<Circle, py::bases<Bound>> cls("Circle", py::init<const Vector2&, double>(py::args("center", "radius")));
    cls.def(py::init<const Circle&>())
        .add_property("center", center, &Circle::setCenter)
        .add_property("radius", &Circle::getRadius, &Circle::setRadius)
        .def("getCenter", center)
        .def("getRadius", &Circle::getRadius)
        .def("setCenter", &Circle::setCenter)
        .def("setRadius", &Circle::setRadius);
    addComparisonAndCopies<decltype(cls), Circle>(cls);
}

void exportOrientedBox()
{
    const auto dimensions = py::make_function(&OrientedBox::getDimensions, Copy());
    const auto orientation = py::make_function(&OrientedBox::getOrientation, Copy());

    py::class_<OrientedBox, py::bases<Bound>> cls(
        "OrientedBox", py::init<const Vector2&, const Vector2&>(py::args("min", "max")));
    cls.def(py::init<const Vector2&, const Vector2&, const Complex&>(py::args("min", "max", "orientation")))
        .def(py::init<const AxisAlignedBox&, const Complex&>(py::args("box", "orientation")))
        .def(py::init<const OrientedBox&>())
        .add_property("dimensions", dimensions, &OrientedBox::setDimensions)
        .add_property("orientation", orientation, &OrientedBox::setOrientation)
        .def("getDimensions", dimensions)
        .def("getOrientation", orientation)
        .def("getCenter", &OrientedBox::getCenter)
        .def("setDimensions", &OrientedBox::setDimensions)
        .def("setOrientation", &OrientedBox::setOrientation)
        .def("realign", &OrientedBox::realign);
    addComparisonAndCopies<decltype(cls), OrientedBox>(cls);
}

}

void exportBoundBindings()
{
    exportBound();
    exportAxisAlignedBox();
    exportCircle();
    exportOrientedBox();
    // Strict: shapes that only touch do not overlap.
    py::def("intersects", &intersects);
}

}
