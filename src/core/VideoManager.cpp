#include "core/VideoManager.h"

#include "core/LogManager.h"
#include "render/TextureManager.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_opengl.h>

#include <sstream>
#include <stdexcept>
#include <vector>

namespace Tarnu
{

namespace
{

// SDL2 refuses to create a larger window.
constexpr std::uint32_t MAX_WINDOW_SIDE = 16384;

void logToBoth(const std::string& message)
{
    LogManager::getSingleton().logMessage(VideoManager::LOG_NAME, message, LogFile::ML_CRITICAL, true);
}

[[noreturn]] void abortInitialization(const std::string& reason, const std::string& error)
{
    logToBoth(reason + ", aborting initialization.");
    throw std::runtime_error(error);
}

std::uint32_t depthOf(const SDL_DisplayMode& mode) { return SDL_BYTESPERPIXEL(mode.format) * 8; }

// Bytes rather than bits per pixel: a 24-bit colour desktop stores 32-bit pixels,
// and that is the depth a window on it gets.
std::uint32_t desktopBitDepth()
{
    SDL_DisplayMode desktop;
    return SDL_GetDesktopDisplayMode(0, &desktop) == 0 ? depthOf(desktop) : 0;
}

// The desktop counts as a mode of its own: some drivers list none, or only empty ones.
std::vector<std::uint32_t> fullScreenDepths(std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint32_t> depths;
    const auto consider = [&](const SDL_DisplayMode& mode) {
        if (depthOf(mode) > 0 && static_cast<std::uint32_t>(mode.w) >= width &&
            static_cast<std::uint32_t>(mode.h) >= height)
            depths.push_back(depthOf(mode));
    };
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0)
        consider(mode);
    for (int i = 0, count = SDL_GetNumDisplayModes(0); i < count; ++i)
        if (SDL_GetDisplayMode(0, i, &mode) == 0)
            consider(mode);
    return depths;
}

// SDL2 has no mode check, so this keeps the answers the engine was designed
// around: the depth to use, the requested one when possible, 0 when the mode
// cannot be shown at any depth. A window may have any size SDL2 can create and
// any depth from 8 to 32; a full screen must fit one of the display's modes and
// takes the depth of the closest such mode, the deeper one on a tie.
std::uint32_t supportedBitDepth(const VideoMode& mode)
{
    if (mode.bitDepth < 8 || mode.bitDepth > 32)
        return 0;
    if (mode.width == 0 || mode.height == 0 || mode.width > MAX_WINDOW_SIDE || mode.height > MAX_WINDOW_SIDE)
        return 0;
    if (!mode.fullScreen)
        return mode.bitDepth;

    const auto distance = [&](std::uint32_t depth) {
        return depth > mode.bitDepth ? depth - mode.bitDepth : mode.bitDepth - depth;
    };
    std::uint32_t closest = 0;
    for (std::uint32_t depth : fullScreenDepths(mode.width, mode.height))
        if (closest == 0 || distance(depth) < distance(closest) ||
            (distance(depth) == distance(closest) && depth > closest))
            closest = depth;
    return closest;
}

}

std::string VideoMode::toString() const
{
    std::ostringstream out;
    out << *this;
    return out.str();
}

std::ostream& operator<<(std::ostream& out, const VideoMode& mode)
{
    return out << "Width: " << mode.width << " Height: " << mode.height << " BitDepth: " << mode.bitDepth
               << " FullScreen: " << (mode.fullScreen ? "true" : "false");
}

void VideoManager::WindowDeleter::operator()(SDL_Window* window) const { SDL_DestroyWindow(window); }

void VideoManager::ContextDeleter::operator()(void* context) const { SDL_GL_DeleteContext(context); }

VideoManager::VideoManager(const VideoMode& requested)
{
    LogManager& logs = LogManager::getSingleton();
    // A construction that failed leaves its log registered; a later one writes on in it.
    if (!logs.getLog(LOG_NAME))
        logs.createLog(LOG_NAME, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, false);

    if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) < 0)
    {
        const std::string error = SDL_GetError();
        abortInitialization("Failed to initialize SDL_Video: " + error, error);
    }

    VideoMode used = requested;
    if (used.bitDepth == 0)
        used.bitDepth = desktopBitDepth();
    const std::uint32_t supported = supportedBitDepth(used);
    if (supported != used.bitDepth)
    {
        logToBoth("Warning: Given bit depth of " + std::to_string(used.bitDepth) +
                  " not supported; attempting to use bit depth of " + std::to_string(supported) + ".");
        used.bitDepth = supported;
    }
    if (used.bitDepth == 0)
        abortInitialization("Video mode not supported: " + used.toString(), "Video mode not supported.");

    // SDL2 would open a second GL window beside one made elsewhere; the engine draws to one only.
    if (SDL_GL_GetCurrentWindow())
        abortInitialization("SDL video surface was created prior to construction ofVideoManager",
                            "Video surface has already been created.");

    openWindow(used);

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    logToBoth("Initialized video subsytem. Using video mode: " + used.toString() + ".");
    mode = used;
}

VideoManager::~VideoManager()
{
    // The texture manager is deleted here first: its textures live in this GL context.
    delete TextureManager::getSingletonPtr();
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(LOG_NAME, "Video subsystem shut down.", LogFile::ML_CRITICAL, true);
}

void VideoManager::swapBuffers() { SDL_GL_SwapWindow(window.get()); }

void VideoManager::openWindow(const VideoMode& used)
{
    // The renderer uses the fixed-function pipeline, which a core profile lacks.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_BUFFER_SIZE, static_cast<int>(used.bitDepth));
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);

    const Uint32 flags = SDL_WINDOW_OPENGL | (used.fullScreen ? SDL_WINDOW_FULLSCREEN : 0);
    window.reset(SDL_CreateWindow("Tarnu", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                  static_cast<int>(used.width), static_cast<int>(used.height), flags));
    if (window)
        context.reset(SDL_GL_CreateContext(window.get()));
    if (!context)
    {
        // Read before unwinding: destroying the window may overwrite SDL's error text.
        const std::string error = SDL_GetError();
        abortInitialization("Error initializing SDL surface: " + error, error);
    }

    // The main loop paces itself; a driver that cannot turn vertical sync off only costs frame rate.
    SDL_GL_SetSwapInterval(0);

    // SDL copies the icon; a missing or unreadable file leaves the system's default icon.
    if (SDL_Surface* icon = IMG_Load("data/images/icon.png"))
    {
        SDL_SetWindowIcon(window.get(), icon);
        SDL_FreeSurface(icon);
    }
}

}
