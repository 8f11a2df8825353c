// Text internals a script cannot see: line breaking on characters rather than
// bytes, the glyph sheet's cells read back from OpenGL, the quads a text
// display lays out for each alignment and size, and the lifetime of fonts and
// their sheets. The font is DejaVu Sans Mono from fonts-dejavu-core.

#include "WindowFixture.h"

#include "core/LogManager.h"
#include "core/VideoManager.h"
#include "render/DynamicTextDisplay.h"
#include "render/Font.h"
#include "render/FontManager.h"
#include "render/TextDisplayActionEvent.h"
#include "render/TextLayout.h"
#include "render/Texture.h"
#include "render/TextureManager.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>
#include <SDL_ttf.h>

#include <cmath>
#include <limits>

using namespace Tarnu;
using namespace Tarnu::Testing;

namespace
{

const std::string FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

std::vector<std::string> wrapped(const std::string& text, std::size_t width)
{
    std::vector<std::uint8_t> glyphs;
    std::vector<TextLine> lines;
    decodeGlyphs(text, glyphs);
    wrapLines(glyphs, width, lines);
    std::vector<std::string> shown;
    for (const TextLine& line : lines)
        shown.emplace_back(glyphs.begin() + static_cast<std::ptrdiff_t>(line.start),
                           glyphs.begin() + static_cast<std::ptrdiff_t>(line.start + line.length));
    return shown;
}

AxisAlignedBox box(double width, double height)
{
    return AxisAlignedBox(Vector2(0, 0), Vector2(width, height));
}

}

TEST(TextLayout, LinesBreakAtBlanksOrInsideWordsAndNewlinesEndThem)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(wrapped("hello world again", 11), (Lines{"hello world", "again"}));
    EXPECT_EQ(wrapped("abcdefghijkl mn", 5), (Lines{"abcde", "fghij", "kl mn"}));
    EXPECT_EQ(wrapped("one\n\ntwo", 80), (Lines{"one", "two"}));
    EXPECT_EQ(wrapped("one\n", 80), (Lines{"one"}));
    EXPECT_EQ(wrapped("\n\n\n", 80), Lines{});
    // Broken at a blank, a line loses its trailing blanks; a last line and a cut word keep theirs.
    EXPECT_EQ(wrapped("ab  \t  cd", 3), (Lines{"ab", "cd"}));
    EXPECT_EQ(wrapped("a b cdef", 4), (Lines{"a b", "cdef"}));
    EXPECT_EQ(wrapped("ab   ", 3), (Lines{"ab"}));
    EXPECT_EQ(wrapped("ab  ", 4), (Lines{"ab  "}));
    EXPECT_EQ(wrapped("     x", 2), (Lines{"", "x"}));
    EXPECT_EQ(wrapped("anything", 0), Lines{});
}

TEST(TextLayout, EveryCharacterIsOneGlyphAndThoseOutsideTheSheetAreGlyphZero)
{
    std::vector<std::uint8_t> glyphs;
    decodeGlyphs("a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z", glyphs);
    EXPECT_EQ(glyphs, (std::vector<std::uint8_t>{'a', 0, 0, 0, 'z'}));
    // Bytes that start no character count one each; a zero character ends the text.
    decodeGlyphs(std::string("\xff\xe2\x82x\xc0\xaf", 6) + std::string("\0tail", 5), glyphs);
    EXPECT_EQ(glyphs, (std::vector<std::uint8_t>{0, 0, 0, 'x', 0, 0}));
    decodeGlyphs("\xed\xa0\x80\xf4\x90\x80\x80", glyphs);
    EXPECT_EQ(glyphs.size(), 7u) << "surrogates and code points past U+10FFFF are no characters";
    // A wrapped line counts characters: "é" takes one place, not two.
    EXPECT_EQ(wrapped("\xc3\xa9\xc3\xa9\xc3\xa9 ab", 4).size(), 2u);
}

namespace
{

// A window with the texture and font managers.
struct Lettering : InWindow
{
    void SetUp() override
    {
        InWindow::SetUp();
        new TextureManager();
        new FontManager();
    }

