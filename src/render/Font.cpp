#include "render/Font.h"

#include "render/FontManager.h"
#include "render/Texture.h"
#include "render/TextureManager.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace Tarnu
{

namespace
{

constexpr int COLUMNS = 16;
constexpr int ROWS = 8;

int powerOfTwoAtLeast(int side)
{
    int power = 1;
    while (power < side)
        power *= 2;
    return power;
}

struct SurfaceDeleter
{
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}

Font::Font(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader) : Resource(name, handle, loader)
{
}

Font::~Font()
{
    unload();
}

void Font::loadImpl()
{
    if (!FontManager::getSingletonPtr())
    {
        loadError = true;
        throw std::runtime_error("FontManager is null, cannot create Font.");
    }
    loadError = false;
    const std::string& name = getName();
    if (name.empty())
        return;
    ttfFont = TTF_OpenFont(name.c_str(), POINT_SIZE);
    if (!ttfFont)
    {
        TextureManager::log("Error loading font " + name + ": " + SDL_GetError(), LogFile::ML_CRITICAL);
        loadError = true;
    }

    TextureManager& textures = TextureManager::getSingleton();
    const std::string sheetName = name + SHEET_SUFFIX;
    glyphSheet = std::static_pointer_cast<Texture>(textures.getResource(sheetName));
    if (!glyphSheet)
        glyphSheet = textures.createTyped(sheetName, new TextureMapLoader(name));
    // A sheet kept from an earlier load is filled anew: the cells were forgotten with it.
    if (glyphSheet->isLoaded())
        glyphSheet->reload();
    else
        glyphSheet->load();
}

void Font::unloadImpl()
{
    // Without the manager SDL_ttf has stopped, and every open font went with it.
    if (ttfFont && FontManager::getSingletonPtr())
        TTF_CloseFont(ttfFont);
    ttfFont = nullptr;
    glyphTexCoords.fill(Vector2());
    glyphSheet.reset();
}

bool Font::buildSheet()
{
    const int height = TTF_FontHeight(ttfFont);
    int width = 0;
    for (Uint16 code = 0; code < GLYPHS; ++code)
    {
        int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
        if (TTF_GlyphMetrics(ttfFont, code, &minX, &maxX, &minY, &maxY, &advance) == 0)
            width = std::max(width, advance);
    }
    if (width <= 0 || height <= 0)
        return false;

    const int sheetWidth = powerOfTwoAtLeast(COLUMNS * width), sheetHeight = powerOfTwoAtLeast(ROWS * height);
    Surface sheet(SDL_CreateRGBSurface(0, sheetWidth, sheetHeight, 32, 0x000000FF, 0x0000FF00, 0x00FF0000,
                                       0xFF000000));
    if (!sheet)
        return false;
    const SDL_Color white{255, 255, 255, 255};
    for (Uint16 code = 0; code < GLYPHS; ++code)
    {
        const int column = code % COLUMNS, row = code / COLUMNS;
        // A code without a picture keeps its empty cell, so it draws as a blank.
        if (Surface glyph{TTF_RenderGlyph_Blended(ttfFont, code, white)})
        {
            // SDL_ttf places the glyph on the baseline of a surface of the font's height: it goes
            // to the cell's top, copied as it is and clipped to the cell.
            SDL_SetSurfaceBlendMode(glyph.get(), SDL_BLENDMODE_NONE);
            SDL_Rect source{0, 0, std::min(glyph->w, width), std::min(glyph->h, height)};
            SDL_Rect target{column * width, row * height, source.w, source.h};
            SDL_BlitSurface(glyph.get(), &source, sheet.get(), &target);
        }
        // v runs upward: the texture matrix turns the sheet's first row into v = 1.
        const double left = static_cast<double>(column * width) / sheetWidth;
        const double right = left + static_cast<double>(width) / sheetWidth;
        const double top = static_cast<double>(sheetHeight - row * height) / sheetHeight;
        const double bottom = top - static_cast<double>(height) / sheetHeight;
        Vector2* corners = &glyphTexCoords[4 * code];
        corners[0] = Vector2(left, bottom);
        corners[1] = Vector2(left, top);
        corners[2] = Vector2(right, top);
        corners[3] = Vector2(right, bottom);
    }
    cellAspect = static_cast<double>(width) / height;

    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, sheet->pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, sheetWidth, sheetHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, sheet->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return true;
}

void Font::TextureMapLoader::loadResource(Resource* resource)
{
    Texture* sheet = dynamic_cast<Texture*>(resource);
    if (!sheet)
        return;
    const FontManager* fonts = FontManager::getSingletonPtr();
    const std::shared_ptr<Font> font = fonts ? fonts->findFont(fontName) : nullptr;
    // While the font loads, it is the one asking, and this changes nothing.
    if (font)
        font->load();
    if (!font || font->wasLoadError() || !font->ttfFont || !font->buildSheet())
        sheet->markLoadError();
}

}
