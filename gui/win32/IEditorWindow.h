#pragma once

#include "gui/IEditorCanvas.h"

#include <cstdint>
#include <string>

struct IWin32Messages;

// The Win32 layer of the editor: the panel as a child window ("IEffectWndClass")
// of the window the host hands over at effEditOpen, a window-system timer
// (id 2) that paints the dirty controls at the canvas frame rate, the copy of
// the off-screen DIB section to the screen, Win32 mouse and key messages
// translated into canvas events, a subclassed "EDIT" control for typing a
// value, popup menus, and the panel images read from the module's "PNG"
// resources.
//
// Handles (HWND, HINSTANCE, WNDPROC) are kept as void* so that nothing
// outside gui/win32 and raster/win32 needs <windows.h>.
//
// Threads: everything runs on the thread that owns the host's window (the
// GUI thread): OpenWindow, CloseWindow, the window procedure, the timer and
// painting. The process-wide class use count and frame rate are touched only
// from that thread. The audio thread only stores values and dirty flags into
// the controls (see IControl).
class IEditorWindow : public IEditorCanvas
{
  public:
    // Text-entry states, walked through by the edit box and the timer tick.
    enum EntryState
    {
        kEntryIdle = 0,    // no request; also right after the box opened
        kEntryFocused = 1, // the box got the focus back: the panel ignores its input
        kEntryRedrawn = 2, // the panel was just painted around the open box
        kEntryCancel = 3,  // close without the text on the next tick
        kEntryCommit = 4,  // hand the text to the control on the next tick
    };

    // The timer that drives the draw pass.
    static constexpr std::uintptr_t kTimerId = 2;
    // The edit box's child id.
    static constexpr int kEditBoxId = 99;

    // The module instance defaults to the module this code is linked into
    // (the plug-in DLL); SetModuleInstance changes it.
    IEditorWindow(IEffectBase* plugin, int width, int height, int frameRate);
    // Closes the window, frees the custom colours, then the canvas part goes.
    ~IEditorWindow() override;

    // --- canvas slots, in their order ---
    // BeginPaint, BitBlt of box from the off-screen bitmap, EndPaint.
    bool DrawScreen(const IBox& box) override;
    // Asks the next timer tick to close the edit box without its text.
    void CancelTextEntry() override;
    void ResizeWindow(int width, int height) override;
    bool WindowIsOpen() override { return mWindow != nullptr; }
    // TrackPopupMenu at the box's bottom-left corner; the menu with its
    // chosen index set, or null when dismissed.
    IMenu* CreateMenu(IMenu* menu, const IBox& box) override;
    // An "EDIT" child over box with the initial text selected; nothing
    // without a control, without an open window or while a box is open.
    void CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                         const char* initialText, IParameter* param) override;
    // Folders of the host program and of the plug-in module, each ending in a
    // backslash; empty when unknown.
    void HostPath(std::string& out) override;
    void PluginPath(std::string& out) override;
    // action 1 save, else open; extensions space-separated ("wav aif").
    void PromptForFile(std::string& fileName, int action, std::string& folder,
                       const char* extensions) override;
    bool PromptForColour(IArgb& colour, const char* prompt) override;
    bool OpenURL(const char* url, const char* caption, const char* confirm,
                 const char* error) override;
    // parentWindow is the host's HWND. Re-opening while open recreates the
    // window at the same place and size. The editor's HWND, or null.
    void* OpenWindow(void* parentWindow) override;
    void CloseWindow() override;
    void* GetWindow() override { return mWindow; }
    // The "PNG" resource id of the module, when name ends in ".png" (any
    // case); null when missing, shorter than a signature or not a PNG.
    IBitmap* LoadImageResource(int resourceId, const char* name) override;

    // --- set-up ---
    // HINSTANCE whose resources hold the images and that owns the class.
    void SetModuleInstance(void* instance) { mInstance = instance; }
    void* ModuleInstance() const { return mInstance; }

    // --- state, for the binding's tests and our own ---
    void* EditBox() const { return mEditBox; }
    IControl* EditControl() const { return mEditControl; }
    IParameter* EditParam() const { return mEditParam; }
    int EntryState() const { return mEntryState; }
    void* ParentWindow() const { return mParent; }
    // The period the window's timer was started with (ms), 0 while closed.
    int TimerPeriodMs() const { return mTimerPeriodMs; }
    // Timer ticks handled since the window opened.
    int TickCount() const { return mTicks; }
    // Windows of the class that exist in this process (all modules that
    // share this code's copy of the count).
    static int ClassUseCount();
    // The frame rate the next window's timer uses.
    static double NextFrameRate();

    // --- pure mappings ---
    // Canvas key code of a Win32 virtual key, -1 when unmapped: space 0,
    // arrows 1..4 (up, down, left, right), digits 5..14, letters 15..40;
    // codes 0x61..0x7A also give 15..40.
    static int KeyCodeFromVirtualKey(int virtualKey);
    // Whether a WM_CHAR reaches an edit box for param: backspace always;
    // booleans, integers and enumerations only digits, "-" and "+"; doubles
    // also "."; without a parameter or for other types everything.
    static bool EditBoxTakesChar(const IParameter* param, unsigned character);

  protected:
    // The DIB section whose device context DrawScreen copies from.
    IBitmap* CreateDrawBitmap(int width, int height) override;

  private:
    friend struct IWin32Messages;

    // Drops the edit box without using its text: restores its procedure,
    // destroys it and its font, clears the fields; state 0.
    void CloseEditBox();
    void TimerTick();
    void CommitEditBox();

    void* mInstance = nullptr; // HINSTANCE
    void* mWindow = nullptr;   // HWND of the panel, null while closed
    void* mEditBox = nullptr;  // HWND of the edit box, null when none
    IControl* mEditControl = nullptr;
    IParameter* mEditParam = nullptr;
    void* mEditPreviousProc = nullptr; // WNDPROC the subclass replaced
    int mEntryState = kEntryIdle;
    std::uint32_t* mCustomColours = nullptr; // 16 COLORREFs, first use
    void* mParent = nullptr;                 // HWND given to the last OpenWindow

    void* mEditFont = nullptr; // HFONT of the edit box, deleted with it
    int mTimerPeriodMs = 0;
    int mTicks = 0;
    bool mMenuRan = false; // a popup menu ran during an input message
};
