// The Win32 editor window under a real window system (Wine on an X server,
// or Windows): the window class's life, the timer, the screen copy and input
// sent as Win32 messages.
#include "Win32TestPanel.h"

#include "gui/win32/IModuleResources.h"
#include "raster/IBitmap.h"

#include <gtest/gtest.h>

#include <memory>

using namespace win32test;

namespace
{

bool ClassRegistered()
{
    WNDCLASSA info;
    return GetClassInfoA(static_cast<HINSTANCE>(IModuleResources::ThisModule()), "IEffectWndClass",
                         &info) != FALSE;
}

class Win32Editor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        host = CreateHostWindow();
        ASSERT_NE(host, nullptr);
        panel.reset(new TestPanel());
    }
    void TearDown() override
    {
        panel.reset();
        DestroyWindow(host);
        Pump(0);
        EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    }
    HWND Open() { return static_cast<HWND>(panel->window->OpenWindow(host)); }
    // Waits until the first tick painted the panel.
    void ShowPanel()
    {
        ASSERT_TRUE(PumpUntil([this] { return panel->window->TickCount() > 1; }));
    }
    std::vector<TestEffect::HostCall> Calls(const char* what, int idx)
    {
        std::vector<TestEffect::HostCall> out;
        for (const TestEffect::HostCall& c : panel->effect.mHost)
            if (c.mWhat == what && c.mIdx == idx) out.push_back(c);
        return out;
    }

    HWND host = nullptr;
    std::unique_ptr<TestPanel> panel;
};

// ---- life cycle -----------------------------------------------------------------------

TEST_F(Win32Editor, OpensAVisibleChildOfThePanelSizeAndClosesIt)
{
    ASSERT_FALSE(ClassRegistered());
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(panel->window->GetWindow(), static_cast<void*>(w));
    EXPECT_TRUE(panel->window->WindowIsOpen());
    EXPECT_EQ(GetParent(w), host);
    char className[64] = {};
    GetClassNameA(w, className, sizeof(className));
    EXPECT_STREQ(className, "IEffectWndClass");
    char title[64] = {};
    GetWindowTextA(w, title, sizeof(title));
    EXPECT_STREQ(title, "IEffect");
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & ~WS_EX_NOPARENTNOTIFY, 0);
    EXPECT_TRUE(GetClassLongA(w, GCL_STYLE) & CS_DBLCLKS);
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, kPanelW);
    EXPECT_EQ(client.bottom, kPanelH);
    EXPECT_EQ(panel->window->ParentWindow(), static_cast<void*>(host));
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 1);
    EXPECT_TRUE(ClassRegistered());

    panel->window->CloseWindow();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(panel->window->GetWindow(), nullptr);
    EXPECT_FALSE(panel->window->WindowIsOpen());
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    EXPECT_FALSE(ClassRegistered());
    // Closing again changes nothing.
    panel->window->CloseWindow();
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);

    HWND again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 1);
    ShowPanel();
}

TEST_F(Win32Editor, ReopeningWhileOpenRecreatesTheWindowAtItsPlaceAndSize)
{
    HWND first = Open();
    ASSERT_NE(first, nullptr);
    MoveWindow(first, 7, 9, 200, 100, FALSE);
    HWND second = Open();
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 1);
    RECT r;
    GetWindowRect(second, &r);
    MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&r), 2);
    // The place is kept in the host window's client coordinates, however
    // wide the host's frame.
    EXPECT_EQ(r.left, 7);
    EXPECT_EQ(r.top, 9);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 100);
}

TEST_F(Win32Editor, TwoWindowsShareOneClassThatGoesWithTheLastClose)
{
    TestPanel other;
    HWND a = Open();
    HWND b = static_cast<HWND>(other.window->OpenWindow(host));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 2);
    EXPECT_TRUE(ClassRegistered());

    panel->window->CloseWindow();
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 1);
    EXPECT_TRUE(ClassRegistered());
    EXPECT_TRUE(IsWindow(b));
    // The remaining window still runs.
    const int ticks = other.window->TickCount();
    ASSERT_TRUE(PumpUntil([&] { return other.window->TickCount() > ticks + 1; }));

    other.window->CloseWindow();
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    EXPECT_FALSE(ClassRegistered());
}

