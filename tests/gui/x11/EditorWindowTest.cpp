// The X11 editor window on a real X server (a private Xvfb): life cycle,
// pixels on the screen, input injected through XTest as a user's, the edit
// box and the popup menu.

#include "TestPanel.h"
#include "XServer.h"

#include "gui/x11/IX11PopupMenu.h"
#include "raster/IBitmap.h"
#include "raster/ICachedFont.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <chrono>
#include <memory>
#include <thread>

namespace
{
class X11Editor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(xtest::EnsureServer()) << "no X server (Xvfb) available";
        host.reset(new xtest::HostConnection());
        ASSERT_TRUE(host->Ok());
        parent = host->CreateParent(400, 300, 20, 30);
        panel.reset(new TestPanel());
    }
    void TearDown() override
    {
        panel.reset();
        IEditorWindow::AllowSharedMemory(true);
    }
    std::uint32_t Open()
    {
        void* w = panel->window->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)));
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(w));
    }
    bool IdleUntil(const std::function<bool()>& done)
    {
        return xtest::IdleUntil([this] { panel->Idle(); }, done);
    }
    // Idles until the window has shown the whole panel once.
    void ShowPanel()
    {
        ASSERT_TRUE(IdleUntil([this] { return panel->window->TickCount() > 0; }));
    }
    // Root coordinates of a panel point.
    void Root(std::uint32_t w, int x, int y, int* rx, int* ry) { host->ToRoot(w, x, y, rx, ry); }
    std::vector<TestEffect::HostCall> Calls(const char* what, int idx)
    {
        std::vector<TestEffect::HostCall> out;
        for (const TestEffect::HostCall& c : panel->effect.mHost)
            if (c.mWhat == what && c.mIdx == idx) out.push_back(c);
        return out;
    }

    std::unique_ptr<xtest::HostConnection> host;
    xcb_window_t parent = 0;
    std::unique_ptr<TestPanel> panel;
};

// Pixels of the whole panel on the screen that differ from the off-screen
// bitmap (all of them when the window cannot be read).
int DifferingPixels(xtest::HostConnection& host, std::uint32_t w, IEditorWindow* window)
{
    const std::vector<std::uint32_t> screen = host.Pixels(w, 0, 0, kPanelW, kPanelH);
    if (screen.size() != static_cast<std::size_t>(kPanelW * kPanelH)) return kPanelW * kPanelH;
    IBitmap* bitmap = window->GetDrawBitmap();
    int differing = 0;
    for (int y = 0; y < kPanelH; ++y)
        for (int x = 0; x < kPanelW; ++x)
            differing += screen[static_cast<std::size_t>(y * kPanelW + x)] !=
                         (bitmap->Bits()[y * bitmap->RowSpan() + x] & 0xffffffu);
    return differing;
}

// The host's connection and ours are not ordered against each other: the
// server may answer the host before it has handled our last copy, so the
// comparison is repeated until it holds (or the wait runs out).
void ExpectScreenEqualsBitmap(xtest::HostConnection& host, std::uint32_t w, TestPanel& panel)
{
    xtest::IdleUntil([&] { panel.Idle(); },
                     [&] { return DifferingPixels(host, w, panel.window) == 0; });
    EXPECT_EQ(DifferingPixels(host, w, panel.window), 0);
}
} // namespace

