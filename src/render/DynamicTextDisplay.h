#pragma once
// A text display: the text is split at newlines, word-wrapped to the number of
// characters that fit the box's width and drawn as one quad per character,
// textured with the character's cell of the font's glyph sheet. Every character
// advances by the cell's width scaled to the text size; only the lines that fit
// the box's height are drawn, the first ones, or the last ones when aligned to
// the bottom. A vertically centred block sits in the middle of the box.
//
// Every change marks the layout dirty, and the next request for the draw record
// lays the whole text out afresh. The layout reuses its arrays, so changing the
// text every frame allocates nothing once they are large enough. Without a
// loaded font, a finite box and a positive text size nothing is drawn. Its
// entity's TextDisplayActionEvents set its text.

#include "core/EventListener.h"
#include "render/TextDisplay.h"
#include "render/TextLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class Font;

class DynamicTextDisplay : public ComponentClass<DynamicTextDisplay, TextDisplay>, private EventListener
{
public:
    static inline const std::string FACTORY_TYPE = "DynamicTextDisplay";

    /// The factory's prototype: no font, nothing to draw.
    DynamicTextDisplay();
    /// Gets and loads the font through the font manager; raises "invalid text size" unless the size
    /// is greater than 0.
    DynamicTextDisplay(const AxisAlignedBox& box, const std::string& fontFileName, double zOrder, double textSize,
                       const std::string& text, HorzAlignment horzAlignment = HorzAlignment::Left,
                       VertAlignment vertAlignment = VertAlignment::Top);
    /// The same box, font, text, alignments, size and colour; laid out anew.
    DynamicTextDisplay(const DynamicTextDisplay& other);

    /// The box's keys, "font" and "textSize" (both required), "text", "ha", "va", "zOrder", "alpha", "color".
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    bool paramIsAFilename(const std::string& name) const override { return name == "font"; }
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    const AxisAlignedBox& getLocalBox() const override { return box; }

    void setAlpha(float alpha) override { operation.setAlpha(alpha); }
    RenderOperation& getRenderOperation(bool changed) override;
    void setText(const std::string& text) override;
    const std::string& getText() const override { return text; }
    void append(const std::string& text) override;
    void setHorzAlignment(HorzAlignment alignment) override;
    HorzAlignment getHorzAlignment() const override { return horzAlignment; }
    void setVertAlignment(VertAlignment alignment) override;
    VertAlignment getVertAlignment() const override { return vertAlignment; }
    /// Ignored without a loaded font or a finite box; a size not above 0 lays out nothing.
    void setTextSize(double size) override;
    double getTextSize() const override { return textSize; }
    /// Each clamped to [0, 1].
    virtual void setColor(float red, float green, float blue);

    int getCharsPerLine() const { return charsPerLine; }
    int getMaxLines() const { return maxLines; }
    const Vector2& getOrigin() const { return origin; }

private:
    void handleEvent(const std::shared_ptr<Event>& event) override;
    bool canLayOut() const;
    void layOut();
    /// Appends the quads of one line, the k-th from the top of the block drawn.
    void addLine(const TextLine& line, std::size_t k, double glyphWidth);

    RenderOperation operation;
    std::string text;
    std::shared_ptr<Font> font;
    AxisAlignedBox box;
    Vector2 origin;
    double textSize = 0.0;
    int charsPerLine = 0;
    int maxLines = 0;
    HorzAlignment horzAlignment = HorzAlignment::Left;
    VertAlignment vertAlignment = VertAlignment::Top;
    std::vector<std::uint8_t> glyphs;
    std::vector<TextLine> lines;
    std::vector<Vector2> glyphVertices;
    std::vector<Vector2> glyphCoords;
    bool layoutDirty = true;
};

}
