#pragma once
// The singleton that makes textures by name and remembers which one is bound.
// It needs the video manager's OpenGL context: it refuses to start without a
// video manager, and the video manager deletes it first when it goes, so every
// texture it holds is given back while the context exists.

#include "core/LogFile.h"
#include "core/resources/ResourceManager.h"
#include "render/Texture.h"

namespace Tarnu
{

class TextureManager : public TypedResourceManager<TextureManager, Texture>
{
public:
    /// Sets the texture matrix that turns image rows (top row first) right side up.
    TextureManager();
    ~TextureManager() override;

    /// The texture whose name is bound, or null while texture 0 is.
    Texture* getCurrentTexture() const { return currentTexture; }
    void setCurrentTexture(Texture* texture) { currentTexture = texture; }
    /// Binds texture 0 unless it is bound already.
    void unbind();

    /// Writes to the video log, and critical messages to the default log too.
    static void log(const std::string& message, LogFile::MessageLevel level);

private:
    Texture* currentTexture = nullptr;
};

}
