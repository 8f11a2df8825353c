#include "render/DynamicTextDisplay.h"

#include "core/ParameterList.h"
#include "core/ParameterTable.h"
#include "core/math/FiniteCheck.h"
#include "core/math/Vector3.h"
#include "render/Font.h"
#include "render/FontManager.h"
#include "render/TextDisplayActionEvent.h"
#include "scene/Entity.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace Tarnu
{

namespace
{

using namespace ParameterFormat;

const ParameterTable PARAMETERS(
    ParameterTable::COMPONENT, "DynamicTextDisplay",
    {{"text", TEXT, "empty",
      "The text, laid out in the box that the box keys below give (without them nothing shows); a line break "
      "starts a new line and long lines wrap."},
     {"font", FILE_NAME, ParameterTable::REQUIRED, "A TrueType font file."},
     {"textSize", NUMBER, ParameterTable::REQUIRED, "The height of a line in world units, above 0."},
     {"zOrder", NUMBER, "0", "The drawing order: higher z-orders are drawn on top."},
     {"ha", oneOf({"Left", "Center", "Right"}), "Left", "How the lines sit across the box; another word is Left."},
     {"va", oneOf({"Top", "Center", "Bottom"}), "Top", "How the lines sit up and down the box; another word is Top."},
     {"alpha", NUMBER, "1", "The opacity, from 0 (invisible) to 1 (opaque)."},
     {"color", COLOUR, "(1,1,1), white", "The colour of the letters."}},
    {{ParameterTable::BOUND, "AxisAlignedBox"}});

// How many units fit a length: none for a unit that is not a positive number, and never more than an int holds.
int fitting(double length, double unit)
{
    if (!(unit > 0.0))
        return 0;
    const double count = std::floor(length / unit);
    if (!(count >= 0.0))
        return 0;
    return count >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(count);
}

TextDisplay::HorzAlignment readHorzAlignment(const std::string& word)
{
    if (word == "Center")
        return TextDisplay::HorzAlignment::Center;
    if (word == "Right")
        return TextDisplay::HorzAlignment::Right;
    return TextDisplay::HorzAlignment::Left;
}

TextDisplay::VertAlignment readVertAlignment(const std::string& word)
{
    if (word == "Center")
        return TextDisplay::VertAlignment::Center;
    if (word == "Bottom")
        return TextDisplay::VertAlignment::Bottom;
    return TextDisplay::VertAlignment::Top;
}

float clamped(float value) { return std::clamp(value, 0.0f, 1.0f); }

}

DynamicTextDisplay::DynamicTextDisplay() : ComponentClass(0.0), EventListener(TextDisplayActionEvent::TYPE)
{
    operation.untransformed = RenderOperation::TRANSFORMED;
    operation.translation = &origin;
}

DynamicTextDisplay::DynamicTextDisplay(const AxisAlignedBox& box, const std::string& fontFileName, double zOrder,
                                       double textSize, const std::string& text, HorzAlignment horzAlignment,
                                       VertAlignment vertAlignment)
    : ComponentClass(zOrder),
      EventListener(TextDisplayActionEvent::TYPE),
      text(text),
      font(FontManager::getSingleton().createTyped(fontFileName)),
      box(box),
      origin(box.getMin().x, box.getMax().y),
      horzAlignment(horzAlignment),
      vertAlignment(vertAlignment)
{
    requireFinite(box, "box");
    if (!(requireFinite(textSize, "textSize") > 0.0))
        throw std::runtime_error("invalid text size");
    operation.untransformed = RenderOperation::TRANSFORMED;
    operation.translation = &origin;
    if (font)
    {
        font->load();
        if (!font->wasLoadError())
            operation.texture = font->getGlyphSheet();
    }
    setTextSize(textSize);
}

DynamicTextDisplay::DynamicTextDisplay(const DynamicTextDisplay& other)
    : ComponentClass(other),
      EventListener(TextDisplayActionEvent::TYPE),
      operation(other.operation),
      text(other.text),
      font(other.font),
      box(other.box),
      origin(box.getMin().x, box.getMax().y),
      horzAlignment(other.horzAlignment),
      vertAlignment(other.vertAlignment)
{
    operation.translation = &origin;
    operation.count = 0;
    setTextSize(other.textSize);
}

std::shared_ptr<Component> DynamicTextDisplay::createNew(const ParameterList& params) const
{
    AxisAlignedBox readBox;
    readBox.setFrom(params);
    std::string readText;
    params.get("text", readText);
    const std::string& fontFileName = params.getThrowOnFail("font");
    double size = 0.0;
    params.getThrowOnFail("textSize", size, "");
    double zOrder = 0.0;
    params.get("zOrder", zOrder);
    auto made = std::make_shared<DynamicTextDisplay>(readBox, fontFileName, zOrder, size, readText,
                                                     readHorzAlignment(params.get("ha")),
                                                     readVertAlignment(params.get("va")));
    float alpha = 1.0f;
    if (params.get("alpha", alpha) == ParameterList::SUCCESS)
        made->setAlpha(alpha);
    Vector3 colour;
    if (params.get("color", colour) == ParameterList::SUCCESS)
        made->setColor(static_cast<float>(colour.x), static_cast<float>(colour.y), static_cast<float>(colour.z));
    return made;
}

std::shared_ptr<Component> DynamicTextDisplay::createCopy() const
{
    return std::make_shared<DynamicTextDisplay>(*this);
}

void DynamicTextDisplay::entityChanged(const std::shared_ptr<Entity>& newEntity,
                                       const std::shared_ptr<Entity>& oldEntity)
{
    if (oldEntity)
        oldEntity->removeEventListener(this);
    if (newEntity)
        newEntity->addEventListener(this);
}

void DynamicTextDisplay::handleEvent(const std::shared_ptr<Event>& event)
{
    if (const auto action = std::dynamic_pointer_cast<TextDisplayActionEvent>(event))
        setText(action->getText());
}

RenderOperation& DynamicTextDisplay::getRenderOperation(bool)
{
    if (layoutDirty)
        layOut();
    return operation;
}

void DynamicTextDisplay::setText(const std::string& value)
{
    text = value;
    layoutDirty = true;
}

void DynamicTextDisplay::append(const std::string& value)
{
    text += value;
    layoutDirty = true;
}

void DynamicTextDisplay::setHorzAlignment(HorzAlignment alignment)
{
    if (alignment == horzAlignment)
        return;
    horzAlignment = alignment;
    layoutDirty = true;
}

void DynamicTextDisplay::setVertAlignment(VertAlignment alignment)
{
    if (alignment == vertAlignment)
        return;
    vertAlignment = alignment;
    layoutDirty = true;
}

void DynamicTextDisplay::setTextSize(double size)
{
    if (requireFinite(size, "textSize") == textSize || !font || !font->isLoaded() || font->wasLoadError() ||
        box.getExtent() != AxisAlignedBox::EX_FINITE)
        return;
    layoutDirty = true;
    textSize = size;
    charsPerLine = fitting(box.getWidth(), size * font->getCellAspect());
    maxLines = fitting(box.getHeight(), size);
}

void DynamicTextDisplay::setColor(float red, float green, float blue)
{
    operation.setColour(clamped(red), clamped(green), clamped(blue));
}

bool DynamicTextDisplay::canLayOut() const
{
    return !text.empty() && font && font->isLoaded() && !font->wasLoadError() && charsPerLine > 0 && maxLines > 0 &&
           box.getExtent() == AxisAlignedBox::EX_FINITE;
}

void DynamicTextDisplay::layOut()
{
    layoutDirty = false;
    operation.count = 0;
    if (!canLayOut())
        return;
    decodeGlyphs(text, glyphs);
    wrapLines(glyphs, static_cast<std::size_t>(charsPerLine), lines);

    const std::size_t shown = std::min(lines.size(), static_cast<std::size_t>(maxLines));
    const std::size_t first = vertAlignment == VertAlignment::Bottom ? lines.size() - shown : 0;
    // The block's top: the last line ends on the box's bottom edge, or the block is centred.
    const double height = shown * textSize;
    origin.x = box.getMin().x;
    if (vertAlignment == VertAlignment::Bottom)
        origin.y = box.getMin().y + height;
    else if (vertAlignment == VertAlignment::Center)
        origin.y = box.getCenter().y + height / 2.0;
    else
        origin.y = box.getMax().y;

    glyphVertices.clear();
    glyphCoords.clear();
    glyphVertices.reserve(4 * glyphs.size());
    glyphCoords.reserve(4 * glyphs.size());
    const double glyphWidth = textSize * font->getCellAspect();
    for (std::size_t k = 0; k < shown; ++k)
        addLine(lines[first + k], k, glyphWidth);
    operation.vertices = coordinates(glyphVertices.data());
    operation.texCoords = coordinates(glyphCoords.data());
    operation.first = 0;
    operation.count = static_cast<std::int32_t>(glyphVertices.size());
}

void DynamicTextDisplay::addLine(const TextLine& line, std::size_t k, double glyphWidth)
{
    const double spare = box.getWidth() - static_cast<double>(line.length) * glyphWidth;
    const double offset = horzAlignment == HorzAlignment::Right    ? spare
                          : horzAlignment == HorzAlignment::Center ? spare / 2.0
                                                                   : 0.0;
    const double top = -static_cast<double>(k) * textSize, bottom = top - textSize;
    for (std::size_t j = 0; j < line.length; ++j)
    {
        const double left = offset + static_cast<double>(j) * glyphWidth, right = left + glyphWidth;
        glyphVertices.insert(glyphVertices.end(),
                             {Vector2(left, bottom), Vector2(left, top), Vector2(right, top), Vector2(right, bottom)});
        const Vector2* cell = font->getGlyph(glyphs[line.start + j]);
        glyphCoords.insert(glyphCoords.end(), cell, cell + 4);
    }
}

}
