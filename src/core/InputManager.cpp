#include "core/InputManager.h"

#include "core/EventManagerImpl.h"
#include "core/InputEvents.h"
#include "core/KeyTable.h"

#include <SDL.h>

namespace Tarnu
{

namespace
{

constexpr std::uint32_t WHEEL_UP_BUTTON = 4;
constexpr std::uint32_t WHEEL_DOWN_BUTTON = 5;

bool isWindowActivity(std::uint8_t change)
{
    switch (change)
    {
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_ENTER:
    case SDL_WINDOWEVENT_LEAVE:
        return true;
    default:
        return false;
    }
}

// SDL2 reports positions outside the window while it captures the mouse (a
// button held while leaving); the engine's positions are unsigned window pixels.
std::uint32_t clampTo(std::int32_t value, int size)
{
    if (value < 0)
        return 0;
    if (size > 0 && value >= size)
        return static_cast<std::uint32_t>(size - 1);
    return static_cast<std::uint32_t>(value);
}

struct Position
{
    std::uint32_t x;
    std::uint32_t y;
};

Position inWindow(std::uint32_t windowID, std::int32_t x, std::int32_t y)
{
    int width = 0;
    int height = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(windowID))
        SDL_GetWindowSize(window, &width, &height);
    return {clampTo(x, width), clampTo(y, height)};
}

// SDL 1.2 gave the wheel buttons 4 and 5, so SDL2's buttons from X1 on move
// two places up (X1 is 6, X2 is 7, as in SDL 1.2).
std::uint32_t buttonNumber(std::uint8_t sdlButton)
{
    return sdlButton >= SDL_BUTTON_X1 ? sdlButton + 2u : sdlButton;
}

std::shared_ptr<MouseEvent> buttonEvent(MouseEvent::MouseState state, const Position& at, std::uint32_t button,
                                        double time)
{
    return std::make_shared<MouseEvent>(state, at.x, at.y, 0, 0, button, time);
}

/// The wheel as SDL 1.2 reported it, a button of its own: 4 up, 5 down, 0 for sideways only.
std::uint32_t wheelButton(const SDL_MouseWheelEvent& wheel)
{
    const std::int32_t up = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -wheel.y : wheel.y;
    if (up == 0)
        return 0;
    return up > 0 ? WHEEL_UP_BUTTON : WHEEL_DOWN_BUTTON;
}

}

InputManager::InputManager()
{
    SDL_SetEventFilter(&InputManager::eventFilter, nullptr);
}

InputManager::~InputManager()
{
    SDL_SetEventFilter(nullptr, nullptr);
}

int InputManager::eventFilter(void* userData, SDL_Event* event)
{
    switch (event->type)
    {
    case SDL_KEYDOWN:
        // Key repeat is off: a held key is one press.
        return event->key.repeat == 0;
    case SDL_KEYUP:
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
    case SDL_JOYAXISMOTION:
    case SDL_JOYBALLMOTION:
    case SDL_JOYHATMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_QUIT:
    // SDL's own marker of the end of a poll cycle; SDL_PollEvent never returns it.
    case SDL_POLLSENTINEL:
        return 1;
    case SDL_WINDOWEVENT:
        return isWindowActivity(event->window.event);
    default:
        return 0;
    }
}

bool InputManager::pumpEvents(double time)
{
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        switch (event.type)
        {
        case SDL_WINDOWEVENT:
            postWindowChange(event.window.event, time);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            post(std::make_shared<KeyEvent>(keyFromSdl(event.key.keysym.sym),
                                            event.type == SDL_KEYDOWN ? KeyEvent::KEY_PRESSED : KeyEvent::KEY_RELEASED,
                                            time));
            break;
        case SDL_MOUSEMOTION:
        {
            const Position at = inWindow(event.motion.windowID, event.motion.x, event.motion.y);
            post(std::make_shared<MouseEvent>(MouseEvent::MOUSE_MOTION, at.x, at.y, event.motion.xrel,
                                              event.motion.yrel, 0, time));
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            post(buttonEvent(event.type == SDL_MOUSEBUTTONDOWN ? MouseEvent::MOUSE_PRESSED : MouseEvent::MOUSE_RELEASED,
                             inWindow(event.button.windowID, event.button.x, event.button.y),
                             buttonNumber(event.button.button), time));
            break;
        case SDL_MOUSEWHEEL:
            if (const std::uint32_t button = wheelButton(event.wheel))
            {
                const Position at = inWindow(event.wheel.windowID, event.wheel.mouseX, event.wheel.mouseY);
                post(buttonEvent(MouseEvent::MOUSE_PRESSED, at, button, time));
                post(buttonEvent(MouseEvent::MOUSE_RELEASED, at, button, time));
            }
            break;
        case SDL_QUIT:
            quit = true;
            break;
        }
    }
    return !quit;
}

void InputManager::post(const std::shared_ptr<Event>& event)
{
    getImpl().dispatchEvent(event);
}

void InputManager::postWindowChange(std::uint8_t change, double time)
{
    WindowEvent::WindowState state;
    switch (change)
    {
    case SDL_WINDOWEVENT_MINIMIZED:
        iconified = true;
        state = WindowEvent::WINDOW_ICONIFIED;
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        if (!iconified)
            return;
        iconified = false;
        state = WindowEvent::WINDOW_DEICONIFIED;
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        state = WindowEvent::WINDOW_GAINED_INPUT_FOCUS;
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        state = WindowEvent::WINDOW_LOST_INPUT_FOCUS;
        break;
    case SDL_WINDOWEVENT_ENTER:
        state = WindowEvent::WINDOW_GAINED_MOUSE_FOCUS;
        break;
    case SDL_WINDOWEVENT_LEAVE:
        state = WindowEvent::WINDOW_LOST_MOUSE_FOCUS;
        break;
    default:
        return;
    }
    post(std::make_shared<WindowEvent>(state, time));
}

}
