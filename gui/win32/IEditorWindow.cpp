#include "gui/win32/IEditorWindow.h"

#include "framework/IParameter.h"
#include "gui/IControl.h"
#include "gui/IEditorWindowFactory.h"
#include "gui/ITextEntry.h"
#include "gui/win32/IModuleResources.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IPngImage.h"
#include "raster/win32/ISystemBitmap.h"

#include "raster/win32/WindowsApi.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// The plug-in's panel is created through this, so no plug-in code names a
// window system.
IEditorCanvas* CreateEditorWindow(IEffectBase* plugin, int width, int height, int frameRate)
{
    return new (std::nothrow) IEditorWindow(plugin, width, height, frameRate);
}

namespace
{
const char kClassName[] = "IEffectWndClass";
const char kWindowTitle[] = "IEffect";

// Windows of the class alive in this process, and the frame rate the next
// window's timer takes in WM_CREATE (written just before CreateWindowExA,
// because WM_CREATE arrives before the window handle is known to the
// object). GUI thread only.
int gClassUseCount = 0;
double gFrameRate = 25.0;

// The notification code an edit box's WM_COMMAND commits with.
constexpr WORD kCommitCommand = 1;
// The buffer the commit reads the text into: at most 31 characters.
constexpr int kCommitTextSize = 32;
// File dialogs: the file name buffer (255 characters and the NUL).
constexpr int kFileNameSize = 256;
// Module paths are read into a buffer of this size.
constexpr int kModulePathSize = 256;
// ChooseColor: CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR.
constexpr DWORD kColourDialogFlags = 0x193;

HWND AsWindow(void* handle)
{
    return static_cast<HWND>(handle);
}

// The buttons and modifiers of a mouse message: buttons and shift/control
// from wParam, alt from the keyboard state.
MouseKeys KeysFromMessage(WPARAM wParam)
{
    MouseKeys keys;
    keys.left = (wParam & MK_LBUTTON) != 0;
    keys.right = (wParam & MK_RBUTTON) != 0;
    keys.shift = (wParam & MK_SHIFT) != 0;
    keys.control = (wParam & MK_CONTROL) != 0;
    keys.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    return keys;
}

// Mouse coordinates of button and move messages: signed words of lParam.
int MessageX(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int MessageY(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

// Text up to and including the last backslash of path; empty without one.
void FolderOf(const char* path, std::string& out)
{
    const char* slash = std::strrchr(path, '\\');
    out.assign(path, slash ? static_cast<std::size_t>(slash - path + 1) : 0);
}

void ModuleFolder(HMODULE module, std::string& out)
{
    char path[kModulePathSize];
    const DWORD n = GetModuleFileNameA(module, path, sizeof(path));
    // 0: failed; the buffer size: truncated (not NUL-terminated before XP).
    if (n == 0 || n >= sizeof(path))
    {
        out.clear();
        return;
    }
    path[n] = '\0';
    FolderOf(path, out);
}

bool NameIsPng(const char* name)
{
    if (!name) return false;
    const char* dot = std::strrchr(name, '.');
    return dot && _stricmp(dot + 1, "png") == 0;
}

// The colour dialog's title is the caller's prompt.
UINT_PTR CALLBACK ColourDialogHook(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        const CHOOSECOLORA* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        const char* prompt = choose ? reinterpret_cast<const char*>(choose->lCustData) : nullptr;
        if (prompt) SetWindowTextA(dialog, prompt);
    }
    return 0;
}
} // namespace

// The window procedures and their handlers, one per message family; the
// dispatch stays short.
struct IWin32Messages
{
    static LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    static LRESULT Create(HWND hwnd, LPARAM lParam);
    static LRESULT WhileEditBoxFocused(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam);
    static LRESULT Dispatch(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                            LPARAM lParam);
    static void Paint(IEditorWindow& w, HWND hwnd);
    static void ButtonDown(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void ButtonUp(IEditorWindow& w, WPARAM wParam, LPARAM lParam);
    static void DoubleClick(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void MouseMove(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam);
    static void Wheel(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam);
    static LRESULT KeyDown(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam);

    static LRESULT EditMessage(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                               LPARAM lParam);
    static LRESULT PassToEdit(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                              LPARAM lParam);
};

// ---- construction --------------------------------------------------------------------

IEditorWindow::IEditorWindow(IEffectBase* plugin, int width, int height, int frameRate)
    : IEditorCanvas(plugin, width, height, frameRate), mInstance(IModuleResources::ThisModule())
{
}

IEditorWindow::~IEditorWindow()
{
    CloseWindow();
    delete[] mCustomColours;
}

int IEditorWindow::ClassUseCount()
{
    return gClassUseCount;
}

double IEditorWindow::NextFrameRate()
{
    return gFrameRate;
}

IBitmap* IEditorWindow::CreateDrawBitmap(int width, int height)
{
    ISystemBitmap* bitmap = new (std::nothrow) ISystemBitmap(width, height);
    if (bitmap && (bitmap->Bits() == nullptr || bitmap->DeviceContext() == nullptr))
    {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}

// ---- opening and closing --------------------------------------------------------------

void* IEditorWindow::OpenWindow(void* parentWindow)
{
    mParent = parentWindow;
    int x = 0, y = 0, width = mWidth, height = mHeight;
    if (mWindow)
    {
        // Re-opening: the new window takes the old one's place and size. The
        // place is read in the parent's client coordinates, where the child
        // is created: taken against the parent's outer rectangle it would
        // move by the parent's frame on every re-open.
        RECT windowRect = {};
        GetWindowRect(AsWindow(mWindow), &windowRect);
        MapWindowPoints(nullptr, AsWindow(parentWindow), reinterpret_cast<POINT*>(&windowRect), 2);
        CloseWindow();
        x = windowRect.left;
        y = windowRect.top;
        width = windowRect.right - windowRect.left;
        height = windowRect.bottom - windowRect.top;
    }

    const HINSTANCE instance = static_cast<HINSTANCE>(mInstance);
    if (gClassUseCount++ == 0)
    {
        WNDCLASSA windowClass = {};
        // CS_DBLCLKS: double clicks arrive as WM_LBUTTONDBLCLK.
        windowClass.style = CS_DBLCLKS;
        windowClass.lpfnWndProc = IWin32Messages::PanelProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.lpszClassName = kClassName;
        RegisterClassA(&windowClass);
    }

    gFrameRate = FrameRate();
    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, x, y, width,
                                  height, AsWindow(parentWindow), nullptr, instance, this);
    if (!window)
    {
        if (--gClassUseCount == 0) UnregisterClassA(kClassName, instance);
        return nullptr;
    }
    mWindow = window;
    mTicks = 0;
    SetAllControlsDirty();
    return mWindow;
}

void IEditorWindow::CloseWindow()
{
    if (!mWindow) return;
    // The edit box goes with the panel; the fields must not outlive it.
    CloseEditBox();
    HWND window = AsWindow(mWindow);
    // Cleared first: the messages of the destruction are not the panel's.
    mWindow = nullptr;
    mTimerPeriodMs = 0;
    // A host may destroy its own window (and ours with it) before it asks to
    // close the editor; the handle may then name another window by now.
    if (IsWindow(window) &&
        GetWindowLongPtrA(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        DestroyWindow(window);
    if (--gClassUseCount == 0) UnregisterClassA(kClassName, static_cast<HINSTANCE>(mInstance));
}

void IEditorWindow::ResizeWindow(int width, int height)
{
    if (!mWindow) return;
    SetWindowPos(AsWindow(mWindow), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- the panel's window procedure ------------------------------------------------------

LRESULT CALLBACK IWin32Messages::PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CREATE) return Create(hwnd, lParam);
    IEditorWindow* w = reinterpret_cast<IEditorWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    // Only the window the object currently has open is served: messages of a
    // window being created or destroyed go to the default processing.
    if (!w || w->mWindow != hwnd) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (w->mEditBox && w->mEntryState == IEditorWindow::kEntryFocused)
        return WhileEditBoxFocused(*w, hwnd, message, wParam, lParam);
    return Dispatch(*w, hwnd, message, wParam, lParam);
}

LRESULT IWin32Messages::Create(HWND hwnd, LPARAM lParam)
{
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    IEditorWindow* w = static_cast<IEditorWindow*>(create->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
    // The process-wide rate was set for this window just before it was
    // created: each window's timer runs at its own canvas's rate.
    const int period = static_cast<int>(1000.0 / gFrameRate);
    SetTimer(hwnd, IEditorWindow::kTimerId, static_cast<UINT>(period), nullptr);
    if (w) w->mTimerPeriodMs = period;
    SetFocus(hwnd);
    return 0;
}

// The edit box holds the focus again: the panel's own input only cancels it,
// and nothing else is handled (not even the timer, so the panel stands still).
LRESULT IWin32Messages::WhileEditBoxFocused(IEditorWindow& w, HWND hwnd, UINT message,
                                            WPARAM wParam, LPARAM lParam)
{
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN)
    {
        w.mEntryState = IEditorWindow::kEntryCancel;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT IWin32Messages::Dispatch(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                                 LPARAM lParam)
{
    switch (message)
    {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return 0;
    case WM_PAINT:
        Paint(w, hwnd);
        return 0;
    case WM_CLOSE:
        w.CloseWindow();
        return 0;
    case WM_TIMER:
        if (wParam == IEditorWindow::kTimerId) w.TimerTick();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        ButtonDown(w, hwnd, wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ButtonUp(w, wParam, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        DoubleClick(w, hwnd, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        MouseMove(w, hwnd, wParam, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        Wheel(w, hwnd, wParam, lParam);
        return 0;
    case WM_KEYDOWN:
        return KeyDown(w, hwnd, wParam, lParam);
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void IWin32Messages::Paint(IEditorWindow& w, HWND hwnd)
{
    RECT update = {};
    if (GetUpdateRect(hwnd, &update, FALSE) && update.right > update.left &&
        update.bottom > update.top)
        w.Draw(IBox(update.left, update.top, update.right, update.bottom));
    else
        // Nothing to draw, but the region must be validated, or WM_PAINT
        // comes back at once.
        ValidateRect(hwnd, nullptr);
}

void IWin32Messages::ButtonDown(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (w.mEditBox)
    {
        // A press on the panel drops an open edit box without its text and
        // shows the panel under it again.
        w.CloseEditBox();
        RECT whole = {0, 0, w.mWidth, w.mHeight};
        InvalidateRect(hwnd, &whole, FALSE);
        UpdateWindow(hwnd);
    }
    SetFocus(hwnd);
    SetCapture(hwnd);
    const int x = MessageX(lParam), y = MessageY(lParam);
    w.mMenuRan = false;
    w.OnMouseDown(x, y, KeysFromMessage(wParam));
    if (w.mMenuRan)
    {
        // A popup menu opened by this press took its release: end the
        // gesture here, so the host sees an end-edit for its begin-edit.
        w.mMenuRan = false;
        ReleaseCapture();
        MouseKeys keys = KeysFromMessage(wParam);
        keys.left = keys.right = 0;
        w.OnMouseUp(x, y, keys);
    }
}

void IWin32Messages::ButtonUp(IEditorWindow& w, WPARAM wParam, LPARAM lParam)
{
    ReleaseCapture();
    w.OnMouseUp(MessageX(lParam), MessageY(lParam), KeysFromMessage(wParam));
}

void IWin32Messages::DoubleClick(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (w.OnMouseDoubleClick(MessageX(lParam), MessageY(lParam), KeysFromMessage(wParam)))
        SetCapture(hwnd);
}

void IWin32Messages::MouseMove(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    // Moves without a button are not forwarded to any control.
    if ((wParam & (MK_LBUTTON | MK_RBUTTON)) == 0) return;
    if (GetCapture() == hwnd && !w.mEditBox)
        w.OnMouseDrag(MessageX(lParam), MessageY(lParam), KeysFromMessage(wParam));
}

void IWin32Messages::Wheel(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (w.mEditBox)
    {
        w.mEntryState = IEditorWindow::kEntryCancel;
        return;
    }
    // The wheel's position comes in screen coordinates.
    RECT screen = {};
    GetWindowRect(hwnd, &screen);
    const int x = MessageX(lParam) - screen.left;
    const int y = MessageY(lParam) - screen.top;
    // One notch per WHEEL_DELTA (120), truncated toward zero.
    const int notches = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
    w.OnMouseWheel(x, y, KeysFromMessage(LOWORD(wParam)), notches);
}

LRESULT IWin32Messages::KeyDown(IEditorWindow& w, HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    const int code = IEditorWindow::KeyCodeFromVirtualKey(static_cast<int>(wParam));
    if (code < 0) return DefWindowProcA(hwnd, WM_KEYDOWN, wParam, lParam);
    POINT pointer = {};
    GetCursorPos(&pointer);
    ScreenToClient(hwnd, &pointer);
    if (w.OnKeyDown(pointer.x, pointer.y, code)) return 0;
    return DefWindowProcA(hwnd, WM_KEYDOWN, wParam, lParam);
}

int IEditorWindow::KeyCodeFromVirtualKey(int virtualKey)
{
    switch (virtualKey)
    {
    case VK_SPACE:
        return 0;
    case VK_UP:
        return 1;
    case VK_DOWN:
        return 2;
    case VK_LEFT:
        return 3;
    case VK_RIGHT:
        return 4;
    default:
        break;
    }
    if (virtualKey >= 0x30 && virtualKey <= 0x39) return virtualKey - 0x30 + 5;
    if (virtualKey >= 0x41 && virtualKey <= 0x5a) return virtualKey - 0x41 + 15;
    if (virtualKey >= 0x61 && virtualKey <= 0x7a) return virtualKey - 82;
    return -1;
}

// ---- the timer tick and the screen copy ---------------------------------------------------

void IEditorWindow::TimerTick()
{
    ++mTicks;
    if (mEditBox && mEntryState != kEntryIdle)
    {
        switch (mEntryState)
        {
        case kEntryCommit:
            CommitEditBox();
            CloseEditBox();
            break;
        case kEntryCancel:
            CloseEditBox();
            break;
        default:
            mEntryState = kEntryIdle;
            break;
        }
        return;
    }
    IBox dirty;
    if (!IsDirty(&dirty)) return;
    HWND window = AsWindow(mWindow);
    RECT rect = {dirty.left, dirty.top, dirty.right, dirty.bottom};
    InvalidateRect(window, &rect, FALSE);
    if (mEditBox)
    {
        // The panel is not painted over the edit box.
        RECT box = {};
        GetWindowRect(AsWindow(mEditBox), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        ValidateRect(window, &box);
        UpdateWindow(window);
        mEntryState = kEntryRedrawn;
    }
    else
    {
        UpdateWindow(window);
    }
}

bool IEditorWindow::DrawScreen(const IBox& box)
{
    if (!mWindow) return true;
    HWND window = AsWindow(mWindow);
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(window, &paint);
    HDC source = mDrawBitmap ? static_cast<HDC>(mDrawBitmap->DeviceContext()) : nullptr;
    if (screen && source)
        BitBlt(screen, box.left, box.top, box.right - box.left, box.bottom - box.top, source,
               box.left, box.top, SRCCOPY);
    EndPaint(window, &paint);
    return true;
}

// ---- text entry ----------------------------------------------------------------------------

void IEditorWindow::CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                                    const char* initialText, IParameter* param)
{
    if (!control || mEditBox || !mWindow) return;
    DWORD styleBits = WS_CHILD | WS_VISIBLE | ES_MULTILINE;
    if (style.alignment == 1)
        styleBits |= ES_CENTER;
    else if (style.alignment == 2)
        styleBits |= ES_RIGHT;
    const HINSTANCE instance = static_cast<HINSTANCE>(mInstance);
    HWND edit = CreateWindowExA(0, "EDIT", initialText ? initialText : "", styleBits, box.left,
                                box.top, box.W() + 1, box.H() + 1, AsWindow(mWindow),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditBoxId)), instance,
                                nullptr);
    if (!edit) return;

    char face[ITextStyle::kFontNameSize];
    std::memcpy(face, style.fontName, sizeof(face));
    face[sizeof(face) - 1] = '\0';
    HFONT font = CreateFontA(style.size, 0, 0, 0, style.style == 1 ? FW_BOLD : 0,
                             style.style == 2 ? TRUE : FALSE, 0, 0, 0, 0, 0, 0, 0, face);
    if (font) SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    mEditFont = font;

    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(control->TextEntryLength()), 0);
    SetFocus(edit);

    // The state stays as it is: it becomes 1 only when the subclassed box
    // gets the focus again later.
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    mEditPreviousProc = reinterpret_cast<void*>(SetWindowLongPtrA(
        edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&IWin32Messages::EditProc)));
    mEditBox = edit;
    mEditParam = param;
    mEditControl = control;
}

void IEditorWindow::CancelTextEntry()
{
    mEntryState = kEntryCancel;
}

void IEditorWindow::CommitEditBox()
{
    if (!mEditBox || !mEditControl) return;
    char text[kCommitTextSize] = {};
    SendMessageA(AsWindow(mEditBox), WM_GETTEXT, kCommitTextSize, reinterpret_cast<LPARAM>(text));
    text[kCommitTextSize - 1] = '\0';
    if (mEditParam)
        mEditControl->SetValueFromUser(
            mEditParam->ToNormalized(ITextEntry::ValueFromText(mEditParam, text)));
    else
        mEditControl->SetTextFromEntry(text);
}

void IEditorWindow::CloseEditBox()
{
    if (mEditBox)
    {
        HWND edit = AsWindow(mEditBox);
        if (mEditPreviousProc)
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEditPreviousProc));
        mEditBox = nullptr;
        DestroyWindow(edit);
    }
    // The box's font is ours: it goes once the box no longer uses it.
    if (mEditFont) DeleteObject(static_cast<HGDIOBJ>(mEditFont));
    mEditFont = nullptr;
    mEditParam = nullptr;
    mEditControl = nullptr;
    mEditPreviousProc = nullptr;
    mEntryState = kEntryIdle;
}

bool IEditorWindow::EditBoxTakesChar(const IParameter* param, unsigned character)
{
    if (!param || character == VK_BACK) return true;
    const bool digitOrSign =
        (character >= '0' && character <= '9') || character == '-' || character == '+';
    switch (param->Type())
    {
    case IParameter::kTypeBool:
    case ITextEntry::kTypeInteger:
    case IParameter::kTypeEnum:
        return digitOrSign;
    case IParameter::kTypeDouble:
        return digitOrSign || character == '.';
    default:
        return true;
    }
}

LRESULT CALLBACK IWin32Messages::EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    IEditorWindow* w = reinterpret_cast<IEditorWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!w || w->mEditBox != hwnd || !w->mEditPreviousProc)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return EditMessage(*w, hwnd, message, wParam, lParam);
}

LRESULT IWin32Messages::PassToEdit(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                                   LPARAM lParam)
{
    return CallWindowProcA(reinterpret_cast<WNDPROC>(w.mEditPreviousProc), hwnd, message, wParam,
                           lParam);
}

LRESULT IWin32Messages::EditMessage(IEditorWindow& w, HWND hwnd, UINT message, WPARAM wParam,
                                    LPARAM lParam)
{
    switch (message)
    {
    case WM_SETFOCUS:
        w.mEntryState = IEditorWindow::kEntryFocused;
        break;
    case WM_KILLFOCUS:
        w.mEntryState = IEditorWindow::kEntryCancel;
        break;
    case WM_GETDLGCODE:
        if (!w.mEditParam)
        {
            // A dialog host would keep Return for its default button.
            LRESULT code = PassToEdit(w, hwnd, message, wParam, lParam);
            const MSG* asked = reinterpret_cast<const MSG*>(lParam);
            if (asked && asked->message == WM_KEYDOWN && asked->wParam == VK_RETURN)
                code |= DLGC_WANTALLKEYS;
            return code;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN)
        {
            w.mEntryState = IEditorWindow::kEntryCommit;
            return 0;
        }
        break;
    case WM_CHAR:
        if (w.mEditParam &&
            !IEditorWindow::EditBoxTakesChar(w.mEditParam, static_cast<unsigned>(wParam)))
            return 0;
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == kCommitCommand)
        {
            w.mEntryState = IEditorWindow::kEntryCommit;
            return 0;
        }
        break;
    default:
        break;
    }
    return PassToEdit(w, hwnd, message, wParam, lParam);
}

// ---- popup menu -------------------------------------------------------------------------------

IMenu* IEditorWindow::CreateMenu(IMenu* menu, const IBox& box)
{
    ReleaseMouseCapture();
    if (!menu || !mWindow) return nullptr;
    HWND window = AsWindow(mWindow);
    POINT anchor = {box.left, box.bottom};
    ClientToScreen(window, &anchor);

    if (menu->items.empty()) return nullptr;
    HMENU popup = CreatePopupMenu();
    if (!popup) return nullptr;
    for (int i = 0; i < static_cast<int>(menu->items.size()); ++i)
    {
        const IMenuItem& item = menu->items[static_cast<std::size_t>(i)];
        const UINT_PTR command = static_cast<UINT_PTR>(i + 1);
        if (item.flags & IMenuItem::kSeparator)
        {
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        if (item.submenu) continue;
        UINT flags = MF_STRING;
        if (item.flags & IMenuItem::kGrayed) flags |= MF_GRAYED;
        if (item.flags & IMenuItem::kDisabled) flags |= MF_DISABLED;
        if (item.flags & IMenuItem::kChecked) flags |= MF_CHECKED;
        const std::string label = menu->ItemLabel(i);
        AppendMenuA(popup, flags, command, label.c_str());
    }
    mMenuRan = true;
    const int result = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY,
                                                       anchor.x, anchor.y, 0, window, nullptr));
    DestroyMenu(popup);
    if (result <= 0) return nullptr;
    menu->chosen = result - 1;
    return menu;
}

// ---- images ------------------------------------------------------------------------------------

IBitmap* IEditorWindow::LoadImageResource(int resourceId, const char* name)
{
    if (!NameIsPng(name)) return nullptr;
    const void* data = nullptr;
    std::size_t size = 0;
    if (!IModuleResources::Find(mInstance, resourceId, "PNG", &data, &size) || size < 8)
        return nullptr;
    return IPngImage::DecodeBitmap(data, size);
}

// ---- services no control of this panel calls --------------------------------------------------

void IEditorWindow::HostPath(std::string& out)
{
    ModuleFolder(nullptr, out);
}

void IEditorWindow::PluginPath(std::string& out)
{
    ModuleFolder(static_cast<HMODULE>(mInstance), out);
}

void IEditorWindow::PromptForFile(std::string& fileName, int action, std::string& folder,
                                  const char* extensions)
{
    if (!mWindow)
    {
        fileName.clear();
        return;
    }
    // "wav aif" -> "*.wav;*.aif", as description and as pattern.
    std::string patterns;
    const char* p = extensions ? extensions : "";
    while (*p)
    {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (end > p)
        {
            if (!patterns.empty()) patterns += ';';
            patterns += "*.";
            patterns.append(p, static_cast<std::size_t>(end - p));
        }
        p = end;
    }
    std::string filter = patterns;
    filter.push_back('\0');
    filter += patterns;
    filter.push_back('\0'); // the list ends with two NULs (c_str adds the second)

    char initialFolder[MAX_PATH] = {};
    if (folder.empty())
        SHGetSpecialFolderPathA(nullptr, initialFolder, CSIDL_DESKTOP, FALSE);
    else
        std::snprintf(initialFolder, sizeof(initialFolder), "%s", folder.c_str());

    char file[kFileNameSize] = {};
    std::snprintf(file, sizeof(file), "%s", fileName.c_str());

    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = AsWindow(mWindow);
    dialog.hInstance = static_cast<HINSTANCE>(mInstance);
    dialog.lpstrFilter = patterns.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = kFileNameSize - 1;
    dialog.lpstrInitialDir = initialFolder;
    bool chosen = false;
    if (action == 1)
    {
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        chosen = GetSaveFileNameA(&dialog) != FALSE;
    }
    else
    {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        chosen = GetOpenFileNameA(&dialog) != FALSE;
    }
    if (!chosen) return;
    fileName = file;
    char drive[_MAX_DRIVE] = {}, directory[_MAX_DIR] = {};
    _splitpath(file, drive, directory, nullptr, nullptr);
    char joined[_MAX_DRIVE + _MAX_DIR];
    std::snprintf(joined, sizeof(joined), "%s%s", drive, directory);
    folder = joined;
}

bool IEditorWindow::PromptForColour(IArgb& colour, const char* prompt)
{
    if (!mWindow) return false;
    if (!mCustomColours)
    {
        mCustomColours = new (std::nothrow) std::uint32_t[16];
        if (!mCustomColours) return false;
        for (int i = 0; i < 16; ++i)
            mCustomColours[i] = RGB(255, 255, 255);
    }
    CHOOSECOLORA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = AsWindow(mWindow);
    choose.rgbResult = RGB(colour.R & 0xff, colour.G & 0xff, colour.B & 0xff);
    choose.lpCustColors = reinterpret_cast<COLORREF*>(mCustomColours);
    choose.Flags = kColourDialogFlags;
    choose.lCustData = reinterpret_cast<LPARAM>(prompt);
    choose.lpfnHook = ColourDialogHook;
    if (!ChooseColorA(&choose)) return false;
    colour.R = GetRValue(choose.rgbResult);
    colour.G = GetGValue(choose.rgbResult);
    colour.B = GetBValue(choose.rgbResult);
    return true;
}

bool IEditorWindow::OpenURL(const char* url, const char* caption, const char* confirm,
                            const char* error)
{
    if (!url || !*url) return false;
    HWND owner = AsWindow(mWindow);
    if (confirm && MessageBoxA(owner, confirm, caption, MB_YESNO) != IDYES) return false;
    DWORD connection = 0;
    if (InternetGetConnectedState(&connection, 0))
    {
        const INT_PTR result = reinterpret_cast<INT_PTR>(
            ShellExecuteA(owner, "open", url, nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32) return true;
    }
    if (error) MessageBoxA(owner, error, caption, MB_OK);
    return false;
}
