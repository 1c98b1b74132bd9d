#pragma once

// A small panel on the real Win32 layer: a flat background, a control that
// records every mouse and key event it gets, a value text that opens the edit
// box on a right click and a control that opens a popup menu; and a top-level
// window standing in for the host's.

#include "framework/TestEffect.h"
#include "gui/IControl.h"
#include "gui/RecordingControls.h"
#include "gui/win32/IEditorWindow.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win32test
{

// The recording controls, shared with the X11 layer's tests.
using ::FlatControl;
using ::RecordedEvent;
using ::EntryControl;
using ::RecordingControl;

// Any press: the popup menu; remembers the answer.
class MenuControl : public RecordingControl
{
  public:
    MenuControl(IEffectBase* plugin, const IBox& box)
        : RecordingControl(plugin, box, kRatio, 0x808000)
    {
    }
    void OnMouseDown(int x, int y, const MouseKeys& k) override
    {
        RecordingControl::OnMouseDown(x, y, k);
        IMenu menu;
        menu.prefix = mPrefix;
        menu.AddItem("first");
        menu.AddItem("second", IMenuItem::kChecked);
        menu.AddItem("", IMenuItem::kSeparator);
        menu.AddItem("grayed", IMenuItem::kGrayed);
        menu.AddItem("last");
        IMenu* answer = GetCanvas()->CreateMenu(&menu, mRect);
        mMenus++;
        mAnswerWasMenu = answer == &menu;
        mChosen = answer ? answer->chosen : -1;
    }
    int mPrefix = 0;
    int mMenus = 0;
    bool mAnswerWasMenu = false;
    int mChosen = -2;
};

constexpr int kPanelW = 240;
constexpr int kPanelH = 120;
constexpr std::uint32_t kBackgroundRgb = 0x204060;
constexpr std::uint32_t kKnobRgb = 0xc0c0c0;
const IBox kKnobBox(10, 10, 70, 70);
const IBox kTextBox(100, 10, 160, 30);
const IBox kMenuBox(100, 60, 160, 80);
const IBox kPlainTextBox(180, 10, 230, 30);

// The panel on TestEffect; the effect owns the canvas (AttachGraphics).
struct TestPanel
{
    TestEffect effect;
    IEditorWindow* window;
    RecordingControl* knob;
    EntryControl* text;
    MenuControl* menu;
    EntryControl* plainText;

    explicit TestPanel(int frameRate = 30, int textParam = kAttack)
    {
        window = new IEditorWindow(&effect, kPanelW, kPanelH, frameRate);
        window->AttachControl(
            new FlatControl(&effect, IBox(0, 0, kPanelW, kPanelH), kBackgroundRgb));
        knob = new RecordingControl(&effect, kKnobBox, kThreshold, kKnobRgb);
        window->AttachControl(knob);
        text = new EntryControl(&effect, kTextBox, textParam, "0.5");
        window->AttachControl(text);
        menu = new MenuControl(&effect, kMenuBox);
        window->AttachControl(menu);
        plainText = new EntryControl(&effect, kPlainTextBox, -1, "abc");
        window->AttachControl(plainText);
        effect.AttachGraphics(window);
    }
    HWND Window() const { return static_cast<HWND>(window->GetWindow()); }
};

// Runs the thread's message loop for ms milliseconds.
inline void Pump(int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    MSG msg;
    do
    {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (std::chrono::steady_clock::now() < end);
}

// Runs the message loop until done() holds or a generous time ran out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end) return false;
        Pump(5);
    }
    return true;
}

// Only messages already queued; no timer tick can sneak in unless one is
// already posted.
inline void PumpQueued()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
           PeekMessageA(&msg, nullptr, WM_TIMER + 1, 0xffffffffu, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A visible top-level window that stands in for the host's editor window.
inline HWND CreateHostWindow(int width = 400, int height = 300)
{
    static const char kHostClass[] = "KorvalaTestHostWindow";
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSA c = {};
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        c.lpszClassName = kHostClass;
        registered = RegisterClassA(&c) != 0;
    }
    HWND host =
        CreateWindowExA(0, kHostClass, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, width,
                        height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (host) UpdateWindow(host);
    return host;
}

inline LPARAM Point(int x, int y)
{
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

} // namespace win32test
