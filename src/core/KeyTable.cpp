#include "core/KeyTable.h"

#include <SDL.h>

namespace Tarnu
{

KeyEvent::KeyType keyFromSdl(std::int32_t keycode)
{
    // SDL2 gives keys without a character a keycode of their own; these are
    // SDL 1.2's symbols for the same keys, its numbers where it had no name of ours.
    switch (keycode)
    {
    case SDLK_CLEAR: return KeyEvent::KEY_CLEAR;
    case SDLK_PAUSE: return KeyEvent::KEY_PAUSE;
    case SDLK_KP_0: return KeyEvent::KEY_KP0;
    case SDLK_KP_1: return KeyEvent::KEY_KP1;
    case SDLK_KP_2: return KeyEvent::KEY_KP2;
    case SDLK_KP_3: return KeyEvent::KEY_KP3;
    case SDLK_KP_4: return KeyEvent::KEY_KP4;
    case SDLK_KP_5: return KeyEvent::KEY_KP5;
    case SDLK_KP_6: return KeyEvent::KEY_KP6;
    case SDLK_KP_7: return KeyEvent::KEY_KP7;
    case SDLK_KP_8: return KeyEvent::KEY_KP8;
    case SDLK_KP_9: return KeyEvent::KEY_KP9;
    case SDLK_KP_PERIOD: return KeyEvent::KEY_KP_PERIOD;
    case SDLK_KP_DIVIDE: return KeyEvent::KEY_KP_DIVIDE;
    case SDLK_KP_MULTIPLY: return KeyEvent::KEY_KP_MULTIPLY;
    case SDLK_KP_MINUS: return KeyEvent::KEY_KP_MINUS;
    case SDLK_KP_PLUS: return KeyEvent::KEY_KP_PLUS;
    case SDLK_KP_ENTER: return KeyEvent::KEY_KP_ENTER;
    case SDLK_KP_EQUALS: return KeyEvent::KEY_KP_EQUALS;
    case SDLK_UP: return KeyEvent::KEY_UP;
    case SDLK_DOWN: return KeyEvent::KEY_DOWN;
    case SDLK_RIGHT: return KeyEvent::KEY_RIGHT;
    case SDLK_LEFT: return KeyEvent::KEY_LEFT;
    case SDLK_INSERT: return KeyEvent::KEY_INSERT;
    case SDLK_HOME: return KeyEvent::KEY_HOME;
    case SDLK_END: return KeyEvent::KEY_END;
    case SDLK_PAGEUP: return KeyEvent::KEY_PGUP;
    case SDLK_PAGEDOWN: return KeyEvent::KEY_PGDN;
    case SDLK_F1: return KeyEvent::KEY_F1;
    case SDLK_F2: return KeyEvent::KEY_F2;
    case SDLK_F3: return KeyEvent::KEY_F3;
    case SDLK_F4: return KeyEvent::KEY_F4;
    case SDLK_F5: return KeyEvent::KEY_F5;
    case SDLK_F6: return KeyEvent::KEY_F6;
    case SDLK_F7: return KeyEvent::KEY_F7;
    case SDLK_F8: return KeyEvent::KEY_F8;
    case SDLK_F9: return KeyEvent::KEY_F9;
    case SDLK_F10: return KeyEvent::KEY_F10;
    case SDLK_F11: return KeyEvent::KEY_F11;
    case SDLK_F12: return KeyEvent::KEY_F12;
    case SDLK_F13: return KeyEvent::KEY_F13;
    case SDLK_F14: return KeyEvent::KEY_F14;
    case SDLK_F15: return KeyEvent::KEY_F15;
    case SDLK_NUMLOCKCLEAR: return KeyEvent::KEY_NUMLOCK;
    case SDLK_CAPSLOCK: return KeyEvent::KEY_CAPSLOCK;
    case SDLK_SCROLLLOCK: return KeyEvent::KEY_SCROLLLOCK;
    case SDLK_RSHIFT: return KeyEvent::KEY_RSHIFT;
    case SDLK_LSHIFT: return KeyEvent::KEY_LSHIFT;
    case SDLK_RCTRL: return KeyEvent::KEY_RCTRL;
    case SDLK_LCTRL: return KeyEvent::KEY_LCTRL;
    case SDLK_RALT: return KeyEvent::KEY_RALT;
    case SDLK_LALT: return KeyEvent::KEY_LALT;
    case SDLK_LGUI: return KeyEvent::KeyType(311);  // left super
    case SDLK_RGUI: return KeyEvent::KeyType(312);  // right super
    case SDLK_MODE: return KeyEvent::KeyType(313);  // alt gr
    case SDLK_HELP: return KeyEvent::KeyType(315);
    case SDLK_PRINTSCREEN: return KeyEvent::KEY_PRINT;
    case SDLK_SYSREQ: return KeyEvent::KeyType(317);
    case SDLK_APPLICATION:
    case SDLK_MENU: return KeyEvent::KeyType(319);  // menu
    case SDLK_POWER: return KeyEvent::KeyType(320);
    case 0x20AC: return KeyEvent::KeyType(321);     // a euro key types U+20AC in SDL2
    case SDLK_UNDO: return KeyEvent::KeyType(322);
    default: return KeyEvent::KeyType(keycode);
    }
}

}