TEST_F(Win32Editor, FailedCreationLeavesTheClassCountBalanced)
{
    HWND gone = CreateHostWindow();
    DestroyWindow(gone);
    EXPECT_EQ(panel->window->OpenWindow(gone), nullptr);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    EXPECT_FALSE(ClassRegistered());

    // With another window open the class stays.
    TestPanel other;
    ASSERT_NE(other.window->OpenWindow(host), nullptr);
    EXPECT_EQ(panel->window->OpenWindow(gone), nullptr);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 1);
    EXPECT_TRUE(ClassRegistered());
    // And a later open of the first panel works.
    EXPECT_NE(Open(), nullptr);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 2);
    other.window->CloseWindow();
    panel->window->CloseWindow();
    EXPECT_FALSE(ClassRegistered());
}

TEST_F(Win32Editor, CloseMessageAndDestructionCloseTheWindow)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(panel->window->GetWindow(), nullptr);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);

    w = Open();
    ASSERT_NE(w, nullptr);
    panel.reset();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    EXPECT_FALSE(ClassRegistered());
}

TEST_F(Win32Editor, HostDestroyingItsWindowBeforeTheCloseLeavesNothingBehind)
{
    HWND otherHost = CreateHostWindow();
    HWND w = static_cast<HWND>(panel->window->OpenWindow(otherHost));
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, Point(105, 15)); // an edit box too
    ASSERT_NE(panel->window->EditBox(), nullptr);
    DestroyWindow(otherHost);
    EXPECT_FALSE(IsWindow(w));
    Pump(100);
    panel->window->CloseWindow();
    EXPECT_EQ(panel->window->GetWindow(), nullptr);
    EXPECT_EQ(panel->window->EditBox(), nullptr);
    EXPECT_EQ(IEditorWindow::ClassUseCount(), 0);
    EXPECT_FALSE(ClassRegistered());
    EXPECT_NE(Open(), nullptr);
}

// ---- timer and screen ------------------------------------------------------------------

TEST_F(Win32Editor, EachWindowsTimerRunsAtItsOwnCanvasFrameRate)
{
    TestPanel slow(7);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(IEditorWindow::NextFrameRate(), 30.0);
    ASSERT_NE(slow.window->OpenWindow(host), nullptr);
    EXPECT_EQ(IEditorWindow::NextFrameRate(), 7.0);
    // truncate(1000 / rate): 33 ms at 30 frames, 142 ms at 7.
    EXPECT_EQ(panel->window->TimerPeriodMs(), 33);
    EXPECT_EQ(slow.window->TimerPeriodMs(), 142);

    // Over about a second the faster window ticks more often; no exact
    // count is asked of a shared machine.
    const int fast0 = panel->window->TickCount(), slow0 = slow.window->TickCount();
    Pump(1200);
    const int fast = panel->window->TickCount() - fast0,
              slowTicks = slow.window->TickCount() - slow0;
    EXPECT_GT(slowTicks, 0);
    EXPECT_GT(fast, slowTicks);
    slow.window->CloseWindow();
}

TEST_F(Win32Editor, FrameRateDefaultsTo25WhenNotPositive)
{
    TestPanel zero(0);
    ASSERT_NE(zero.window->OpenWindow(host), nullptr);
    EXPECT_EQ(zero.window->TimerPeriodMs(), 40);
    zero.window->CloseWindow();
}

TEST_F(Win32Editor, OffScreenBitmapIsADibSectionWithADeviceContext)
{
    IBitmap* bitmap = panel->window->GetDrawBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_NE(bitmap->DeviceContext(), nullptr);
    EXPECT_EQ(bitmap->Width(), kPanelW);
    EXPECT_EQ(bitmap->Height(), kPanelH);
}

