#include "render/Texture.h"

#include "core/EngineWarning.h"
#include "render/TextureManager.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_opengl.h>

#include <memory>

namespace Tarnu
{

namespace
{

bool isPowerOfTwo(int side) { return (side & (side - 1)) == 0; }

struct SurfaceDeleter
{
    void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

}

Texture::Texture(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : Resource(name, handle, nullptr), sheetLoader(loader)
{
}

Texture::~Texture()
{
    unload();
    if (sheetLoader && sheetLoader->isOwnedByResource())
        delete sheetLoader;
}

void Texture::bind()
{
    TextureManager* manager = TextureManager::getSingletonPtr();
    if (!manager || manager->getCurrentTexture() == this)
        return;
    if (!glName)
    {
        manager->unbind();
        return;
    }
    glBindTexture(GL_TEXTURE_2D, glName);
    manager->setCurrentTexture(this);
}

void Texture::setRepeat(bool value)
{
    if (value == repeat)
        return;
    repeat = value;
    if (glName)
    {
        bind();
        applyWrap();
    }
}

void Texture::loadImpl()
{
    TextureManager* manager = TextureManager::getSingletonPtr();
    // Without the manager there is no OpenGL context to make the texture in.
    if (getName().empty() || !manager)
    {
        loadError = !manager;
        return;
    }
    glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    manager->setCurrentTexture(this);
    if (sheetLoader)
        sheetLoader->loadResource(this);
    else
        loadError = !loadFile();
    if (loadError)
    {
        // A half-made texture would draw as whatever the driver makes of it.
        releaseName();
        return;
    }
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    applyWrap();
}

void Texture::unloadImpl()
{
    releaseName();
}

void Texture::releaseName()
{
    opaque = false;
    if (!glName)
        return;
    // Without the manager the context is gone, and the name with it.
    if (TextureManager* manager = TextureManager::getSingletonPtr())
    {
        if (manager->getCurrentTexture() == this)
            manager->unbind();
        glDeleteTextures(1, &glName);
    }
    glName = 0;
}

void Texture::applyWrap() const
{
    const GLint wrap = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

bool Texture::loadFile()
{
    const std::string& name = getName();
    const auto unreadable = [&name] {
        TextureManager::log("Error attempting to load texture " + name + ": " + SDL_GetError() +
                                "; using blank texture.",
                            LogFile::ML_CRITICAL);
        return false;
    };
    Surface image(IMG_Load(name.c_str()));
    if (!image)
        return unreadable();
    const int bitsPerPixel = image->format->BitsPerPixel;
    if (!isPowerOfTwo(image->w) || !isPowerOfTwo(image->h))
    {
        TextureManager::log("Warning: invalid image format for texture " + name + ": bpp: " +
                                std::to_string(bitsPerPixel) + " width: " + std::to_string(image->w) +
                                " height: " + std::to_string(image->h) + ".",
                            LogFile::ML_CRITICAL);
        return false;
    }
    if (bitsPerPixel != 32)
    {
        TextureManager::log("Warning: texture " + name + "was not of bitdepth 32, aborting load", LogFile::ML_NORMAL);
        printEngineHint("texture " + name + " has " + std::to_string(bitsPerPixel) +
                        " bits a pixel; only 32-bit images (with an alpha channel) are drawn, so it is drawn blank.");
        return false;
    }
    // SDL_image hands some formats over as BGRA; OpenGL is given bytes in RGBA order.
    Surface pixels(SDL_ConvertSurfaceFormat(image.get(), SDL_PIXELFORMAT_RGBA32, 0));
    if (!pixels)
        return unreadable();
    opaque = true;
    for (int row = 0; row < pixels->h && opaque; ++row)
    {
        const auto* pixel = static_cast<const std::uint8_t*>(pixels->pixels) + row * pixels->pitch;
        for (int column = 0; column < pixels->w && opaque; ++column)
            opaque = pixel[4 * column + 3] == 255;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, pixels->pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, pixels->w, pixels->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    return true;
}

}
