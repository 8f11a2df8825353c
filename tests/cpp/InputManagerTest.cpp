#include "core/InputEvents.h"
#include "core/InputManager.h"
#include "core/KeyTable.h"

#include "EmbeddedPython.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace Tarnu;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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

// The recorders write into one shared log, so that order across classes shows.
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
    void windowIconified(E e) override { write("iconified", e); }
    void windowDeiconified(E e) override { write("deiconified", e); }
    void windowInputFocusGained(E e) override { write("inputGained", e); }
    void windowInputFocusLost(E e) override { write("inputLost", e); }
    void windowMouseFocusGained(E e) override { write("mouseGained", e); }
    void windowMouseFocusLost(E e) override { write("mouseLost", e); }
    void write(const char* call, E e) { log.push_back(std::string(call) + " " + std::to_string(e->getState())); }
    Strings& log;
};

// Headless SDL with a small hidden window (positions are clamped to it) and an input manager
// with a recorder of each listener class. Pushed events meet the manager's filter as the
// platform's own do (1: queued, 0: filtered out); unnamed fields are meant to be zero.
class Input : public testing::Test
{
protected:
    static constexpr int WIDTH = 64, HEIGHT = 48;

    void SetUp() override
    {
        ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("input", 0, 0, WIDTH, HEIGHT, SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        id = SDL_GetWindowID(window);
        input = std::make_unique<InputManager>();
        input->addEventListener(&keys);
        input->addEventListener(&mouse);
        input->addEventListener(&windowActivity);
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
    int pushWindow(Uint8 change) const { return push({.window = {SDL_WINDOWEVENT, 0, id, change}}); }

    Strings pump(bool expectedAnswer = true, double time = 0.0)
    {
        log.clear();
        EXPECT_EQ(input->pumpEvents(time), expectedAnswer);
        return log;
    }

    SDL_Window* window = nullptr;
    Uint32 id = 0;
    std::unique_ptr<InputManager> input;
    Strings log;
    Keys keys{log};
    Mouse mouse{log};
    Window windowActivity{log};
};

}

#pragma GCC diagnostic pop

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
}

