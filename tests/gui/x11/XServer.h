#pragma once

// The tests' side of the X server: a private Xvfb when no display is given
// (CTest clears DISPLAY so every run is hermetic), a host connection that
// creates parent windows as a host does, injects input through XTest and
// reads pixels and window trees back.

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace xtest
{
// Starts Xvfb on a free display and sets DISPLAY, unless DISPLAY is set.
// False when no server can be had.
bool EnsureServer();

class HostConnection
{
  public:
    HostConnection();
    ~HostConnection();
    bool Ok() const { return mC && !xcb_connection_has_error(mC); }
    xcb_connection_t* Get() const { return mC; }
    xcb_window_t Root() const { return mScreen->root; }

    // A mapped top-level window, as a host's plug-in window.
    xcb_window_t CreateParent(int width, int height, int x = 0, int y = 0);
    void Destroy(xcb_window_t w);
    std::vector<xcb_window_t> Children(xcb_window_t w);
    bool IsMapped(xcb_window_t w);
    bool Exists(xcb_window_t w);
    // Position relative to its parent and size; false when gone.
    bool Geometry(xcb_window_t w, int* x, int* y, int* width, int* height);
    // Root coordinates of (x, y) in w.
    void ToRoot(xcb_window_t w, int x, int y, int* rx, int* ry);
    std::vector<std::uint32_t> PropertyCardinals(xcb_window_t w, const char* atom);
    // The window's pixels as 0xRRGGBB (24-bit TrueColor server).
    std::vector<std::uint32_t> Pixels(xcb_window_t w, int x, int y, int width, int height);
    // One pixel as 0xRRGGBB, or 0xffffffff when the window cannot be read.
    std::uint32_t Pixel(xcb_window_t w, int x, int y);
    // Override-redirect windows mapped on the root, newest last.
    std::vector<xcb_window_t> PopupWindows();

    // XTest input, in root coordinates.
    void MoveTo(int rx, int ry);
    void Button(int button, bool press);
    void Click(int rx, int ry, int button = 1);
    void Key(std::uint32_t keysym, bool press);
    void Type(std::uint32_t keysym);
    void Sync();

  private:
    xcb_connection_t* mC = nullptr;
    xcb_screen_t* mScreen = nullptr;
};

// Calls idle until done() or about five seconds of calls passed; answers done().
bool IdleUntil(const std::function<void()>& idle, const std::function<bool()>& done);
} // namespace xtest
