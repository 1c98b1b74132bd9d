#pragma once

#include "gui/ITextEntry.h"

#include <cstdint>

// Keysyms (the server's names for keys) turned into what the editor uses:
// the canvas key codes (0 space, 1 up, 2 down, 3 left, 4 right, 5..14 the
// digits, 15..40 the letters) and the edit box's keys.
namespace IX11Keys
{
// The canvas key code of keysym, or -1 when the canvas does not take it.
int CanvasKey(std::uint32_t keysym);
// The edit box's key and character for keysym (kKeyNone when it has none).
ITextEntry::Key EntryKey(std::uint32_t keysym, char* c);
} // namespace IX11Keys