TEST(InputKeyTable, EverySdlKeyMapsToItsOwnEngineKeyAndEveryNamedKeyIsReachableAndNamed)
{
    // Character keys share their numbers; SDL 1.2's symbols for the others, written out by hand.
    for (SDL_Keycode keycode = 0; keycode < 128; ++keycode)
        EXPECT_EQ(static_cast<std::int32_t>(keyFromSdl(keycode)), keycode);
    const std::pair<SDL_Keycode, std::uint32_t> keys[] = {
        {SDLK_CLEAR, 12}, {SDLK_PAUSE, 19},
        {SDLK_KP_0, 256}, {SDLK_KP_1, 257}, {SDLK_KP_2, 258}, {SDLK_KP_3, 259}, {SDLK_KP_4, 260},
        {SDLK_KP_5, 261}, {SDLK_KP_6, 262}, {SDLK_KP_7, 263}, {SDLK_KP_8, 264}, {SDLK_KP_9, 265},
        {SDLK_KP_PERIOD, 266}, {SDLK_KP_DIVIDE, 267}, {SDLK_KP_MULTIPLY, 268}, {SDLK_KP_MINUS, 269},
        {SDLK_KP_PLUS, 270}, {SDLK_KP_ENTER, 271}, {SDLK_KP_EQUALS, 272},
        {SDLK_UP, 273}, {SDLK_DOWN, 274}, {SDLK_RIGHT, 275}, {SDLK_LEFT, 276}, {SDLK_INSERT, 277},
        {SDLK_HOME, 278}, {SDLK_END, 279}, {SDLK_PAGEUP, 280}, {SDLK_PAGEDOWN, 281},
        {SDLK_F1, 282}, {SDLK_F2, 283}, {SDLK_F3, 284}, {SDLK_F4, 285}, {SDLK_F5, 286}, {SDLK_F6, 287},
        {SDLK_F7, 288}, {SDLK_F8, 289}, {SDLK_F9, 290}, {SDLK_F10, 291}, {SDLK_F11, 292}, {SDLK_F12, 293},
        {SDLK_F13, 294}, {SDLK_F14, 295}, {SDLK_F15, 296},
        {SDLK_NUMLOCKCLEAR, 300}, {SDLK_CAPSLOCK, 301}, {SDLK_SCROLLLOCK, 302}, {SDLK_RSHIFT, 303},
        {SDLK_LSHIFT, 304}, {SDLK_RCTRL, 305}, {SDLK_LCTRL, 306}, {SDLK_RALT, 307}, {SDLK_LALT, 308},
        {SDLK_LGUI, 311}, {SDLK_RGUI, 312}, {SDLK_MODE, 313}, {SDLK_HELP, 315}, {SDLK_PRINTSCREEN, 316},
        {SDLK_SYSREQ, 317}, {SDLK_APPLICATION, 319}, {SDLK_MENU, 319}, {SDLK_POWER, 320}, {0x20AC, 321},
        {SDLK_UNDO, 322},
        // No SDL 1.2 symbol: the SDL2 number passes through unchanged.
        {SDLK_F16, SDLK_F16}, {SDLK_AUDIONEXT, SDLK_AUDIONEXT},
    };
    for (const auto& [sdl, engine] : keys)
        EXPECT_EQ(static_cast<std::uint32_t>(keyFromSdl(sdl)), engine) << "SDL keycode " << sdl;

    std::set<std::uint32_t> reached;
    for (SDL_Keycode keycode = 0; keycode < 0x400; ++keycode)
        reached.insert(keyFromSdl(keycode));
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode)
        reached.insert(keyFromSdl(SDL_SCANCODE_TO_KEYCODE(scancode)));
    std::uint32_t previous = 0;
    for (const NamedKey& named : NAMED_KEYS)
    {
        EXPECT_GT(static_cast<std::uint32_t>(named.key), previous) << named.name;
        previous = named.key;
        EXPECT_TRUE(reached.count(named.key)) << named.name;
        EXPECT_NE(KeyEvent::getKeyName(named.key), "unknown key") << named.name;
    }
}

TEST_F(Input, PositionsAreClampedMotionNamesNoButtonAndTheWheelIsButtonsFourAndFive)
{
    pushMotion(-5, HEIGHT + 40, 1, 1, SDL_BUTTON_LMASK);
    pushMotion(WIDTH, -1, 0, 0);
    pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, -300, 12);
    pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, WIDTH - 1, HEIGHT - 1);
    EXPECT_EQ(pump(), (Strings{"moved 0,47 d1,1 b0", "moved 63,0 d0,0 b0", "down 0,12 d0,0 b1", "up 63,47 d0,0 b1"}));

    // The wheel is a press and release of button 4 (up) or 5 (down); extra buttons come after them.
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

TEST_F(Input, PythonListenerDroppedDuringADeliveryIsNeverCalledAgain)
{
    auto space = Embedded::pythonNamespace();
    Embedded::runPython(R"(
calls = []
class DropsItself(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('first')
        global first
        del first
class DropsTheThird(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('second')
        global third
        third = None
class Third(tarnu.KeyListener):
    def keyPressed(self, event):
        calls.append('third')
first, second, third = DropsItself(), DropsTheThird(), Third()
for listener in (first, second, third):
    tarnu.InputManager.getSingleton().addEventListener(listener)
del listener
)", space);
    pushKey(SDL_KEYDOWN, SDLK_a);
    pushKey(SDL_KEYDOWN, SDLK_b);
    EXPECT_TRUE(input->pumpEvents(0.0));
    Embedded::runPython("assert calls == ['first', 'second', 'second'], calls\n"
                        "assert 'first' not in globals() and third is None\n", space);
}
