#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>
#include <vector>

// The top-level X11 window our host gives a plug-in's editor, on the host's
// own XCB connection (the plug-in opens its own). It reports when the user
// closes it through the window manager (WM_DELETE_WINDOW) or it is destroyed.
// One thread (the host's GUI thread).
class EditorHostWindow
{
  public:
    EditorHostWindow() = default;
    ~EditorHostWindow();
    EditorHostWindow(const EditorHostWindow&) = delete;
    EditorHostWindow& operator=(const EditorHostWindow&) = delete;

    // Connects and creates a mapped window of width x height titled title.
    bool Create(int width, int height, const std::string& title, std::string& error);
    void Destroy();
    // New fixed size.
    void Resize(int width, int height);
    std::uint32_t Id() const { return window_; }
    // Handles pending events; false once the window was closed.
    bool Pump();
    // The pixels of (x, y, width, height) of the window as 0xRRGGBB, row by
    // row (a 24- or 32-bit TrueColor screen), empty on failure.
    std::vector<std::uint32_t> Capture(int width, int height);

  private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_atom_t deleteWindow_ = 0;
    bool open_ = false;
};