TEST_F(X11Editor, OpensAMappedChildOfThePanelSizeWithXEmbedInfo)
{
    const std::uint32_t w = Open();
    ASSERT_NE(w, 0u);
    EXPECT_EQ(host->Children(parent), std::vector<xcb_window_t>{w});
    int x, y, width, height;
    ASSERT_TRUE(host->Geometry(w, &x, &y, &width, &height));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(width, kPanelW);
    EXPECT_EQ(height, kPanelH);
    EXPECT_TRUE(host->IsMapped(w));
    EXPECT_EQ(host->PropertyCardinals(w, "_XEMBED_INFO"), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_TRUE(panel->window->WindowIsOpen());
}

TEST_F(X11Editor, CloseLeavesNoWindowAndReopeningWhileOpenKeepsOneAtTheSamePlace)
{
    const std::uint32_t first = Open();
    ASSERT_NE(first, 0u);
    xcb_configure_window(host->Get(), first, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                         std::vector<std::uint32_t>{7, 9}.data());
    host->Sync();
    const std::uint32_t second = Open();
    ASSERT_NE(second, 0u);
    // (The new connection may hand out the same id again.)
    EXPECT_EQ(host->Children(parent), std::vector<xcb_window_t>{second});
    int x, y, width, height;
    ASSERT_TRUE(host->Geometry(second, &x, &y, &width, &height));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 9);
    panel->window->CloseWindow();
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
    EXPECT_FALSE(panel->window->WindowIsOpen());
    panel->window->CloseWindow(); // again: nothing
    panel->Idle();                // idle while closed: nothing
}

TEST_F(X11Editor, OpeningOnAWindowThatDoesNotExistFails)
{
    EXPECT_EQ(panel->window->OpenWindow(reinterpret_cast<void*>(std::uintptr_t{0x7ffffff})), nullptr);
    EXPECT_EQ(panel->window->OpenWindow(nullptr), nullptr);
    EXPECT_FALSE(panel->window->WindowIsOpen());
}

TEST_F(X11Editor, HostDestroyingItsWindowFirstLeavesNothingBehind)
{
    const std::uint32_t w = Open();
    ASSERT_NE(w, 0u);
    ShowPanel();
    host->Destroy(parent);
    ASSERT_TRUE(IdleUntil([this] { return !panel->window->WindowIsOpen(); }));
    EXPECT_FALSE(host->Exists(w));
    panel->window->CloseWindow();
    panel->Idle();
    // And the editor opens again in a new host window.
    parent = host->CreateParent(300, 200);
    EXPECT_NE(Open(), 0u);
}

TEST_F(X11Editor, TwoInstancesHaveTheirOwnWindows)
{
    TestPanel other;
    const xcb_window_t otherParent = host->CreateParent(300, 200, 500, 30);
    const std::uint32_t a = Open();
    void* b = other.window->OpenWindow(reinterpret_cast<void*>(static_cast<std::uintptr_t>(otherParent)));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(b)), a);
    EXPECT_EQ(host->Children(otherParent).size(), 1u);
    ShowPanel();
    ASSERT_TRUE(xtest::IdleUntil([&] { other.Idle(); }, [&] { return other.window->TickCount() > 0; }));
    panel->window->CloseWindow();
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
    EXPECT_EQ(host->Children(otherParent).size(), 1u);
    other.window->CloseWindow();
}

TEST_F(X11Editor, ScreenShowsTheOffScreenBitmapThroughSharedMemory)
{
    const std::uint32_t w = Open();
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(panel->window->UsesSharedMemory());
    ShowPanel();
    ExpectScreenEqualsBitmap(*host, w, *panel);
    ASSERT_EQ(host->Pixels(w, 1, 1, 1, 1).size(), 1u);
    EXPECT_EQ(host->Pixel(w, 1, 1), kBackgroundColour);
    EXPECT_EQ(host->Pixel(w, 20, 20), 0xc0c0c0u);
}

TEST_F(X11Editor, ScreenShowsTheOffScreenBitmapThroughPlainImages)
{
    IEditorWindow::AllowSharedMemory(false);
    const std::uint32_t w = Open();
    ASSERT_NE(w, 0u);
    EXPECT_FALSE(panel->window->UsesSharedMemory());
    ShowPanel();
    ExpectScreenEqualsBitmap(*host, w, *panel);
    // A whole-panel copy plus request headers.
    EXPECT_GE(panel->window->ImageBytesSent(), static_cast<std::uint64_t>(kPanelW * kPanelH * 4));
}

