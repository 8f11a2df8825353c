#pragma once
// Text laid out in a rectangle with a TrueType font, as a renderable whose
// text, alignments and size may change at run time. This is the interface
// scripts see; DynamicTextDisplay is its one implementation.

#include "render/Renderable.h"

#include <string>

namespace Tarnu
{

class TextDisplay : public ComponentClass<TextDisplay, Renderable>
{
public:
    static inline const std::string FACTORY_TYPE = "TextDisplay";

    enum class HorzAlignment
    {
        Left = 0,
        Center = 1,
        Right = 2
    };
    enum class VertAlignment
    {
        Top = 0,
        Center = 1,
        Bottom = 2
    };

    virtual void setText(const std::string& text) = 0;
    virtual const std::string& getText() const = 0;
    virtual void append(const std::string& text) = 0;
    virtual void setHorzAlignment(HorzAlignment alignment) = 0;
    virtual HorzAlignment getHorzAlignment() const = 0;
    virtual void setVertAlignment(VertAlignment alignment) = 0;
    virtual VertAlignment getVertAlignment() const = 0;
    /// The height of a line, in the owner's local units.
    virtual void setTextSize(double size) = 0;
    virtual double getTextSize() const = 0;

protected:
    using ComponentClass::ComponentClass;
};

}
