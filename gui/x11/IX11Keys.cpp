#include "gui/x11/IX11Keys.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

namespace IX11Keys
{
int CanvasKey(std::uint32_t keysym)
{
    switch (keysym)
    {
    case XK_space: return 0;
    case XK_Up: case XK_KP_Up: return 1;
    case XK_Down: case XK_KP_Down: return 2;
    case XK_Left: case XK_KP_Left: return 3;
    case XK_Right: case XK_KP_Right: return 4;
    default: break;
    }
    if (keysym >= XK_0 && keysym <= XK_9) return 5 + static_cast<int>(keysym - XK_0);
    // The keypad's digits are digits here (no letter codes for them).
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return 5 + static_cast<int>(keysym - XK_KP_0);
    if (keysym >= XK_A && keysym <= XK_Z) return 15 + static_cast<int>(keysym - XK_A);
    if (keysym >= XK_a && keysym <= XK_z) return 15 + static_cast<int>(keysym - XK_a);
    return -1;
}

ITextEntry::Key EntryKey(std::uint32_t keysym, char* c)
{
    *c = 0;
    switch (keysym)
    {
    case XK_BackSpace: return ITextEntry::kKeyBackspace;
    case XK_Delete: case XK_KP_Delete: return ITextEntry::kKeyDelete;
    case XK_Left: case XK_KP_Left: return ITextEntry::kKeyLeft;
    case XK_Right: case XK_KP_Right: return ITextEntry::kKeyRight;
    case XK_Home: case XK_KP_Home: return ITextEntry::kKeyHome;
    case XK_End: case XK_KP_End: return ITextEntry::kKeyEnd;
    case XK_Return: case XK_KP_Enter: return ITextEntry::kKeyReturn;
    case XK_Escape: return ITextEntry::kKeyEscape;
    case XK_KP_Add: *c = '+'; return ITextEntry::kKeyChar;
    case XK_KP_Subtract: *c = '-'; return ITextEntry::kKeyChar;
    case XK_KP_Decimal: *c = '.'; return ITextEntry::kKeyChar;
    case XK_KP_Space: *c = ' '; return ITextEntry::kKeyChar;
    default: break;
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
    {
        *c = static_cast<char>('0' + (keysym - XK_KP_0));
        return ITextEntry::kKeyChar;
    }
    // Latin-1 keysyms below 0x7f are the ASCII characters themselves.
    if (keysym >= 0x20 && keysym < 0x7f)
    {
        *c = static_cast<char>(keysym);
        return ITextEntry::kKeyChar;
    }
    return ITextEntry::kKeyNone;
}
} // namespace IX11Keys
