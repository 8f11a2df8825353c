#include "core/LogFile.h"
#include "core/LogManager.h"
#include "core/VideoManager.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_opengl.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The messages of a log, without its header line and the clock before each message.
Strings messagesIn(const fs::path& file)
{
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d: (.*)$)");
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    Strings messages;
    for (std::smatch match; std::getline(in, line);)
        messages.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "<unstamped: " + line + ">");
    return messages;
}

std::string openedLine(const std::string& mode)
{
    return "Initialized video subsytem. Using video mode: " + mode + ".";
}

const std::string SHUT_DOWN = "Video subsystem shut down.";

// Each test runs in a fresh directory, so the logs and the icon path are its own,
// with SDL started the way the root starts it and a default log beside the video log.
class Video : public testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        static int counter = 0;
        home = fs::current_path();
        dir = fs::temp_directory_path() /
              ("tarnu-video-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir);
        fs::current_path(dir);
        logs = std::make_unique<LogManager>();
        logs->createLog("TarnuLog.txt", LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true);
        ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO), 0) << SDL_GetError();
    }

    void TearDown() override
    {
        SDL_Quit();
        logs.reset();
        fs::current_path(home);
        fs::remove_all(dir);
    }

    Strings videoLog() const { return messagesIn(dir / VideoManager::LOG_NAME); }
    Strings defaultLog() const { return messagesIn(dir / "TarnuLog.txt"); }

    fs::path home;
    fs::path dir;
    std::unique_ptr<LogManager> logs;
};

}

TEST_F(Video, WindowOpensAtTheRequestedSizeAndDepthZeroTakesTheDesktopsPixelSize)
{
    VideoManager video(VideoMode{800, 600, 0, false});

    EXPECT_EQ(&VideoManager::getSingleton(), &video);
    EXPECT_EQ(video.getVideoMode(), (VideoMode{800, 600, 32, false}));
    EXPECT_EQ(video.getWidth(), 800u);
    EXPECT_EQ(video.getHeight(), 600u);
    EXPECT_EQ(video.getBitDepth(), 32u);
    EXPECT_FALSE(video.isFullScreen());

    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_STREQ(SDL_GetWindowTitle(window), "Tarnu");
    EXPECT_EQ(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN, 0u);

    const Strings opened{openedLine("Width: 800 Height: 600 BitDepth: 32 FullScreen: false")};
    EXPECT_EQ(videoLog(), opened);
    EXPECT_EQ(defaultLog(), opened);
}

TEST_F(Video, WindowKeepsAnyDepthFromEightToThirtyTwo)
{
    for (std::uint32_t depth : {8u, 16u, 24u})
    {
        VideoManager video(VideoMode{320, 240, depth, false});
        EXPECT_EQ(video.getBitDepth(), depth);
    }
    EXPECT_EQ(videoLog(), (Strings{openedLine("Width: 320 Height: 240 BitDepth: 8 FullScreen: false"), SHUT_DOWN,
                                   openedLine("Width: 320 Height: 240 BitDepth: 16 FullScreen: false"), SHUT_DOWN,
                                   openedLine("Width: 320 Height: 240 BitDepth: 24 FullScreen: false"), SHUT_DOWN}));
}

