#pragma once
// Owns the game's single window and its OpenGL context, and sets the fixed-function
// state every drawing call assumes. The context is destroyed before the window,
// and a constructor that fails anywhere leaves neither behind, so a later
// attempt starts clean. Its log, "VideoSystemLog.txt", is shared with the texture manager.

#include "core/Singleton.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

struct SDL_Window;

namespace Tarnu
{

struct VideoMode
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    /// Bits per pixel; 0 asks for the desktop's depth.
    std::uint32_t bitDepth = 0;
    bool fullScreen = false;

    bool operator==(const VideoMode&) const = default;

    /// "Width: 800 Height: 600 BitDepth: 32 FullScreen: false", as the video log writes it.
    std::string toString() const;
};

std::ostream& operator<<(std::ostream& out, const VideoMode& mode);

class VideoManager : public Singleton<VideoManager>
{
public:
    static constexpr const char* LOG_NAME = "VideoSystemLog.txt";

    /// Opens the window, or raises after logging why to the video and default logs.
    explicit VideoManager(const VideoMode& requested);
    ~VideoManager();

    /// The mode actually in use, its bit depth as corrected by the mode check.
    const VideoMode& getVideoMode() const { return mode; }
    std::uint32_t getWidth() const { return mode.width; }
    std::uint32_t getHeight() const { return mode.height; }
    std::uint32_t getBitDepth() const { return mode.bitDepth; }
    bool isFullScreen() const { return mode.fullScreen; }

    /// Shows the frame just rendered; the main loop calls it once per rendered frame.
    void swapBuffers();

private:
    struct WindowDeleter
    {
        void operator()(SDL_Window* window) const;
    };
    struct ContextDeleter
    {
        void operator()(void* context) const;
    };

    void openWindow(const VideoMode& used);

    // Declared window first so that the context, made from it, is destroyed first.
    std::unique_ptr<SDL_Window, WindowDeleter> window;
    std::unique_ptr<void, ContextDeleter> context;
    VideoMode mode;
};

}
