#pragma once
// A window opened as the root opens it, with a log manager, in a folder of its
// own for the logs: the ground of tests that draw or load. It fails a test that
// leaves entities or components alive, as every scene test does.

#include "SceneFixtures.h"
#include "core/LogManager.h"
#include "core/VideoManager.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace Tarnu::Testing
{

class InWindow : public SceneTest
{
protected:
    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() / ("tarnu-window-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        logs = std::make_unique<LogManager>();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        video = std::make_unique<VideoManager>(VideoMode{64, 64, 0, false});
    }

    void TearDown() override
    {
        // The video manager takes the texture manager, and that the font manager, with it.
        video.reset();
        SDL_Quit();
        logs.reset();
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        SceneTest::TearDown();
    }

    std::filesystem::path previous, folder;
    std::unique_ptr<LogManager> logs;
    std::unique_ptr<VideoManager> video;
};

}