    using Horz = TextDisplay::HorzAlignment;
    using Vert = TextDisplay::VertAlignment;
    std::shared_ptr<DynamicTextDisplay> display(const AxisAlignedBox& area, const std::string& text,
                                                Horz horizontal = Horz::Left, Vert vertical = Vert::Top)
    {
        return std::make_shared<DynamicTextDisplay>(area, FONT, 0.0, 20.0, text, horizontal, vertical);
    }

    // The glyph width at text size 20.
    double glyphWidth()
    {
        const std::shared_ptr<Font> font = FontManager::getSingleton().createTyped(FONT);
        font->load();
        return 20.0 * font->getCellAspect();
    }
};

// The quads of a record as boxes, relative to the record's origin (the top-left corner of the lines drawn).
std::vector<AxisAlignedBox> quads(DynamicTextDisplay& text)
{
    const RenderOperation& record = text.getRenderOperation(false);
    const Vector2* corners = reinterpret_cast<const Vector2*>(record.vertices) + record.first;
    std::vector<AxisAlignedBox> found;
    for (std::int32_t i = 0; i < record.count; i += 4)
        found.emplace_back(corners[i], corners[i + 2]);
    return found;
}

}

TEST_F(Lettering, TheSheetHoldsEachGlyphInItsOwnCellAndNothingElse)
{
    TTF_Font* reference = TTF_OpenFont(FONT.c_str(), Font::POINT_SIZE);
    ASSERT_NE(reference, nullptr) << SDL_GetError();
    const int height = TTF_FontHeight(reference);
    int width = 0;
    for (Uint16 code = 0; code < Font::GLYPHS; ++code)
    {
        int minX, maxX, minY, maxY, advance = 0;
        if (TTF_GlyphMetrics(reference, code, &minX, &maxX, &minY, &maxY, &advance) == 0)
            width = std::max(width, advance);
    }

    const std::shared_ptr<Font> font = FontManager::getSingleton().createTyped(FONT);
    font->load();
    ASSERT_FALSE(font->wasLoadError());
    const std::shared_ptr<Texture> sheet = font->getGlyphSheet();
    ASSERT_TRUE(sheet && sheet->isLoaded() && !sheet->wasLoadError());
    EXPECT_EQ(sheet->getName(), FONT + "FontSheet");
    sheet->bind();
    GLint sheetWidth = 0, sheetHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &sheetWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &sheetHeight);
    const auto powerAtLeast = [](int side) { return 1 << static_cast<int>(std::ceil(std::log2(side))); };
    EXPECT_EQ(sheetWidth, powerAtLeast(16 * width));
    EXPECT_EQ(sheetHeight, powerAtLeast(8 * height));
    EXPECT_DOUBLE_EQ(font->getCellAspect(), static_cast<double>(width) / height);
    const Vector2* letterA = font->getGlyph('A');
    EXPECT_EQ(letterA[1], Vector2(static_cast<double>(width) / sheetWidth,
                                  static_cast<double>(sheetHeight - 4 * height) / sheetHeight));
    EXPECT_DOUBLE_EQ(letterA[3].x - letterA[0].x, static_cast<double>(width) / sheetWidth);
    EXPECT_DOUBLE_EQ(letterA[1].y - letterA[0].y, static_cast<double>(height) / sheetHeight);

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(sheetWidth) * sheetHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const auto alphaAt = [&](int x, int y) { return pixels[(static_cast<std::size_t>(y) * sheetWidth + x) * 4 + 3]; };
    int differing = 0, inked = 0;
    for (Uint16 code = 0; code < Font::GLYPHS; ++code)
    {
        SDL_Surface* glyph = TTF_RenderGlyph_Blended(reference, code, SDL_Color{255, 255, 255, 255});
        SDL_Surface* argb = glyph ? SDL_ConvertSurfaceFormat(glyph, SDL_PIXELFORMAT_ARGB8888, 0) : nullptr;
        const int left = code % 16 * width, top = code / 16 * height;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                // The glyph as SDL_ttf draws it, from the cell's top-left corner, cut at the cell's edges.
                std::uint8_t expected = 0;
                if (argb && x < argb->w && y < argb->h)
                    expected = static_cast<const std::uint32_t*>(argb->pixels)[y * argb->pitch / 4 + x] >> 24;
                differing += alphaAt(left + x, top + y) != expected;
                inked += expected != 0;
            }
        SDL_FreeSurface(argb);
        SDL_FreeSurface(glyph);
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 1000);
    for (int y = 8 * height; y < sheetHeight; ++y)
        for (int x = 0; x < sheetWidth; ++x)
            differing += alphaAt(x, y) != 0;
    EXPECT_EQ(differing, 0) << "below the cells the sheet is empty";
    // A code that draws nothing keeps its empty cell: glyph 0 shows a blank, not a texel of another glyph.
    EXPECT_EQ(font->getGlyph(0)[1], Vector2(0.0, 1.0));
    TTF_CloseFont(reference);
}

