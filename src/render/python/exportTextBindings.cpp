// Text: the text display interface and the display scripts make and change at
// run time. Fonts are reached through the displays' font file names only.

#include "core/math/AxisAlignedBox.h"
#include "core/python/Bindings.h"
#include "render/DynamicTextDisplay.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportTextBindings()
{
    using Horz = TextDisplay::HorzAlignment;
    using Vert = TextDisplay::VertAlignment;
    py::class_<TextDisplay, py::bases<Renderable>, std::shared_ptr<TextDisplay>, boost::noncopyable> display(
        "TextDisplay", py::no_init);
    display.def("setText", &TextDisplay::setText)
        .def("getText", &TextDisplay::getText, py::return_value_policy<py::copy_const_reference>())
        .def("append", &TextDisplay::append)
        .def("setHorzAlignment", &TextDisplay::setHorzAlignment)
        .def("getHorzAlignment", &TextDisplay::getHorzAlignment)
        .def("setVertAlignment", &TextDisplay::setVertAlignment)
        .def("getVertAlignment", &TextDisplay::getVertAlignment)
        .def("setTextSize", &TextDisplay::setTextSize)
        .def("getTextSize", &TextDisplay::getTextSize);
    {
        // Both have a Center, so their values stay inside their own enumerations.
        py::scope inside = display;
        py::enum_<Horz>("HorzAlignment")
            .value("Left", Horz::Left)
            .value("Center", Horz::Center)
            .value("Right", Horz::Right);
        py::enum_<Vert>("VertAlignment")
            .value("Top", Vert::Top)
            .value("Center", Vert::Center)
            .value("Bottom", Vert::Bottom);
    }

    using Box = const AxisAlignedBox&;
    using Text = const std::string&;
    py::class_<DynamicTextDisplay, py::bases<TextDisplay>, boost::noncopyable>(
        "DynamicTextDisplay", py::init<Box, Text, double, double, Text>(
                                  py::args("box", "fontFileName", "zOrder", "textSize", "text")))
        .def(py::init<Box, Text, double, double, Text, Horz>(
            py::args("box", "fontFileName", "zOrder", "textSize", "text", "horzAlignment")))
        .def(py::init<Box, Text, double, double, Text, Horz, Vert>(
            py::args("box", "fontFileName", "zOrder", "textSize", "text", "horzAlignment", "vertAlignment")));

    // Also reachable from the module, as the alignments a display's constructor takes.
    py::scope().attr("HorzAlignment") = display.attr("HorzAlignment");
    py::scope().attr("VertAlignment") = display.attr("VertAlignment");
}

}