TEST_F(X11Editor, OnlyTheDirtyRectangleIsCopiedOnATick)
{
    IEditorWindow::AllowSharedMemory(false);
    panel->window->SetControlFromPlugin(1, 0.25); // the knob's first reading
    ASSERT_NE(Open(), 0u);
    ShowPanel();
    // Let the first exposure's copy go by.
    for (int i = 0; i < 20; ++i)
    {
        panel->Idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    IBox dirty;
    ASSERT_FALSE(panel->window->IsDirty(&dirty));
    const std::uint64_t before = panel->window->ImageBytesSent();
    const int ticks = panel->window->TickCount();
    panel->window->SetControlFromPlugin(1, 0.5); // the 60 x 60 knob
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TickCount() > ticks; }));
    const std::uint64_t sent = panel->window->ImageBytesSent() - before;
    EXPECT_GE(sent, 60u * 60u * 4u);
    EXPECT_LT(sent, 60u * 60u * 4u + 1024u);
}

TEST_F(X11Editor, ExposeRepaintsFromTheBitmap)
{
    const std::uint32_t w = Open();
    ShowPanel();
    // Cover and uncover the panel with another top-level window.
    const xcb_window_t cover = host->CreateParent(100, 100, 20, 30);
    host->Destroy(cover);
    ASSERT_TRUE(IdleUntil([&] {
        return host->Pixel(w, 5, 5) == kBackgroundColour &&
               host->Pixel(w, 20, 20) == 0xc0c0c0u;
    }));
}

TEST_F(X11Editor, ClickAndVerticalDragReachTheControlWithBeginAndEndEdit)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 30, 40, &rx, &ry);
    host->MoveTo(rx, ry);
    host->Button(1, true);
    host->MoveTo(rx, ry - 10);
    host->MoveTo(rx, ry - 25);
    host->Button(1, false);
    RecordingControl* knob = panel->knob;
    ASSERT_TRUE(IdleUntil([&] { return knob->Count("up") == 1; }));
    ASSERT_GE(knob->mEvents.size(), 3u);
    EXPECT_EQ(knob->mEvents.front().what, "down");
    EXPECT_EQ(knob->mEvents.front().x, 30);
    EXPECT_EQ(knob->mEvents.front().y, 40);
    EXPECT_TRUE(knob->mEvents.front().keys.left);
    int dy = 0;
    for (const RecordedEvent& e : knob->mEvents)
        if (e.what == "drag")
        {
            dy += e.dy;
            EXPECT_TRUE(e.keys.left);
        }
    EXPECT_EQ(dy, -25);
    EXPECT_FALSE(knob->mEvents.back().keys.left); // the release no longer holds it
    EXPECT_EQ(Calls("begin", kThreshold).size(), 1u);
    EXPECT_EQ(Calls("end", kThreshold).size(), 1u);
}

TEST_F(X11Editor, WheelNotchesAndModifiersReachTheControl)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 40, 40, &rx, &ry);
    host->MoveTo(rx, ry);
    host->Button(4, true);
    host->Button(4, false);
    host->Key(XK_Shift_L, true);
    host->Button(5, true);
    host->Button(5, false);
    host->Key(XK_Shift_L, false);
    RecordingControl* knob = panel->knob;
    ASSERT_TRUE(IdleUntil([&] { return knob->Count("wheel") == 2; }));
    EXPECT_EQ(knob->mEvents[0].extra, 1);
    EXPECT_FALSE(knob->mEvents[0].keys.shift);
    EXPECT_EQ(knob->mEvents[1].extra, -1);
    EXPECT_TRUE(knob->mEvents[1].keys.shift);
    EXPECT_EQ(knob->Count("down"), 0);
}

