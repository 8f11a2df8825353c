#include "core/EventManager.h"
#include "core/InputEvents.h"
#include "core/InputManager.h"
#include "core/KeyTable.h"

#include "InputFixtures.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

using Strings = std::vector<std::string>;

std::string describe(const char* call, const KeyEvent& e)
{
    return std::string(call) + " " + std::to_string(e.getKey()) + " " + std::to_string(e.getState()) + " @" +
           std::to_string(e.getEventTime());
}

std::string describe(const char* call, const MouseEvent& e)
{
    return std::string(call) + " " + std::to_string(e.getX()) + "," + std::to_string(e.getY()) + " d" +
           std::to_string(e.getDx()) + "," + std::to_string(e.getDy()) + " b" + std::to_string(e.getButton());
}

std::string describe(const char* call, const WindowEvent& e)
{
    return std::string(call) + " " + std::to_string(e.getState());
}

// The three recorders write into one shared log, so that order across classes shows.
struct Keys : KeyListener
{
    explicit Keys(Strings& log) : log(log) {}
    void keyPressed(const std::shared_ptr<KeyEvent>& e) override { log.push_back(describe("pressed", *e)); }
    void keyReleased(const std::shared_ptr<KeyEvent>& e) override { log.push_back(describe("released", *e)); }
    Strings& log;
};

struct Mouse : MouseListener
{
    explicit Mouse(Strings& log) : log(log) {}
    void mousePressed(const std::shared_ptr<MouseEvent>& e) override { log.push_back(describe("down", *e)); }
    void mouseReleased(const std::shared_ptr<MouseEvent>& e) override { log.push_back(describe("up", *e)); }
    void mouseMoved(const std::shared_ptr<MouseEvent>& e) override { log.push_back(describe("moved", *e)); }
    Strings& log;
};

struct Window : WindowListener
{
    using E = const std::shared_ptr<WindowEvent>&;
    explicit Window(Strings& log) : log(log) {}
    void windowIconified(E e) override { log.push_back(describe("iconified", *e)); }
    void windowDeiconified(E e) override { log.push_back(describe("deiconified", *e)); }
    void windowInputFocusGained(E e) override { log.push_back(describe("inputGained", *e)); }
    void windowInputFocusLost(E e) override { log.push_back(describe("inputLost", *e)); }
    void windowMouseFocusGained(E e) override { log.push_back(describe("mouseGained", *e)); }
    void windowMouseFocusLost(E e) override { log.push_back(describe("mouseLost", *e)); }
    Strings& log;
};

// A recorder of each listener class registered with the input manager.
class Input : public Testing::SdlInput
{
protected:
    void SetUp() override
    {
        SdlInput::SetUp();
        if (HasFatalFailure())
            return;
        input->addEventListener(&keys);
        input->addEventListener(&mouse);
        input->addEventListener(&windowActivity);
    }

    /// What one pump delivered.
    Strings pump(bool expectedAnswer = true, double time = 0.0)
    {
        log.clear();
        EXPECT_EQ(input->pumpEvents(time), expectedAnswer);
        return log;
    }

    Strings log;
    Keys keys{log};
    Mouse mouse{log};
    Window windowActivity{log};
};

}