TEST_F(Video, FixedFunctionStateIsSetAndClearsReachTheFramebuffer)
{
    VideoManager video(VideoMode{64, 48, 32, false});

    std::array<GLfloat, 4> clearColour{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour.data());
    EXPECT_EQ(clearColour, (std::array<GLfloat, 4>{0.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint hint = 0;
    glGetIntegerv(GL_PERSPECTIVE_CORRECTION_HINT, &hint);
    EXPECT_EQ(hint, GL_NICEST);

    glClearColor(51 / 255.0f, 153 / 255.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<GLubyte, 4> corner{};
    glReadPixels(63, 47, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner.data());
    EXPECT_EQ(corner, (std::array<GLubyte, 4>{51, 153, 255, 255}));

    video.swapBuffers();
    // A core profile would have refused the client-state calls above.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Video, DestructionLogsAndLeavesNoWindowOrContext)
{
    auto video = std::make_unique<VideoManager>(VideoMode{640, 480, 32, false});
    const Uint32 windowId = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    ASSERT_NE(windowId, 0u);

    video.reset();
    EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(windowId), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    const Strings lived{openedLine("Width: 640 Height: 480 BitDepth: 32 FullScreen: false"), SHUT_DOWN};
    EXPECT_EQ(videoLog(), lived);
    EXPECT_EQ(defaultLog(), lived);

    VideoManager again(VideoMode{640, 480, 32, false});
    EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
}

TEST_F(Video, ModesThatCannotBeShownFailAndLeaveNothingBehind)
{
    struct Case
    {
        VideoMode mode;
        std::string givenDepth;
        std::string text;
    };
    const std::vector<Case> cases{
        {{0, 0, 32, false}, "32", "Width: 0 Height: 0 BitDepth: 0 FullScreen: false"},
        {{800, 0, 0, false}, "32", "Width: 800 Height: 0 BitDepth: 0 FullScreen: false"},
        {{static_cast<std::uint32_t>(-100), 600, 32, false}, "32",
         "Width: 4294967196 Height: 600 BitDepth: 0 FullScreen: false"},
        {{800, 20000, 32, false}, "32", "Width: 800 Height: 20000 BitDepth: 0 FullScreen: false"},
        {{800, 600, 7, false}, "7", "Width: 800 Height: 600 BitDepth: 0 FullScreen: false"},
        {{800, 600, 33, false}, "33", "Width: 800 Height: 600 BitDepth: 0 FullScreen: false"},
        // The offscreen display is 1024x768.
        {{1025, 768, 32, true}, "32", "Width: 1025 Height: 768 BitDepth: 0 FullScreen: true"},
    };

    Strings expected;
    for (const Case& failing : cases)
    {
        SCOPED_TRACE(failing.text);
        EXPECT_EQ(errorText([&] { VideoManager video(failing.mode); }), "Video mode not supported.");
        EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
        EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
        expected.push_back("Warning: Given bit depth of " + failing.givenDepth +
                           " not supported; attempting to use bit depth of 0.");
        expected.push_back("Video mode not supported: " + failing.text + ", aborting initialization.");
    }
    EXPECT_EQ(videoLog(), expected);
    EXPECT_EQ(defaultLog(), expected);

    VideoManager video(VideoMode{800, 600, 0, false});
    EXPECT_EQ(video.getVideoMode(), (VideoMode{800, 600, 32, false}));
    EXPECT_EQ(videoLog().back(), openedLine("Width: 800 Height: 600 BitDepth: 32 FullScreen: false"));
}

TEST_F(Video, FullScreenFallsBackToTheDisplaysDepthWhileAWindowMayOutgrowTheDisplay)
{
    {
        VideoManager video(VideoMode{800, 600, 16, true});
        EXPECT_EQ(video.getVideoMode(), (VideoMode{800, 600, 32, true}));
        EXPECT_NE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
    }
    {
        VideoManager video(VideoMode{1025, 769, 16, false});
        EXPECT_EQ(video.getVideoMode(), (VideoMode{1025, 769, 16, false}));
    }
    const Strings expected{"Warning: Given bit depth of 16 not supported; attempting to use bit depth of 32.",
                           openedLine("Width: 800 Height: 600 BitDepth: 32 FullScreen: true"), SHUT_DOWN,
                           openedLine("Width: 1025 Height: 769 BitDepth: 16 FullScreen: false"), SHUT_DOWN};
    EXPECT_EQ(videoLog(), expected);
    EXPECT_EQ(defaultLog(), expected);
}

TEST_F(Video, SecondManagerFailsAndLeavesTheFirstWorking)
{
    VideoManager first(VideoMode{320, 240, 32, false});
    SDL_Window* window = SDL_GL_GetCurrentWindow();

    EXPECT_EQ(errorText([] { VideoManager second(VideoMode{640, 480, 32, false}); }),
              "Error: attempt to reconstruct singleton class Tarnu::VideoManager!");
    EXPECT_EQ(&VideoManager::getSingleton(), &first);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), window);
    EXPECT_EQ(first.getVideoMode(), (VideoMode{320, 240, 32, false}));
    EXPECT_EQ(videoLog(), (Strings{openedLine("Width: 320 Height: 240 BitDepth: 32 FullScreen: false")}));
}

TEST_F(Video, AGlWindowOpenedElsewhereRefusesTheManager)
{
    SDL_Window* other = SDL_CreateWindow("other", 0, 0, 100, 100, SDL_WINDOW_OPENGL);
    ASSERT_NE(other, nullptr) << SDL_GetError();
    SDL_GLContext otherContext = SDL_GL_CreateContext(other);
    ASSERT_NE(otherContext, nullptr) << SDL_GetError();

    EXPECT_EQ(errorText([] { VideoManager video(VideoMode{320, 240, 32, false}); }),
              "Video surface has already been created.");
    EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), other);
    const Strings refused{
        "SDL video surface was created prior to construction ofVideoManager, aborting initialization."};
    EXPECT_EQ(videoLog(), refused);
    EXPECT_EQ(defaultLog(), refused);

    SDL_GL_DeleteContext(otherContext);
    SDL_DestroyWindow(other);
    VideoManager video(VideoMode{320, 240, 32, false});
    EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
}

TEST_F(Video, ARefusedContextTakesItsWindowDownAndAGoodSetupThenSucceeds)
{
    // SDL numbers windows in creation order, so the manager's window would be the next one.
    SDL_Window* probe = SDL_CreateWindow("probe", 0, 0, 10, 10, 0);
    ASSERT_NE(probe, nullptr) << SDL_GetError();
    const Uint32 managersWindowId = SDL_GetWindowID(probe) + 1;
    SDL_DestroyWindow(probe);
    // The driver refuses a forward-compatible context of version 2.1, but only once the window exists.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);

    const std::string error = errorText([] { VideoManager video(VideoMode{320, 240, 32, false}); });
    EXPECT_NE(error, "no error");
    EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(SDL_GetWindowFromID(managersWindowId), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
    const Strings failed{"Error initializing SDL surface: " + error + ", aborting initialization."};
    EXPECT_EQ(videoLog(), failed);
    EXPECT_EQ(defaultLog(), failed);

    SDL_GL_ResetAttributes();
    VideoManager video(VideoMode{320, 240, 32, false});
    EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
    EXPECT_EQ(videoLog().back(), openedLine("Width: 320 Height: 240 BitDepth: 32 FullScreen: false"));
}

TEST_F(Video, StartsSdlVideoWhenNobodyHasAndReportsWhenItCannot)
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    ASSERT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);

    ::setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    const std::string error = errorText([] { VideoManager video(VideoMode{320, 240, 32, false}); });
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error, "no error");
    EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
    const Strings failed{"Failed to initialize SDL_Video: " + error + ", aborting initialization."};
    EXPECT_EQ(videoLog(), failed);
    EXPECT_EQ(defaultLog(), failed);

    VideoManager video(VideoMode{320, 240, 32, false});
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
}

TEST_F(Video, WithoutALogManagerNothingOpens)
{
    logs.reset();
    EXPECT_EQ(errorText([] { VideoManager video(VideoMode{320, 240, 32, false}); }),
              "Error: attempt to dereference singleton class Tarnu::LogManager when singleton is null.");
    EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
}

TEST_F(Video, AnUnreadableIconOrAReadableOneStillOpensTheWindow)
{
    fs::create_directories("data/images");
    std::ofstream("data/images/icon.png") << "not an image";
    {
        VideoManager video(VideoMode{320, 240, 32, false});
        EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
    }

    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, 16, 16, 32, SDL_PIXELFORMAT_RGBA32);
    ASSERT_NE(icon, nullptr);
    SDL_FillRect(icon, nullptr, SDL_MapRGBA(icon->format, 200, 40, 40, 255));
    ASSERT_EQ(IMG_SavePNG(icon, "data/images/icon.png"), 0) << SDL_GetError();
    SDL_FreeSurface(icon);
    VideoManager video(VideoMode{320, 240, 32, false});
    EXPECT_NE(SDL_GL_GetCurrentWindow(), nullptr);
}