TEST_F(X11Editor, SecondQuickClickIsADoubleClickAndKeysUseTheCanvasCodes)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 30, 30, &rx, &ry);
    host->Click(rx, ry);
    host->Click(rx + 2, ry);
    // The keyboard focus comes with the click, once the editor has seen it.
    ASSERT_TRUE(IdleUntil([&] { return panel->knob->Count("up") == 2; }));
    host->Type(XK_Up);
    host->Type(XK_7);
    host->Type(XK_F2); // not a canvas key
    RecordingControl* knob = panel->knob;
    ASSERT_TRUE(IdleUntil([&] { return knob->Count("key") == 2; }));
    host->Type(XK_F2);
    EXPECT_EQ(knob->Count("double"), 1);
    EXPECT_EQ(knob->Count("down"), 1);
    std::vector<int> keys;
    for (const RecordedEvent& e : knob->mEvents)
        if (e.what == "key") keys.push_back(e.extra);
    EXPECT_EQ(keys, (std::vector<int>{1, 12}));
}

TEST_F(X11Editor, TypedValueReachesTheHostOnlyAfterTheNextTick)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    for (std::uint32_t k : {std::uint32_t(XK_0), std::uint32_t(XK_period), std::uint32_t(XK_2),
                            std::uint32_t(XK_5), std::uint32_t(XK_q)})
        host->Type(k);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().Text() == "0.25"; }));
    const std::size_t automationsBefore = Calls("automate", kAttack).size();
    host->Type(XK_Return);
    ASSERT_TRUE(IdleUntil([&] {
        return panel->window->TextEntry().GetState() == ITextEntry::kStateCommit ||
               !panel->window->TextEntry().IsOpen();
    }));
    ASSERT_TRUE(IdleUntil([&] { return !panel->window->TextEntry().IsOpen(); }));
    const auto automations = Calls("automate", kAttack);
    ASSERT_EQ(automations.size(), automationsBefore + 1);
    EXPECT_NEAR(automations.back().mValue, std::sqrt((0.25 - 0.02) / 0.78), 1e-6);
}

TEST_F(X11Editor, EditBoxShowsOverThePanelUntilClosed)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    // White box (selection drawn over part of it) where the white control
    // was, one pixel larger: its right edge column is white too.
    ASSERT_TRUE(IdleUntil([&] { return host->Pixel(w, 160, 30) == 0xffffffu; }));
    panel->window->CancelTextEntry();
    ASSERT_TRUE(IdleUntil([&] { return !panel->window->TextEntry().IsOpen(); }));
    ASSERT_TRUE(IdleUntil([&] { return host->Pixel(w, 160, 30) == kBackgroundColour; }));
}

TEST_F(X11Editor, WheelCancelsTheEditBoxAndMovesNothing)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    host->Type(XK_3);
    host->Button(4, true);
    host->Button(4, false);
    ASSERT_TRUE(IdleUntil([&] { return !panel->window->TextEntry().IsOpen(); }));
    EXPECT_TRUE(Calls("automate", kAttack).empty());
    EXPECT_EQ(panel->text->Count("wheel"), 0);
}

TEST_F(X11Editor, HostKeysFeedTheOpenEditBoxAndAreConsumed)
{
    const std::uint32_t w = Open();
    ShowPanel();
    EXPECT_FALSE(panel->window->OnHostKey(true, 'a', 0, 0)); // no box: the host keeps it
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    EXPECT_TRUE(panel->window->OnHostKey(true, '0', 0, 0));
    EXPECT_TRUE(panel->window->OnHostKey(false, '0', 0, 0));
    EXPECT_TRUE(panel->window->OnHostKey(true, '.', 0, 0));
    EXPECT_TRUE(panel->window->OnHostKey(true, '4', 0, 0));
    EXPECT_TRUE(panel->window->OnHostKey(true, 'x', 0, 0));
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().Text() == "0.4"; }));
    EXPECT_TRUE(panel->window->OnHostKey(true, 0, 4, 0)); // Return
    ASSERT_TRUE(IdleUntil([&] { return !panel->window->TextEntry().IsOpen(); }));
    const auto automations = Calls("automate", kAttack);
    ASSERT_FALSE(automations.empty());
    EXPECT_NEAR(automations.back().mValue, std::sqrt((0.4 - 0.02) / 0.78), 1e-6);
}

