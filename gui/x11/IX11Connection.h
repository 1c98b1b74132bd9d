#pragma once

#include <xcb/xcb.h>

#include <cstdint>

struct _XCBKeySymbols; // xcb_key_symbols_t

// One connection of ours to the X server (not the host's: Xlib's error
// handler is process-wide, while XCB reports errors per request and is
// thread-safe). It is opened for an editor window and closed with it; calls
// come from whichever thread drives that window, one at a time.
//
// A connection that fails (the server went away) reports IsBroken; every
// request on it then does nothing, and Close still releases it.
class IX11Connection
{
  public:
    IX11Connection() = default;
    ~IX11Connection() { Close(); }
    IX11Connection(const IX11Connection&) = delete;
    IX11Connection& operator=(const IX11Connection&) = delete;

    // Connects to the display named by DISPLAY. False when no server answers.
    bool Open();
    void Close();
    bool IsOpen() const { return mConnection != nullptr; }
    bool IsBroken() const;

    xcb_connection_t* Get() const { return mConnection; }
    const xcb_setup_t* Setup() const;
    // The screen whose root is root (the default screen when none matches).
    xcb_screen_t* ScreenOfRoot(xcb_window_t root) const;
    xcb_visualtype_t* FindVisual(xcb_visualid_t visual, std::uint8_t* depth) const;
    // Bits per pixel and scanline pad of images of depth; false when the
    // server lists no format for it.
    bool PixmapFormat(std::uint8_t depth, int* bitsPerPixel, int* scanlinePad) const;
    // Largest request the server takes, in bytes.
    std::uint32_t MaxRequestBytes() const;

    xcb_atom_t Atom(const char* name);
    // The keysym of a key press: the shifted column with shift (or with
    // NumLock on the keypad), the plain one otherwise.
    std::uint32_t Keysym(std::uint8_t keycode, std::uint16_t state);

    // Waits until the server has handled every request sent so far.
    void Sync();
    void Flush();

    // Image bytes sent to the server (put-image payloads), for the figures.
    std::uint64_t ImageBytesSent() const { return mImageBytes; }
    void CountImageBytes(std::uint64_t bytes) { mImageBytes += bytes; }

  private:
    xcb_connection_t* mConnection = nullptr;
    _XCBKeySymbols* mKeySymbols = nullptr;
    std::uint64_t mImageBytes = 0;
};
