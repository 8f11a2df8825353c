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
    py::class_<Bound, boost::noncopyable>(
        "Bound", "A 2D shape that collidables and outlines use: an AxisAlignedBox, a Circle or an OrientedBox.",
        py::no_init)
        .def("getType", &Bound::getType, Copy(),
             "getType(): The shape's class name, as data files spell it (\"AxisAlignedBox\", \"Circle\", "
             "\"OrientedBox\").")
        .def("createNew", &newBoundLike, Owned(),
             "createNew(params): A new shape of the same kind made from a ParameterList alone.")
        .def("createCopy", &copyOfBound, Owned(), "createCopy(): A copy of the shape.")
        .def("getBoundType", &Bound::getBoundType,
             "getBoundType(): The kind as a number: 0 axis-aligned box, 1 circle, 2 oriented box.")
        .def("translate", &Bound::translate, "translate(offset): Moves the shape by an offset.")
        .def("rotate", &Bound::rotate, "rotate(rotation): Turns the shape about the origin.")
        .def("scale", &Bound::scale, "scale(factor): Scales the shape.")
        .def("transform", static_cast<void (*)(Bound*, const std::shared_ptr<SceneNode>&)>(&transform),
             "transform(node): Carries a shape given in the node's space into world space.")
        .def("isAxisAligned", &Bound::isAxisAligned, "isAxisAligned(): Whether the shape is an axis-aligned box.")
        .def("getAxisAlignedBox", &Bound::getAxisAlignedBox,
             "getAxisAlignedBox(): The smallest axis-aligned box that holds the shape.")
        .def("getSweep", &Bound::getSweep,
             "getSweep(offset): The box that holds the shape both where it is and moved by the offset.")
        .def("setEqual", &Bound::setEqual,
             "setEqual(other): Copies another shape of the same kind; one of another kind changes nothing.")
        .def("setFrom", &Bound::setFrom,
             "setFrom(params): Reads the shape's parameters from a ParameterList; missing ones leave values as they "
             "were.");
}

void exportAxisAlignedBox()
{
    using Corner = Vector2& (AxisAlignedBox::*)();
    using MergeBox = void (AxisAlignedBox::*)(const AxisAlignedBox&);
    using MergePoint = void (AxisAlignedBox::*)(const Vector2&);
    const auto min = py::make_function(static_cast<Corner>(&AxisAlignedBox::getMin), Reference());
    const auto max = py::make_function(static_cast<Corner>(&AxisAlignedBox::getMax), Reference());

    py::class_<AxisAlignedBox, py::bases<Bound>> cls(
        "AxisAlignedBox",
        "A rectangle with sides along the axes, from its lower-left corner min to its upper-right corner max; "
        "written \"<minx,miny>,<maxx,maxy>\" in parameter lists.",
        py::init<const Vector2&, const Vector2&>(py::args("min", "max"),
                                                 "AxisAlignedBox(min, max): The box from min to max."));
    cls.def(py::init<const AxisAlignedBox&>("AxisAlignedBox(other): A copy of another box."))
        .add_property("min", min, &AxisAlignedBox::setMin, "The lower-left corner (the box's own vector).")
        .add_property("max", max, &AxisAlignedBox::setMax, "The upper-right corner (the box's own vector).")
        .def("getMin", static_cast<Corner>(&AxisAlignedBox::getMin), Reference(),
             "getMin(): The lower-left corner, the box's own vector: changing it changes the box.")
        .def("getMax", static_cast<Corner>(&AxisAlignedBox::getMax), Reference(),
             "getMax(): The upper-right corner, the box's own vector: changing it changes the box.")
        .def("setMin", &AxisAlignedBox::setMin, "setMin(min): Moves the lower-left corner.")
        .def("setMax", &AxisAlignedBox::setMax, "setMax(max): Moves the upper-right corner.")
        .def("setCorners", &AxisAlignedBox::setCorners, "setCorners(min, max): Sets both corners.")
        .def("getCenter", &AxisAlignedBox::getCenter, "getCenter(): The point in the middle of the box.")
        .def("getDimensions", &AxisAlignedBox::getDimensions,
             "getDimensions(): The width and height as a Vector2.")
        .def("getWidth", &AxisAlignedBox::getWidth, "getWidth(): The box's width.")
        .def("getHeight", &AxisAlignedBox::getHeight, "getHeight(): The box's height.")
        .def("merge", static_cast<MergeBox>(&AxisAlignedBox::merge),
             "merge(box): Grows the box to hold another box too.")
        .def("merge", static_cast<MergePoint>(&AxisAlignedBox::merge),
             "merge(point): Grows the box to hold a point too.")
        .def("validate", &AxisAlignedBox::validate,
             "validate(): Swaps coordinates where min is above max, so that min is the lower-left corner.")
        .def("__str__", &AxisAlignedBox::toString);
    addComparisonAndCopies<decltype(cls), AxisAlignedBox>(cls);
}