TEST_F(X11Editor, HostKeysFromAnotherThreadReachTheEditBoxThroughIdle)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    // Ardour forwards keys on its GUI thread while its editor thread idles.
    std::atomic<int> consumed{0};
    std::thread hostGui([&] {
        for (char c : std::string("0.125"))
        {
            consumed += panel->window->OnHostKey(true, c, 0, 0);
            consumed += panel->window->OnHostKey(false, c, 0, 0);
        }
    });
    for (int i = 0; i < 50; ++i) panel->Idle();
    hostGui.join();
    EXPECT_EQ(consumed.load(), 10);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().Text() == "0.125"; }));
}

TEST_F(X11Editor, ClickOnThePanelDropsTheEditBoxAndStillReachesTheControl)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 120, 20, &rx, &ry);
    host->Click(rx, ry, 3);
    ASSERT_TRUE(IdleUntil([&] { return panel->window->TextEntry().IsOpen(); }));
    host->Type(XK_9);
    Root(w, 30, 30, &rx, &ry);
    host->Click(rx, ry);
    ASSERT_TRUE(IdleUntil([&] { return panel->knob->Count("up") == 1; }));
    EXPECT_FALSE(panel->window->TextEntry().IsOpen());
    EXPECT_TRUE(Calls("automate", kAttack).empty());
}

namespace
{
// Waits for the menu window, then plays actions on it from a second thread
// while the editor's thread sits in the menu.
// The menu holds the pointer once our own grab attempt fails.
bool PointerGrabbedByMenu(xtest::HostConnection& h)
{
    xcb_grab_pointer_reply_t* r = xcb_grab_pointer_reply(
        h.Get(),
        xcb_grab_pointer(h.Get(), 0, h.Root(), 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                         XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr);
    const bool theirs = r && r->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    if (r && r->status == XCB_GRAB_STATUS_SUCCESS) xcb_ungrab_pointer(h.Get(), XCB_CURRENT_TIME);
    std::free(r);
    h.Sync();
    return theirs;
}

// Height of a menu item: the item font's line height plus the padding.
int MenuItemHeight(IEditorWindow* window)
{
    ITextStyle style = IX11PopupMenu::ItemStyle();
    ICachedFont* font = window->CacheFont(&style);
    return (font ? font->LineHeight() : style.size) + IMenuLayout::kItemPadding;
}

struct MenuPlayer
{
    std::thread thread;
    ~MenuPlayer()
    {
        if (thread.joinable()) thread.join();
    }
};

void PlayOnMenu(MenuPlayer& player, std::function<void(xtest::HostConnection&, xcb_window_t)> actions)
{
    player.thread = std::thread([actions] {
        xtest::HostConnection h;
        std::vector<xcb_window_t> popups;
        for (int i = 0; i < 1000; ++i)
        {
            popups = h.PopupWindows();
            if (!popups.empty() && PointerGrabbedByMenu(h)) break;
            popups.clear();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!popups.empty()) actions(h, popups.back());
        // Whatever happened, the menu must not outlive the test.
        h.Type(XK_Escape);
    });
}
} // namespace

TEST_F(X11Editor, PopupMenuClickChoosesAnItem)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 110, 70, &rx, &ry);
    const int item = MenuItemHeight(panel->window);
    MenuPlayer player;
    PlayOnMenu(player, [item](xtest::HostConnection& h, xcb_window_t menu) {
        int mx, my;
        // "second": the item below the first, under the border.
        h.ToRoot(menu, 30, 1 + item + item / 2, &mx, &my);
        h.Click(mx, my);
    });
    host->Click(rx, ry);
    ASSERT_TRUE(IdleUntil([&] { return panel->menu->mMenus == 1; }));
    player.thread.join();
    EXPECT_EQ(panel->menu->mChosen, 1);
    EXPECT_TRUE(host->PopupWindows().empty());
}

