#include "render/FontManager.h"

#include "render/TextureManager.h"

#include <SDL.h>

#include <stdexcept>

namespace Tarnu
{

FontManager::FontManager()
{
    // The singleton base has registered this instance; throwing unwinds it again.
    if (!TextureManager::getSingletonPtr())
        throw std::runtime_error("no texture manager.");
    if (TTF_WasInit() == 0)
    {
        if (TTF_Init() == -1)
            throw std::runtime_error(SDL_GetError());
        startedTtf = true;
    }
    TextureManager::log("Initialized font manager.", LogFile::ML_CRITICAL);
}

FontManager::~FontManager()
{
    // Every font closes while SDL_ttf still runs.
    unloadAll();
    if (startedTtf)
        TTF_Quit();
    TextureManager::log("Font manager shut down.", LogFile::ML_CRITICAL);
}

}
