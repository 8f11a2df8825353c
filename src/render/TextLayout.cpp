#include "render/TextLayout.h"

namespace Tarnu
{

namespace
{

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence starting at i, or 0.
std::size_t sequenceLength(const std::string& text, std::size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if (!isContinuation(static_cast<unsigned char>(text[i + k])))
            return 0;
    // Overlong forms, surrogates and code points past U+10FFFF are not characters.
    const unsigned char second = static_cast<unsigned char>(text[i + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

bool isBlank(std::uint8_t glyph) { return glyph == ' ' || glyph == '\t'; }

void addTrimmed(const std::vector<std::uint8_t>& glyphs, std::size_t start, std::size_t end,
                std::vector<TextLine>& lines)
{
    while (end > start && isBlank(glyphs[end - 1]))
        --end;
    lines.push_back({start, end - start});
}

void wrapPart(const std::vector<std::uint8_t>& glyphs, std::size_t p, std::size_t end, std::size_t width,
              std::vector<TextLine>& lines)
{
    while (p < end)
    {
        if (end - p <= width)
        {
            lines.push_back({p, end - p});
            return;
        }
        const std::size_t limit = p + width;
        if (isBlank(glyphs[limit]))
        {
            addTrimmed(glyphs, p, limit, lines);
            p = limit;
            while (p < end && isBlank(glyphs[p]))
                ++p;
            continue;
        }
        std::size_t blank = limit - 1;
        while (blank > p && !isBlank(glyphs[blank]))
            --blank;
        if (blank > p)
        {
            addTrimmed(glyphs, p, blank, lines);
            p = blank + 1;
        }
        else
        {
            lines.push_back({p, width});
            p = limit;
        }
    }
}

}

void decodeGlyphs(const std::string& text, std::vector<std::uint8_t>& glyphs)
{
    glyphs.clear();
    for (std::size_t i = 0; i < text.size() && text[i] != '\0';)
    {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80)
        {
            glyphs.push_back(byte);
            ++i;
            continue;
        }
        const std::size_t length = sequenceLength(text, i);
        glyphs.push_back(0);
        i += length ? length : 1;
    }
}

void wrapLines(const std::vector<std::uint8_t>& glyphs, std::size_t width, std::vector<TextLine>& lines)
{
    lines.clear();
    if (width == 0)
        return;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= glyphs.size(); ++i)
        if (i == glyphs.size() || glyphs[i] == '\n')
        {
            wrapPart(glyphs, start, i, width, lines);
            start = i + 1;
        }
}

}
