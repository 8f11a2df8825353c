#pragma once
// Keys between the platform and the engine. SDL2 numbers keys its own way; the
// engine keeps SDL 1.2's key symbols and names (KeyTypes.h), so the input pump
// translates every keycode and getKeyName answers from SDL 1.2's own table.

#include "core/InputEvents.h"

#include <cstdint>

namespace Tarnu
{

/// The engine's number of an SDL2 keycode. Keycodes SDL 1.2 had no symbol for
/// pass through unchanged (character keys already share SDL 1.2's numbers).
KeyEvent::KeyType keyFromSdl(std::int32_t keycode);

/// SDL 1.2's name of a key symbol, "unknown key" for a number it had no name for.
const char* sdlKeyName(std::uint32_t key);

}
