#pragma once

#include "gui/IEditorCanvas.h"
#include "gui/ITextEntry.h"
#include "gui/x11/IClickTracker.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class IMemoryBitmap;
class IX11Connection;
class IX11Surface;
struct IX11EventHandlers;

// The X11 layer of the editor: the editor window as a child of the window a
// Linux host hands over at effEditOpen, on a connection of our own; input
// translated into canvas events; the draw pass and the screen copy run from
// the host's idle calls (effEditIdle), as there is no window-system timer; an
// edit box and popup menus of our own drawn with the raster layer.
//
// Threads: everything runs on whichever thread the host drives the editor
// from (Ardour: its editor thread; MusE, Qtractor: the GUI thread), the same
// one for OpenWindow, OnHostIdle and CloseWindow of one window. No thread is
// created. The audio thread only stores values and dirty flags into the
// controls (see IControl).
class IEditorWindow : public IEditorCanvas
{
  public:
    IEditorWindow(IEffectBase* plugin, int width, int height, int frameRate);
    ~IEditorWindow() override;

    // --- canvas slots ---
    bool DrawScreen(const IBox& box) override;
    void CancelTextEntry() override;
    void ResizeWindow(int width, int height) override;
    IMenu* CreateMenu(IMenu* menu, const IBox& box) override;
    void CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                         const char* initialText, IParameter* param) override;
    void HostPath(std::string& out) override;
    void PluginPath(std::string& out) override;
    // parentWindow is the host's X window id (an XID in a pointer). Creates
    // the panel-sized child, mapped; re-opening while open closes first and
    // keeps the place and size. Returns the window id, or null on failure.
    void* OpenWindow(void* parentWindow) override;
    // Destroys the window (unless the host destroyed it already) and closes
    // the connection. Safe to repeat.
    void CloseWindow() override;
    void* GetWindow() override;

    // --- host drive ---
    // Handles every pending event, then runs the timer tick when a frame
    // period has passed on the monotonic clock.
    void OnHostIdle() override;
    // Any thread. While the edit box is open it takes every key (applied at
    // the next idle call) and answers true; otherwise false, and the host
    // keeps the key (the panel gets keys as X events while it has the focus).
    bool OnHostKey(bool down, int character, int virtualKey, int modifiers) override;

    // --- for tests and figures ---
    // Whether new windows may use MIT-SHM (default true); process-wide.
    static void AllowSharedMemory(bool allow);
    bool UsesSharedMemory() const;
    // Image bytes sent to the server since the window opened.
    std::uint64_t ImageBytesSent() const;
    // The edit box; same thread as the idle calls.
    const ITextEntry& TextEntry() const { return mEntry; }
    std::uint32_t ParentWindow() const { return mParent; }
    // Ticks (draw passes started by the frame clock) since the window opened.
    int TickCount() const { return mTicks; }

  private:
    friend struct IX11EventHandlers;

    void PumpEvents();
    // Applies the keys OnHostKey queued to the open edit box.
    void TakeHostKeys();
    void SetEntryOpen(bool open);
    bool TickDue();
    void TimerTick();
    // The canvas draw pass over box (without the plug-in lock), then the
    // copy of what it drew to the screen.
    void DrawPass(const IBox& box);
    void TakeFocus();
    // Closes an open edit box without its text and repaints what it covered.
    void DropTextEntry(bool wholePanel);
    void PaintTextEntry();
    int EntryIndexAt(int x);
    // Closes the connection and forgets the window (after the server or the
    // host destroyed it, or the connection broke).
    void ReleaseX();

    IX11Connection* mX = nullptr;
    IX11Surface* mSurface = nullptr;
    std::uint32_t mWindow = 0;
    std::uint32_t mParent = 0;
    bool mWindowGone = false; // destroyed by the server with the host's window

    ITextEntry mEntry;
    // Keys a host forwards may come from another thread than the idle calls
    // (Ardour: its GUI thread, while idle runs on its editor thread). They
    // are queued under mHostKeysLock and applied by the next idle call;
    // mEntryOpen tells the host's thread whether the box takes keys at all.
    struct HostKey
    {
        ITextEntry::Key key;
        char c;
        bool shift;
    };
    std::mutex mHostKeysLock;
    std::vector<HostKey> mHostKeys;
    std::atomic<bool> mEntryOpen{false};
    IMemoryBitmap* mEntryBitmap = nullptr;
    bool mEntryDirty = false;
    bool mEntryLostFocus = false;
    bool mEntrySelecting = false;

    IClickTracker mClicks;
    bool mHasCapture = false;
    bool mSwallowRelease = false;
    bool mMenuRunning = false;
    bool mInputLocked = false; // the plug-in lock is held for an input event
    bool mMenuTookRelease = false;
    int mPointerX = 0;
    int mPointerY = 0;

    bool mDrawnSinceOpen = false;
    // During a draw pass DrawScreen only collects; the copy follows the pass.
    bool mHoldScreen = false;
    IBox mHeldScreen;
    std::int64_t mLastTickNs = 0;
    int mTicks = 0;
    IBox mExposed;
};