TEST_F(Input, FilterDropsKeyRepeatsAndEverythingButInputQuitAndJoystick)
{
    EXPECT_EQ(pushKey(SDL_KEYDOWN, SDLK_UP), 1);
    EXPECT_EQ(pushKey(SDL_KEYDOWN, SDLK_UP, 1), 0);
    EXPECT_EQ(pushKey(SDL_KEYDOWN, SDLK_UP, 2), 0);
    for (Uint8 change : {SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_HIDDEN, SDL_WINDOWEVENT_EXPOSED, SDL_WINDOWEVENT_MOVED,
                         SDL_WINDOWEVENT_RESIZED, SDL_WINDOWEVENT_SIZE_CHANGED, SDL_WINDOWEVENT_CLOSE})
        EXPECT_EQ(pushWindow(change), 0) << "window change " << int(change);
    for (Uint32 type : {SDL_TEXTINPUT, SDL_TEXTEDITING, SDL_KEYMAPCHANGED, SDL_SYSWMEVENT, SDL_FINGERDOWN,
                        SDL_CONTROLLERBUTTONDOWN, SDL_JOYDEVICEADDED, SDL_CLIPBOARDUPDATE, SDL_USEREVENT})
        EXPECT_EQ(pushType(type), 0) << "type " << type;
    for (Uint32 type : {SDL_JOYAXISMOTION, SDL_JOYBALLMOTION, SDL_JOYHATMOTION, SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP})
        EXPECT_EQ(pushType(type), 1) << "type " << type;
    EXPECT_EQ(pushKey(SDL_KEYUP, SDLK_UP), 1);
    // The keycode arrives as the engine's key number, stamped with the pump's time.
    EXPECT_EQ(pump(true, 2.5), (Strings{"pressed 273 2 @2.500000", "released 273 3 @2.500000"}));
    EXPECT_EQ(pump(), Strings{});

    // Once the manager is gone, SDL filters nothing again.
    input.reset();
    EXPECT_EQ(pushType(SDL_TEXTINPUT), 1);
    EXPECT_EQ(pushKey(SDL_KEYDOWN, SDLK_a, 1), 1);
}

TEST(InputKeyTable, SdlKeycodesMapToEngineKeysAndEveryNamedKeyIsReachableAndNamed)
{
    const std::vector<std::pair<SDL_Keycode, std::uint32_t>> cases = {
        {SDLK_KP_0, KeyEvent::KEY_KP0},   {SDLK_KP_EQUALS, KeyEvent::KEY_KP_EQUALS},
        {SDLK_PAGEDOWN, KeyEvent::KEY_PGDN}, {SDLK_F15, KeyEvent::KEY_F15},
        {SDLK_NUMLOCKCLEAR, KeyEvent::KEY_NUMLOCK}, {SDLK_LALT, KeyEvent::KEY_LALT},
        {SDLK_PRINTSCREEN, KeyEvent::KEY_PRINT}, {SDLK_DELETE, KeyEvent::KEY_DELETE},
        {SDLK_LGUI, 311}, {SDLK_RGUI, 312}, {SDLK_APPLICATION, 319},
        // No SDL 1.2 symbol: the SDL2 number passes through unchanged.
        {SDLK_PERCENT, 37}, {SDLK_F16, static_cast<std::uint32_t>(SDLK_F16)},
    };
    for (const auto& [sdl, engine] : cases)
        EXPECT_EQ(static_cast<std::uint32_t>(keyFromSdl(sdl)), engine) << "SDL keycode " << sdl;

    std::set<std::uint32_t> reached;
    for (SDL_Keycode keycode = 0; keycode < 0x400; ++keycode)
        reached.insert(keyFromSdl(keycode));
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
        reached.insert(keyFromSdl(SDL_SCANCODE_TO_KEYCODE(scancode)));
    EXPECT_EQ(std::size(NAMED_KEYS), 122u);
    std::uint32_t previous = 0;
    for (const NamedKey& named : NAMED_KEYS)
    {
        EXPECT_GT(static_cast<std::uint32_t>(named.key), previous) << named.name;
        previous = named.key;
        EXPECT_TRUE(reached.count(named.key)) << named.name;
        EXPECT_NE(KeyEvent::getKeyName(named.key), "unknown key") << named.name;
    }

    // SDL 1.2 named some numbers that are no KeyType.
    EXPECT_STREQ(sdlKeyName(233), "world 73");
    EXPECT_STREQ(sdlKeyName(311), "left super");
    EXPECT_STREQ(sdlKeyName(322), "undo");
    for (std::uint32_t unnamed : {0u, 37u, 128u, 297u, 323u, 0x40000000u})
        EXPECT_STREQ(sdlKeyName(unnamed), "unknown key") << unnamed;
}

