#pragma once
// The singleton that makes fonts by file name. It needs the texture manager
// (glyph sheets are textures), which deletes it in turn when it goes; it starts
// SDL_ttf when nothing else has and stops it after closing every font.

#include "core/resources/ResourceManager.h"
#include "render/Font.h"

#include <memory>
#include <string>

namespace Tarnu
{

class FontManager : public TypedResourceManager<FontManager, Font>
{
public:
    FontManager();
    ~FontManager() override;

    /// The font of that file if there is one; makes none.
    std::shared_ptr<Font> findFont(const std::string& fileName) const
    {
        return std::static_pointer_cast<Font>(getResource(fileName));
    }

private:
    bool startedTtf = false;
};

}
