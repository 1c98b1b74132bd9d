#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The top-level window our host gives a plug-in's editor: an X11 window on
// the host's own XCB connection (EditorHostWindowX11.cpp), or a Win32 window
// of a class of our own with its message loop (EditorHostWindowWin32.cpp).
// The build picks one implementation file; the edit command sees only this.
// It reports when the user closes it (the window manager's close request,
// WM_CLOSE) without destroying it, so that the plug-in can close its editor
// while the parent still exists. One thread (the host's GUI thread).
class EditorHostWindow
{
  public:
    EditorHostWindow();
    ~EditorHostWindow();
    EditorHostWindow(const EditorHostWindow&) = delete;
    EditorHostWindow& operator=(const EditorHostWindow&) = delete;

    // Creates a shown window whose inside is width x height, titled title.
    bool Create(int width, int height, const std::string& title, std::string& error);
    void Destroy();
    // New fixed inside size.
    void Resize(int width, int height);
    // What effEditOpen takes as its pointer: the X window id or the HWND.
    void* Handle() const;
    // Handles pending events without waiting; false once the window was closed.
    bool Pump();
    // The window's event loop: runs until the window is closed or, when
    // quitAfterSeconds > 0, that much time has passed, and calls idle about
    // idleHz times a second on this thread between the events (Win32: a
    // timer of the window).
    void Run(double idleHz, double quitAfterSeconds, const std::function<void()>& idle);
    // The pixels of (0, 0, width, height) of the window's inside, as
    // 0xRRGGBB, row by row; empty on failure. Win32: read from the device
    // context of the plug-in's child window (the editor) when there is one.
    std::vector<std::uint32_t> Capture(int width, int height);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