TEST_F(Input, PositionsAreClampedToTheWindowAndMotionNamesNoButtonEvenWhileOneIsHeld)
{
    pushMotion(-5, HEIGHT + 40, 1, 1, SDL_BUTTON_LMASK);
    pushMotion(WIDTH, -1, 0, 0);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, -300, 12);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, WIDTH - 1, HEIGHT - 1);
    EXPECT_EQ(pump(), (Strings{"moved 0,47 d1,1 b0", "moved 63,0 d0,0 b0", "down 0,12 d0,0 b1", "up 63,47 d0,0 b1"}));
}

TEST_F(Input, WheelIsAPressAndReleaseOfButtonFourUpOrFiveDownAndExtraButtonsSkipThem)
{
    pushWheel(1);
    pushWheel(-3);
    pushWheel(1, SDL_MOUSEWHEEL_FLIPPED);
    pushWheel(0, SDL_MOUSEWHEEL_NORMAL, 2);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 1, 1);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_X2, 1, 1);
    EXPECT_EQ(pump(), (Strings{"down 7,9 d0,0 b4", "up 7,9 d0,0 b4", "down 7,9 d0,0 b5", "up 7,9 d0,0 b5",
                               "down 7,9 d0,0 b5", "up 7,9 d0,0 b5", "down 1,1 d0,0 b6", "up 1,1 d0,0 b7"}));
}

TEST_F(Input, WindowActivityBecomesWindowEventsAndOnlyAReturnFromIconifiedDeiconifies)
{
    for (Uint8 change : {SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_LEAVE, SDL_WINDOWEVENT_RESTORED,
                         SDL_WINDOWEVENT_MAXIMIZED, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED,
                         SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_MAXIMIZED,
                         SDL_WINDOWEVENT_ENTER, SDL_WINDOWEVENT_FOCUS_GAINED})
        pushWindow(change);
    EXPECT_EQ(pump(), (Strings{"inputLost 3", "mouseLost 5", "iconified 1", "deiconified 0", "iconified 1",
                               "deiconified 0", "mouseGained 4", "inputGained 2"}));
}

TEST_F(Input, QuitAnswersFalseAndTheEventsAroundItAreEachPostedOnce)
{
    pushKey(SDL_KEYDOWN, SDLK_SPACE);
    pushWindow(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(pushType(SDL_QUIT), 1);
    pushKey(SDL_KEYUP, SDLK_SPACE);
    pushMotion(1, 2, 3, 4);
    EXPECT_EQ(pump(false),
              (Strings{"pressed 32 2 @0.000000", "inputLost 3", "released 32 3 @0.000000", "moved 1,2 d3,4 b0"}));
    EXPECT_EQ(pump(true), Strings{});
}

TEST(InputListeners, AnEventOfTheirTypeButAnotherClassIsIgnored)
{
    Strings log;
    Keys keys(log);
    Mouse mouse(log);
    Window window(log);
    EventManager events;
    events.addEventListener(&keys);
    events.addEventListener(&mouse);
    events.addEventListener(&window);
    for (std::uint32_t type : {KeyEvent::TYPE, MouseEvent::TYPE, WindowEvent::TYPE})
        events.postEvent(std::make_shared<Event>(type, 0.0));
    events.postEvent(std::make_shared<WindowEvent>(static_cast<WindowEvent::WindowState>(9), 0.0));
    EXPECT_EQ(log, Strings{});

    events.postEvent(std::make_shared<KeyEvent>(KeyEvent::KeyType(5000), KeyEvent::KEY_RELEASED, 1.0));
    events.postEvent(std::make_shared<MouseEvent>(MouseEvent::MOUSE_MOTION, 1, 2, -1, -2, 0, 0.0));
    events.postEvent(std::make_shared<WindowEvent>(WindowEvent::WINDOW_ICONIFIED, 0.0));
    EXPECT_EQ(log, (Strings{"released 5000 3 @1.000000", "moved 1,2 d-1,-2 b0", "iconified 1"}));
}