TEST_F(Win32Editor, TheFirstTicksPaintThePanelOnTheScreen)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    ShowPanel();
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    // GetPixel answers 0x00BBGGRR.
    auto rgb = [](COLORREF c)
    {
        return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
               (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
    };
    bool shown = PumpUntil(
        [&]
        {
            return rgb(GetPixel(dc, 2, 2)) == kBackgroundRgb &&
                   rgb(GetPixel(dc, 30, 30)) == kKnobRgb &&
                   rgb(GetPixel(dc, kPanelW - 1, kPanelH - 1)) == kBackgroundRgb;
        },
        5000);
    EXPECT_TRUE(shown) << std::hex << rgb(GetPixel(dc, 2, 2)) << " " << rgb(GetPixel(dc, 30, 30));
    ReleaseDC(w, dc);
}

TEST_F(Win32Editor, ATickCopiesOnlyTheDirtyRectangleToTheScreen)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    ShowPanel();
    Pump(100);
    HDC dc = GetDC(w);
    ASSERT_NE(dc, nullptr);
    // A mark on the screen over the knob: a tick for the value text leaves it,
    // one for the knob copies the knob over it.
    const COLORREF mark = RGB(0x11, 0x22, 0x33);
    SetPixel(dc, 30, 30, mark);
    ASSERT_TRUE(PumpUntil([&] { return GetPixel(dc, 30, 30) == mark; }, 2000));
    panel->text->SetDirty(false);
    const int ticks = panel->window->TickCount();
    ASSERT_TRUE(PumpUntil([&] { return panel->window->TickCount() > ticks + 2; }));
    EXPECT_EQ(GetPixel(dc, 30, 30), mark);
    panel->knob->SetDirty(false);
    EXPECT_TRUE(PumpUntil([&] { return GetPixel(dc, 30, 30) == RGB(0xc0, 0xc0, 0xc0); }, 5000));
    ReleaseDC(w, dc);
}

// ---- input -----------------------------------------------------------------------------

TEST_F(Win32Editor, PressDragAndReleaseReachTheControlWithBeginAndEndEdit)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Point(20, 30));
    EXPECT_EQ(GetCapture(), w);
    EXPECT_EQ(GetFocus(), w);
    EXPECT_EQ(panel->window->MouseCapture(), 1);
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, Point(22, 20));
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, Point(22, 20)); // same place: not forwarded
    // Outside the panel, negative coordinates still reach the captured control.
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, Point(-5, -8));
    SendMessageA(w, WM_LBUTTONUP, 0, Point(-5, -8));
    EXPECT_NE(GetCapture(), w);

    RecordingControl& knob = *panel->knob;
    ASSERT_EQ(knob.mEvents.size(), 4u);
    EXPECT_EQ(knob.mEvents[0].what, "down");
    EXPECT_EQ(knob.mEvents[0].keys.left, 1);
    EXPECT_EQ(knob.mEvents[0].keys.shift, 1);
    EXPECT_EQ(knob.mEvents[1].what, "drag");
    EXPECT_EQ(knob.mEvents[1].dx, 2);
    EXPECT_EQ(knob.mEvents[1].dy, -10);
    EXPECT_EQ(knob.mEvents[2].what, "drag");
    EXPECT_EQ(knob.mEvents[2].x, -5);
    EXPECT_EQ(knob.mEvents[2].dx, -27);
    EXPECT_EQ(knob.mEvents[2].dy, -28);
    EXPECT_EQ(knob.mEvents[3].what, "up");
    EXPECT_EQ(knob.mEvents[3].keys.left, 0);
    EXPECT_EQ(Calls("begin", kThreshold).size(), 1u);
    EXPECT_EQ(Calls("end", kThreshold).size(), 1u);
}

TEST_F(Win32Editor, MovesWithoutAButtonOrWithoutCaptureAreNotForwarded)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_MOUSEMOVE, 0, Point(20, 20));
    SendMessageA(w, WM_MOUSEMOVE, 0, Point(25, 25));
    // A button held but the window does not hold the capture.
    ReleaseCapture();
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, Point(30, 30));
    EXPECT_TRUE(panel->knob->mEvents.empty());
}