TEST_F(Lettering, LinesAreLaidOutFromTheTopLeftAndAlignedInTheBox)
{
    const double g = glyphWidth();
    // 11 characters to a line, 3 lines.
    auto text = display(box(11.5 * g, 65.0), "hello world again");
    EXPECT_EQ(text->getCharsPerLine(), 11);
    EXPECT_EQ(text->getMaxLines(), 3);
    std::vector<AxisAlignedBox> laid = quads(*text);
    ASSERT_EQ(laid.size(), 16u);
    EXPECT_EQ(laid[0], AxisAlignedBox(Vector2(0, -20), Vector2(g, 0)));
    EXPECT_EQ(laid[10], AxisAlignedBox(Vector2(10 * g, -20), Vector2(11 * g, 0)));
    EXPECT_EQ(laid[11], AxisAlignedBox(Vector2(0, -40), Vector2(g, -20))) << "'again' starts the second line";
    EXPECT_EQ(text->getOrigin(), Vector2(0, 65));
    const Vector2* h = FontManager::getSingleton().createTyped(FONT)->getGlyph('h');
    const Vector2* coordinates = reinterpret_cast<const Vector2*>(text->getRenderOperation(false).texCoords);
    EXPECT_EQ(std::vector<Vector2>(coordinates, coordinates + 4), std::vector<Vector2>(h, h + 4));

    // A line of four in a box ten glyphs wide starts six glyphs in on the right, three when centred.
    auto right = display(box(10 * g, 20), "abcd", TextDisplay::HorzAlignment::Right);
    EXPECT_NEAR(quads(*right)[0].getMin().x, 6 * g, 1e-9);
    right->setHorzAlignment(TextDisplay::HorzAlignment::Center);
    EXPECT_NEAR(quads(*right)[0].getMin().x, 3 * g, 1e-9);

    // Five lines in a box for three: the top three from the top, the last three ending on the bottom edge.
    auto bottom = display(box(10 * g, 60), "1\n2\n3\n4\n5", TextDisplay::HorzAlignment::Left,
                          TextDisplay::VertAlignment::Bottom);
    laid = quads(*bottom);
    ASSERT_EQ(laid.size(), 3u);
    EXPECT_EQ(bottom->getOrigin().y + laid[2].getMin().y, 0.0);
    EXPECT_EQ(bottom->getOrigin().y + laid[0].getMax().y, 60.0);
    const Vector2* three = FontManager::getSingleton().createTyped(FONT)->getGlyph('3');
    EXPECT_EQ(reinterpret_cast<const Vector2*>(bottom->getRenderOperation(false).texCoords)[1], three[1]);
    bottom->setVertAlignment(TextDisplay::VertAlignment::Top);
    laid = quads(*bottom);
    EXPECT_EQ(bottom->getOrigin().y + laid[0].getMax().y, 60.0);
    const Vector2* one = FontManager::getSingleton().createTyped(FONT)->getGlyph('1');
    EXPECT_EQ(reinterpret_cast<const Vector2*>(bottom->getRenderOperation(false).texCoords)[1], one[1]);

    // Characters outside the sheet show glyph 0, once each however many bytes they take.
    auto accents = display(box(10 * g, 20), "\xc3\xa9t\xc3\xa9", TextDisplay::HorzAlignment::Right);
    laid = quads(*accents);
    ASSERT_EQ(laid.size(), 3u);
    EXPECT_NEAR(laid[0].getMin().x, 7 * g, 1e-9);
    const Vector2* zero = FontManager::getSingleton().createTyped(FONT)->getGlyph(0);
    EXPECT_EQ(reinterpret_cast<const Vector2*>(accents->getRenderOperation(false).texCoords)[8], zero[0]);
}

