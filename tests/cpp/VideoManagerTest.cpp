#include "core/LogFile.h"
#include "core/LogManager.h"
#include "core/VideoManager.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
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

std::string openedLine(const std::string& m) { return "Initialized video subsytem. Using video mode: " + m + "."; }

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

    fs::path home, dir;
    std::unique_ptr<LogManager> logs;
};

}

TEST_F(Video, WindowOpensAtTheRequestedSizeDrawsAndClosesCleanly)
{
    auto video = std::make_unique<VideoManager>(VideoMode{800, 600, 0, false});
    EXPECT_EQ(video->getVideoMode(), (VideoMode{800, 600, 32, false}));
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(800, 600));

    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glClearColor(51 / 255.0f, 153 / 255.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::array<GLubyte, 4> corner{};
    glReadPixels(799, 599, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner.data());
    EXPECT_EQ(corner, (std::array<GLubyte, 4>{51, 153, 255, 255}));
    video->swapBuffers();
    // A core profile would have refused the manager's fixed-function set-up.
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    video.reset();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    const Strings lived{openedLine("Width: 800 Height: 600 BitDepth: 32 FullScreen: false"),
                       "Video subsystem shut down."};
    EXPECT_EQ(videoLog(), lived);
}

TEST_F(Video, ModesThatCannotBeShownFailAndLeaveNothingBehind)
{
    const std::vector<std::tuple<VideoMode, std::string, std::string>> cases{
        {{800, 0, 0, false}, "32", "Width: 800 Height: 0 BitDepth: 0 FullScreen: false"},
        {{800, 20000, 32, false}, "32", "Width: 800 Height: 20000 BitDepth: 0 FullScreen: false"},
        {{800, 600, 7, false}, "7", "Width: 800 Height: 600 BitDepth: 0 FullScreen: false"},
        // The offscreen display is 1024x768.
        {{1025, 768, 32, true}, "32", "Width: 1025 Height: 768 BitDepth: 0 FullScreen: true"},
    };

    Strings expected;
    for (const auto& [mode, givenDepth, text] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(errorText([&] { VideoManager video(mode); }), "Video mode not supported.");
        EXPECT_EQ(VideoManager::getSingletonPtr(), nullptr);
        EXPECT_EQ(SDL_GL_GetCurrentWindow(), nullptr);
        expected.push_back("Warning: Given bit depth of " + givenDepth +
                           " not supported; attempting to use bit depth of 0.");
        expected.push_back("Video mode not supported: " + text + ", aborting initialization.");
    }
    EXPECT_EQ(videoLog(), expected);
    EXPECT_EQ(defaultLog(), expected);

    // A retry succeeds; a full screen falls back to the closest depth the display has.
    VideoManager video(VideoMode{800, 600, 16, true});
    EXPECT_EQ(video.getVideoMode(), (VideoMode{800, 600, 32, true}));
    EXPECT_NE(SDL_GetWindowFlags(SDL_GL_GetCurrentWindow()) & SDL_WINDOW_FULLSCREEN, 0u);
    expected.push_back("Warning: Given bit depth of 16 not supported; attempting to use bit depth of 32.");
    expected.push_back(openedLine("Width: 800 Height: 600 BitDepth: 32 FullScreen: true"));
    EXPECT_EQ(videoLog(), expected);
}
