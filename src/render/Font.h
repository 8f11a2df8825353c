#pragma once
// A TrueType font, named by its file's path, rendered once into a glyph sheet:
// the character codes 0 to 127 at 40 points in one texture of 16 x 8 cells of
// one size, so that a text of any length is one list of quads with one texture.
// Every cell is as wide as the widest glyph, so text is laid out monospaced.
//
// The sheet is the texture named by the font's name followed by "FontSheet",
// filled by the font's TextureMapLoader. The loader finds its font by name in
// the font manager each time it runs and never holds it, so a font nothing
// else holds is freed; a font loaded again fills the same texture anew.

#include "core/math/Vector2.h"
#include "core/resources/Resource.h"

#include <SDL_ttf.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

class Texture;

class Font : public Resource
{
public:
    static constexpr int POINT_SIZE = 40;
    static constexpr unsigned GLYPHS = 128;
    static inline const std::string SHEET_SUFFIX = "FontSheet";

    Font(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~Font() override;

    /// Empty until the first load.
    const std::shared_ptr<Texture>& getGlyphSheet() const { return glyphSheet; }
    /// The texture coordinates of the code's cell: left-bottom, left-top, right-top, right-bottom.
    /// All (0, 0) while the sheet is not built; codes from 128 have no cell.
    const Vector2* getGlyph(unsigned code) const { return &glyphTexCoords[4 * code]; }
    /// A cell's width over its height.
    double getCellAspect() const { return cellAspect; }

    class TextureMapLoader : public ManualResourceLoader
    {
    public:
        explicit TextureMapLoader(const std::string& fontName) : fontName(fontName) {}

        /// Renders the font into the bound sheet texture, or marks the texture failed.
        void loadResource(Resource* resource) override;
        /// The sheet texture owns its loader.
        bool isOwnedByResource() const override { return true; }

    private:
        const std::string fontName;
    };

protected:
    /// Opens the file and loads the glyph sheet; a file that does not open sets the load-error flag.
    void loadImpl() override;
    /// Closes the file and forgets the cells; the sheet stays in the texture manager.
    void unloadImpl() override;

private:
    /// Renders codes 0 to 127 into the texture bound now; false when the font gives no cells.
    bool buildSheet();

    TTF_Font* ttfFont = nullptr;
    std::shared_ptr<Texture> glyphSheet;
    std::array<Vector2, 4 * GLYPHS> glyphTexCoords{};
    double cellAspect = 0.0;
};

}