TEST_F(Lettering, CountsAreClampedAndTheLayoutFollowsTextEventsAndCopies)
{
    // So small that more characters fit than an int counts: the count stops at the largest int.
    auto text = display(box(200, 60), "abc");
    text->setTextSize(1e-300);
    EXPECT_EQ(text->getCharsPerLine(), std::numeric_limits<int>::max());
    EXPECT_EQ(text->getRenderOperation(false).count, 12);
    EXPECT_THROW(text->setTextSize(std::nan("")), std::invalid_argument);
    text->setTextSize(-1.0);
    EXPECT_EQ(text->getCharsPerLine(), 0);
    EXPECT_EQ(text->getRenderOperation(false).count, 0);
    text->setTextSize(20);

    // The text comes from the entity's text events, of that class only.
    auto node = entityNode("label", {text});
    node->getEntity()->postEvent(std::make_shared<Event>(TextDisplayActionEvent::TYPE, 0.0));
    EXPECT_EQ(text->getText(), "abc");
    node->getEntity()->postEvent(std::make_shared<TextDisplayActionEvent>("de\nf"));
    text->append("g");
    EXPECT_EQ(text->getText(), "de\nfg");
    EXPECT_EQ(quads(*text).size(), 4u);

    // A copy draws the same text from arrays of its own.
    const auto copy = std::static_pointer_cast<DynamicTextDisplay>(text->createCopy());
    EXPECT_EQ(quads(*copy), quads(*text));
    EXPECT_NE(copy->getRenderOperation(false).vertices, text->getRenderOperation(false).vertices);
    EXPECT_EQ(copy->getRenderOperation(false).translation, &copy->getOrigin());
}

TEST_F(Lettering, FontsNothingElseHoldsAreFreedAndALoadAgainFillsTheSameSheet)
{
    FontManager& fonts = FontManager::getSingleton();
    std::weak_ptr<Font> watched;
    std::shared_ptr<Texture> sheet;
    {
        auto text = display(box(200, 60), "abc");
        watched = fonts.createTyped(FONT);
        sheet = watched.lock()->getGlyphSheet();
        // Unloaded, the font forgets its cells; loaded again, it fills the same sheet anew.
        const std::shared_ptr<Font> font = watched.lock();
        const Vector2 cell = font->getGlyph('A')[1];
        font->unload();
        EXPECT_EQ(font->getGlyph('A')[1], Vector2());
        font->load();
        EXPECT_EQ(font->getGlyphSheet(), sheet);
        EXPECT_EQ(font->getGlyph('A')[1], cell);
        EXPECT_TRUE(sheet->isLoaded() && !sheet->wasLoadError());
    }
    fonts.removeUnreferenced();
    EXPECT_TRUE(watched.expired()) << "the sheet's loader does not keep its font alive";

    // A new font of that file fills the sheet the old one left, and loading the sheet alone asks it.
    const std::shared_ptr<Font> again = fonts.createTyped(FONT);
    again->load();
    EXPECT_EQ(again->getGlyphSheet(), sheet);
    EXPECT_NE(again->getGlyph('A')[1], Vector2());
    sheet->unload();
    sheet->load();
    EXPECT_FALSE(sheet->wasLoadError());

    // A file that does not open: loaded with an error, a sheet without an image, nothing laid out.
    auto lost = std::make_shared<DynamicTextDisplay>(box(200, 60), "nowhere.ttf", 0.0, 20.0, "abc");
    const std::shared_ptr<Font> missing = fonts.createTyped("nowhere.ttf");
    EXPECT_TRUE(missing->isLoaded() && missing->wasLoadError());
    EXPECT_TRUE(missing->getGlyphSheet()->wasLoadError());
    EXPECT_EQ(lost->getRenderOperation(false).count, 0);
    EXPECT_EQ(lost->getRenderOperation(false).texture, nullptr);
    EXPECT_EQ(lost->getTextSize(), 0.0);
}