TEST_F(X11Editor, PopupMenuEscapeOrClickOutsideReturnsNothing)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 110, 70, &rx, &ry);
    MenuPlayer escape;
    PlayOnMenu(escape, [](xtest::HostConnection& h, xcb_window_t) { h.Type(XK_Escape); });
    host->Click(rx, ry);
    ASSERT_TRUE(IdleUntil([&] { return panel->menu->mMenus == 1; }));
    escape.thread.join();
    EXPECT_EQ(panel->menu->mChosen, -1);

    MenuPlayer outside;
    PlayOnMenu(outside, [](xtest::HostConnection& h, xcb_window_t) {
        h.Click(900, 700);
    });
    host->Click(rx, ry);
    ASSERT_TRUE(IdleUntil([&] { return panel->menu->mMenus == 2; }));
    outside.thread.join();
    EXPECT_EQ(panel->menu->mChosen, -1);
    EXPECT_TRUE(host->PopupWindows().empty());
}

TEST_F(X11Editor, PopupMenuIgnoresGrayedItemsAndSeparators)
{
    const std::uint32_t w = Open();
    ShowPanel();
    int rx, ry;
    Root(w, 110, 70, &rx, &ry);
    const int item = MenuItemHeight(panel->window);
    MenuPlayer player;
    PlayOnMenu(player, [item](xtest::HostConnection& h, xcb_window_t menu) {
        int mx, my;
        h.ToRoot(menu, 30, 1 + 2 * item + 3, &mx, &my); // the separator
        h.Click(mx, my);
        h.ToRoot(menu, 30, 1 + 2 * item + IMenuLayout::kSeparatorHeight + item / 2, &mx, &my); // "grayed"
        h.Click(mx, my);
        h.Type(XK_Down); // keys: first choosable item is "first"
        h.Type(XK_Up);   // wraps to "last"
        h.Type(XK_Return);
    });
    host->Click(rx, ry);
    ASSERT_TRUE(IdleUntil([&] { return panel->menu->mMenus == 1; }));
    player.thread.join();
    EXPECT_EQ(panel->menu->mChosen, 4);
}

TEST_F(X11Editor, EditorRunsFromAThreadOtherThanItsCreator)
{
    std::atomic<bool> ok{false};
    std::thread editorThread([&] {
        const std::uint32_t w = Open();
        if (w == 0) return;
        const bool shown = IdleUntil([&] { return panel->window->TickCount() > 0; });
        panel->window->CloseWindow();
        ok = shown;
    });
    editorThread.join();
    EXPECT_TRUE(ok.load());
    EXPECT_TRUE(host->Children(parent).empty());
}

TEST_F(X11Editor, OpenCloseCyclesWhileOtherThreadsStoreValues)
{
    std::atomic<bool> stop{false};
    IEditorWindow* window = panel->window;
    // Audio-thread side: meters and dirty flags; parameter-thread side:
    // values from the host. Neither takes a canvas lock nor waits for it.
    std::thread audio([&] {
        double v = 0;
        while (!stop)
        {
            window->SetControlFromPlugin(1, v);
            window->SetAllControlsDirty();
            v = v > 1 ? 0 : v + 0.01;
        }
    });
    std::thread automation([&] {
        while (!stop) window->SetParameterFromPlugin(kThreshold, 0.3, true);
    });
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_NE(Open(), 0u);
        panel->Idle();
        panel->Idle();
        if (i % 2) panel->window->CloseWindow();
    }
    stop = true;
    audio.join();
    automation.join();
    panel->window->CloseWindow();
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
}
