#include "gui/x11/IX11Connection.h"

#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <cstring>

bool IX11Connection::Open()
{
    Close();
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    // xcb_connect never returns null: a failed connection is an error object
    // that must still be disconnected.
    if (xcb_connection_has_error(c))
    {
        xcb_disconnect(c);
        return false;
    }
    mConnection = c;
    mKeySymbols = xcb_key_symbols_alloc(c);
    return true;
}

void IX11Connection::Close()
{
    if (mKeySymbols) xcb_key_symbols_free(mKeySymbols);
    mKeySymbols = nullptr;
    if (mConnection) xcb_disconnect(mConnection);
    mConnection = nullptr;
}

bool IX11Connection::IsBroken() const
{
    return !mConnection || xcb_connection_has_error(mConnection) != 0;
}

const xcb_setup_t* IX11Connection::Setup() const
{
    return mConnection ? xcb_get_setup(mConnection) : nullptr;
}

xcb_screen_t* IX11Connection::ScreenOfRoot(xcb_window_t root) const
{
    const xcb_setup_t* setup = Setup();
    if (!setup) return nullptr;
    xcb_screen_t* first = nullptr;
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup); it.rem; xcb_screen_next(&it))
    {
        if (!first) first = it.data;
        if (it.data->root == root) return it.data;
    }
    return first;
}

xcb_visualtype_t* IX11Connection::FindVisual(xcb_visualid_t visual, std::uint8_t* depth) const
{
    const xcb_setup_t* setup = Setup();
    if (!setup) return nullptr;
    for (xcb_screen_iterator_t s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (xcb_depth_iterator_t d = xcb_screen_allowed_depths_iterator(s.data); d.rem;
             xcb_depth_next(&d))
            for (xcb_visualtype_iterator_t v = xcb_depth_visuals_iterator(d.data); v.rem;
                 xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                {
                    if (depth) *depth = d.data->depth;
                    return v.data;
                }
    return nullptr;
}

bool IX11Connection::PixmapFormat(std::uint8_t depth, int* bitsPerPixel, int* scanlinePad) const
{
    const xcb_setup_t* setup = Setup();
    if (!setup) return false;
    for (xcb_format_iterator_t f = xcb_setup_pixmap_formats_iterator(setup); f.rem;
         xcb_format_next(&f))
        if (f.data->depth == depth)
        {
            *bitsPerPixel = f.data->bits_per_pixel;
            *scanlinePad = f.data->scanline_pad;
            return true;
        }
    return false;
}

std::uint32_t IX11Connection::MaxRequestBytes() const
{
    // The answer counts four-byte units; BIG-REQUESTS raises it when present.
    return mConnection ? xcb_get_maximum_request_length(mConnection) * 4u : 0u;
}

xcb_atom_t IX11Connection::Atom(const char* name)
{
    if (IsBroken()) return XCB_ATOM_NONE;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        mConnection,
        xcb_intern_atom(mConnection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

std::uint32_t IX11Connection::Keysym(std::uint8_t keycode, std::uint16_t state)
{
    if (!mKeySymbols) return 0;
    const std::uint32_t plain = xcb_key_symbols_get_keysym(mKeySymbols, keycode, 0);
    const std::uint32_t shifted = xcb_key_symbols_get_keysym(mKeySymbols, keycode, 1);
    bool useShifted = (state & XCB_MOD_MASK_SHIFT) != 0;
    // NumLock (normally Mod2) turns the keypad's second column on.
    if (xcb_is_keypad_key(shifted) && (state & XCB_MOD_MASK_2)) useShifted = !useShifted;
    const std::uint32_t chosen = useShifted ? shifted : plain;
    return chosen != XCB_NO_SYMBOL ? chosen : plain;
}

void IX11Connection::Sync()
{
    if (IsBroken()) return;
    std::free(xcb_get_input_focus_reply(mConnection, xcb_get_input_focus(mConnection), nullptr));
}

void IX11Connection::Flush()
{
    if (!IsBroken()) xcb_flush(mConnection);
}
