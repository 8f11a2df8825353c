#pragma once
// The line breaking of text displays, on glyph codes rather than bytes: a text
// is UTF-8, and every character, however many bytes it takes, is one glyph of
// the font's sheet (codes from 128 have no cell there and show glyph 0). Lines
// are positions in the glyph array, never copies, and the arrays passed in keep
// their capacity, so laying a text out again allocates nothing once warm.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tarnu
{

struct TextLine
{
    std::size_t start;
    std::size_t length;
};

/// The glyph codes of a UTF-8 text up to its first zero character, one per character: the character's
/// code below 128, else 0. A byte that starts no valid sequence counts as one character.
void decodeGlyphs(const std::string& text, std::vector<std::uint8_t>& glyphs);

/// Splits the glyphs at each newline (which belongs to no line) and wraps every part into lines of at
/// most width glyphs. Spaces and tabs are the blanks: a line breaks at a run of blanks just past the
/// limit, else after the last blank within it, else inside the word; lines broken at a blank lose
/// their trailing blanks. An empty part gives no line.
void wrapLines(const std::vector<std::uint8_t>& glyphs, std::size_t width, std::vector<TextLine>& lines);

}