void exportCircle()
{
    using Center = Vector2& (Circle::*)();
    const auto center = py::make_function(static_cast<Center>(&Circle::getCenter), Reference());

    py::class_<Circle, py::bases<Bound>> cls(
        "Circle", "A circle: a centre and a radius.",
        py::init<const Vector2&, double>(py::args("center", "radius"),
                                         "Circle(center, radius): The circle round center."));
    cls.def(py::init<const Circle&>("Circle(other): A copy of another circle."))
        .add_property("center", center, &Circle::setCenter, "The centre (the circle's own vector).")
        .add_property("radius", &Circle::getRadius, &Circle::setRadius, "The radius.")
        .def("getCenter", static_cast<Center>(&Circle::getCenter), Reference(),
             "getCenter(): The centre, the circle's own vector: changing it moves the circle.")
        .def("getRadius", &Circle::getRadius, "getRadius(): The radius.")
        .def("setCenter", &Circle::setCenter, "setCenter(center): Moves the centre.")
        .def("setRadius", &Circle::setRadius, "setRadius(radius): Sets the radius.");
    addComparisonAndCopies<decltype(cls), Circle>(cls);
}

void exportOrientedBox()
{
    const auto dimensions = py::make_function(&OrientedBox::getDimensions, Copy());
    const auto orientation = py::make_function(&OrientedBox::getOrientation, Copy());

    py::class_<OrientedBox, py::bases<Bound>> cls(
        "OrientedBox", "A rectangle turned about its centre: an unturned box (its dimensions) and a rotation.",
        py::init<const Vector2&, const Vector2&>(py::args("min", "max"),
                                                 "OrientedBox(min, max): The unturned box from min to max."));
    cls.def(py::init<const Vector2&, const Vector2&, const Complex&>(
                py::args("min", "max", "orientation"), "OrientedBox(min, max, orientation): The box from min to max, "
                                                       "turned about its centre."))
        .def(py::init<const AxisAlignedBox&, const Complex&>(py::args("box", "orientation"),
                                                            "OrientedBox(box, orientation): The box turned about its "
                                                            "centre."))
        .def(py::init<const OrientedBox&>("OrientedBox(other): A copy of another oriented box."))
        .add_property("dimensions", dimensions, &OrientedBox::setDimensions, "The unturned box (a copy).")
        .add_property("orientation", orientation, &OrientedBox::setOrientation, "The rotation (a copy).")
        .def("getDimensions", &OrientedBox::getDimensions, Copy(), "getDimensions(): A copy of the unturned box.")
        .def("getOrientation", &OrientedBox::getOrientation, Copy(), "getOrientation(): A copy of the rotation.")
        .def("getCenter", &OrientedBox::getCenter, "getCenter(): The centre the box turns about.")
        .def("setDimensions", &OrientedBox::setDimensions, "setDimensions(box): Sets the unturned box.")
        .def("setOrientation", &OrientedBox::setOrientation, "setOrientation(orientation): Sets the rotation.")
        .def("realign", &OrientedBox::realign, "realign(): Turns the box back to no rotation.");
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
    py::def("intersects", &intersects,
            "intersects(a, b): Whether two shapes overlap; shapes that only touch do not.");
}

}