TEST_F(Win32Editor, WheelPositionIsTakenFromTheScreenAndNotchesTruncate)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    RECT screen;
    GetWindowRect(w, &screen);
    const LPARAM at = Point(screen.left + 30, screen.top + 40);
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT | MK_CONTROL, 240), at);
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), at);
    SendMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-100)), at);
    RecordingControl& knob = *panel->knob;
    ASSERT_EQ(knob.Count("wheel"), 3);
    EXPECT_EQ(knob.mEvents[0].x, 30);
    EXPECT_EQ(knob.mEvents[0].y, 40);
    EXPECT_EQ(knob.mEvents[0].extra, 2);
    EXPECT_EQ(knob.mEvents[0].keys.shift, 1);
    EXPECT_EQ(knob.mEvents[0].keys.control, 1);
    EXPECT_EQ(knob.mEvents[1].extra, -1);
    EXPECT_EQ(knob.mEvents[2].extra, 0);
    // The wheel begins no gesture.
    EXPECT_TRUE(Calls("begin", kThreshold).empty());
}

TEST_F(Win32Editor, DoubleClickOnAPlainControlDoesNotCapture)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    ReleaseCapture();
    SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(20, 20));
    EXPECT_EQ(panel->knob->Count("double"), 1);
    EXPECT_EQ(panel->knob->Count("down"), 0);
    EXPECT_NE(GetCapture(), w);
    EXPECT_EQ(panel->window->MouseCapture(), -1);
}

TEST_F(Win32Editor, DoubleClickOnASingleClickControlIsAPressAndCaptures)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    panel->knob->SetDrawDoubleClickAsSingle(true);
    SendMessageA(w, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(20, 20));
    EXPECT_EQ(panel->knob->Count("down"), 1);
    EXPECT_EQ(GetCapture(), w);
    SendMessageA(w, WM_LBUTTONUP, 0, Point(20, 20));
    EXPECT_EQ(panel->knob->Count("up"), 1);
}

TEST_F(Win32Editor, MappedKeysReachTheTargetControlAndOthersTheDefaultProcessing)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    // The captured control is the target of keys.
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
    EXPECT_EQ(SendMessageA(w, WM_KEYDOWN, 'A', 0), 0);
    SendMessageA(w, WM_KEYDOWN, '7', 0);
    SendMessageA(w, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageA(w, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(w, WM_KEYDOWN, VK_F1, 0); // 0x70: among the codes 0x61..0x7A
    SendMessageA(w, WM_LBUTTONUP, 0, Point(20, 20));
    std::vector<int> keys;
    for (const RecordedEvent& e : panel->knob->mEvents)
        if (e.what == "key") keys.push_back(e.extra);
    EXPECT_EQ(keys, (std::vector<int>{15, 12, 3, 0x70 - 82}));
}

TEST(Win32Keys, VirtualKeysMapOntoTheCanvasCodes)
{
    // Naive table: every virtual key 0..255 against the rules written out.
    for (int vk = 0; vk < 256; ++vk)
    {
        int expected = -1;
        if (vk == VK_SPACE)
            expected = 0;
        else if (vk == VK_UP)
            expected = 1;
        else if (vk == VK_DOWN)
            expected = 2;
        else if (vk == VK_LEFT)
            expected = 3;
        else if (vk == VK_RIGHT)
            expected = 4;
        else if (vk >= '0' && vk <= '9')
            expected = 5 + (vk - '0');
        else if (vk >= 'A' && vk <= 'Z')
            expected = 15 + (vk - 'A');
        else if (vk >= 'a' && vk <= 'z')
            expected = 15 + (vk - 'a');
        EXPECT_EQ(IEditorWindow::KeyCodeFromVirtualKey(vk), expected) << vk;
    }
}

} // namespace
