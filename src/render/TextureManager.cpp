#include "render/TextureManager.h"

#include "core/LogManager.h"
#include "core/VideoManager.h"

#include <SDL_opengl.h>

#include <stdexcept>

namespace Tarnu
{

TextureManager::TextureManager()
{
    // The singleton base has registered this instance; throwing unwinds it again.
    if (!VideoManager::getSingletonPtr())
        throw std::runtime_error("no video manager.");
    // Images are uploaded top row first: t reaches OpenGL as 1 - t, so t = 0 is the image's bottom.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(0.0f, -1.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    log("Initialized texture manager.", LogFile::ML_CRITICAL);
}

TextureManager::~TextureManager()
{
    // Here rather than in the base: unloading a texture asks this manager what is bound.
    unloadAll();
    log("Texture manager shut down.", LogFile::ML_CRITICAL);
}

void TextureManager::unbind()
{
    if (!currentTexture)
        return;
    glBindTexture(GL_TEXTURE_2D, 0);
    currentTexture = nullptr;
}

void TextureManager::log(const std::string& message, LogFile::MessageLevel level)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(VideoManager::LOG_NAME, message, level, level == LogFile::ML_CRITICAL);
}

}
