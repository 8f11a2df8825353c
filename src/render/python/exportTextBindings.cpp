// Text: the text display interface and the display scripts make and change at
// run time. Fonts are reached through the displays' font file names only.

#include "core/math/AxisAlignedBox.h"
#include "core/python/CycleCollection.h"
#include "core/python/Documentation.h"
#include "render/DynamicTextDisplay.h"
#include "render/python/Bindings.h"

#include <boost/python.hpp>

namespace py = boost::python;

namespace Tarnu
{

void exportTextBindings()
{
    using Horz = TextDisplay::HorzAlignment;
    using Vert = TextDisplay::VertAlignment;
    py::class_<TextDisplay, py::bases<Renderable>, std::shared_ptr<TextDisplay>, boost::noncopyable> display(
        "TextDisplay", "Text drawn in a box at its entity's node, wrapped to the box's width.", py::no_init);
    display.def("setText", &TextDisplay::setText, "setText(text): Shows another text (UTF-8).")
        .def("getText", &TextDisplay::getText, py::return_value_policy<py::copy_const_reference>(),
             "getText(): The text shown.")
        .def("append", &TextDisplay::append, "append(text): Adds text at the end.")
        .def("setHorzAlignment", &TextDisplay::setHorzAlignment,
             "setHorzAlignment(alignment): Aligns the lines Left, Center or Right in the box.")
        .def("getHorzAlignment", &TextDisplay::getHorzAlignment, "getHorzAlignment(): The lines' HorzAlignment.")
        .def("setVertAlignment", &TextDisplay::setVertAlignment,
             "setVertAlignment(alignment): Puts the lines at the Top, Center or Bottom of the box.")
        .def("getVertAlignment", &TextDisplay::getVertAlignment, "getVertAlignment(): The lines' VertAlignment.")
        .def("setTextSize", &TextDisplay::setTextSize,
             "setTextSize(size): The height of a line in world units.")
        .def("getTextSize", &TextDisplay::getTextSize, "getTextSize(): The height of a line in world units.");
    collectCyclesThroughHeld<TextDisplay>();
    {
        // Both have a Center, so their values stay inside their own enumerations.
        py::scope inside = display;
        py::enum_<Horz>("HorzAlignment", "Where lines sit across a text box: Left, Center or Right.")
            .value("Left", Horz::Left)
            .value("Center", Horz::Center)
            .value("Right", Horz::Right);
        py::enum_<Vert>("VertAlignment", "Where lines sit in a text box's height: Top, Center or Bottom.")
            .value("Top", Vert::Top)
            .value("Center", Vert::Center)
            .value("Bottom", Vert::Bottom);
    }

    using Box = const AxisAlignedBox&;
    using Text = const std::string&;
    py::class_<DynamicTextDisplay, py::bases<TextDisplay>, boost::noncopyable>(
        "DynamicTextDisplay", "A text display a script makes and changes at run time, in a TrueType font.",
        py::init<Box, Text, double, double, Text>(py::args("box", "fontFileName", "zOrder", "textSize", "text"),
                                                  "DynamicTextDisplay(box, fontFileName, zOrder, textSize, text): Text "
                                                  "in the box (relative to its node), lines textSize high."))
        .def(py::init<Box, Text, double, double, Text, Horz>(
            py::args("box", "fontFileName", "zOrder", "textSize", "text", "horzAlignment"),
            "DynamicTextDisplay(box, fontFileName, zOrder, textSize, text, horzAlignment): The same, aligned across "
            "the box."))
        .def(py::init<Box, Text, double, double, Text, Horz, Vert>(
            py::args("box", "fontFileName", "zOrder", "textSize", "text", "horzAlignment", "vertAlignment"),
            "DynamicTextDisplay(box, fontFileName, zOrder, textSize, text, horzAlignment, vertAlignment): The same, "
            "aligned across and down the box."))
        .def(parametersOf(ParameterTable::COMPONENT, "DynamicTextDisplay"));

    // Also reachable from the module, as the alignments a display's constructor takes.
    py::scope().attr("HorzAlignment") = display.attr("HorzAlignment");
    py::scope().attr("VertAlignment") = display.attr("VertAlignment");
}

}
