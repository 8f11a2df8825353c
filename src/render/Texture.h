#pragma once
// One OpenGL texture made from an image file, or filled by a manual loader
// (a font's glyph sheet). A texture that cannot be made still ends LOADED, with
// its load-error flag set and no OpenGL name: binding it binds texture 0, so
// whatever uses it is drawn untextured, in its colours.
// Binding goes through the texture manager, which remembers the texture bound
// so that a draw pass binds each texture only when it changes.
//
// Unlike other resources, the manual loader runs inside loadImpl, between
// making the OpenGL name and setting its filters, so the texture keeps the
// loader itself and deletes it when it says the texture owns it.

#include "core/resources/Resource.h"

#include <cstdint>
#include <string>

namespace Tarnu
{

class Texture final : public Resource
{
public:
    Texture(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~Texture() override;

    /// Binds the texture unless it is bound already; one that failed to load binds texture 0.
    void bind();
    /// GL_REPEAT or GL_CLAMP on both axes; a texture not loaded yet takes it when it loads.
    void setRepeat(bool repeat);
    bool getRepeat() const { return repeat; }
    std::uint32_t getGLName() const { return glName; }
    /// Whether every pixel of the image is opaque, so that drawing it hides what is under it.
    bool isOpaque() const { return opaque; }
    /// For a manual loader that could not fill the texture: it ends without an image.
    void markLoadError() { loadError = true; }

protected:
    void loadImpl() override;
    void unloadImpl() override;

private:
    /// Uploads the image file named by the texture into the bound name; false after a logged failure.
    bool loadFile();
    /// Gives the OpenGL name back and binds texture 0 if it was bound.
    void releaseName();
    void applyWrap() const;

    ManualResourceLoader* const sheetLoader;
    bool repeat = false;
    std::uint32_t glName = 0;
    bool opaque = false;
};

}
