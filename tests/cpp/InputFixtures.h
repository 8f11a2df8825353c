#pragma once
// SDL started headless with a small hidden window (mouse positions are clamped
// to it) and an input manager. Tests push SDL2 events with SDL_PushEvent, so the
// manager's filter judges them as it judges the platform's own; push answers 1
// when queued, 0 when filtered out.

#include "core/InputManager.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>

// The events below name only the fields a test sets; the rest are meant to be zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace Tarnu::Testing
{

class SdlInput : public testing::Test
{
protected:
    static constexpr int WIDTH = 64;
    static constexpr int HEIGHT = 48;

    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("input", 0, 0, WIDTH, HEIGHT, SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        id = SDL_GetWindowID(window);
        input = std::make_unique<InputManager>();
    }

    void TearDown() override
    {
        input.reset();
        SDL_DestroyWindow(window);
        SDL_Quit();
    }

    static int push(SDL_Event event) { return SDL_PushEvent(&event); }
    static int pushType(Uint32 type) { return push({.type = type}); }
    static int pushKey(Uint32 type, SDL_Keycode key, Uint8 repeat = 0)
    {
        return push({.key = {.type = type, .repeat = repeat, .keysym = {.sym = key}}});
    }
    int pushMotion(Sint32 x, Sint32 y, Sint32 dx, Sint32 dy, Uint32 held = 0) const
    {
        return push({.motion = {.type = SDL_MOUSEMOTION, .windowID = id, .state = held, .x = x, .y = y,
                                .xrel = dx, .yrel = dy}});
    }
    int pushButton(Uint32 type, Uint8 button, Sint32 x, Sint32 y) const
    {
        return push({.button = {.type = type, .windowID = id, .button = button, .x = x, .y = y}});
    }
    /// The wheel, always at (7, 9).
    int pushWheel(Sint32 up, Uint32 direction = SDL_MOUSEWHEEL_NORMAL, Sint32 sideways = 0) const
    {
        return push({.wheel = {.type = SDL_MOUSEWHEEL, .windowID = id, .x = sideways, .y = up,
                               .direction = direction, .mouseX = 7, .mouseY = 9}});
    }
    int pushWindow(Uint8 change) const
    {
        return push({.window = {.type = SDL_WINDOWEVENT, .windowID = id, .event = change}});
    }

    SDL_Window* window = nullptr;
    Uint32 id = 0;
    std::unique_ptr<InputManager> input;
};

}

#pragma GCC diagnostic pop
