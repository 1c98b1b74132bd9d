// BraskoKorvala's editor through the real DLL, driven as a Windows host
// drives it: a top-level window of ours (the one korvala-host.exe edit
// uses), effEditOpen with its HWND, the host's message loop with effEditIdle,
// effEditClose. The shared input scenarios (tests/gui/editor) run through a
// driver that sends the window messages a user's input would produce to the
// plug-in's child window; the host's view (parameters read through the
// effect record, automate / begin edit / end edit in our callback) is checked.
// Runs under Wine with an X display (tools/ci/41-windows-editor.sh).

#include "EditorHostWindow.h"
#include "PluginInstance.h"
#include "editor/EditorScenarios.h"
#include "raster/IPngImage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace
{
using scenarios::kPanelHeight;
using scenarios::kPanelWidth;

// The edit box the plug-in opens for typing a value has this child id.
constexpr int kEditBoxId = 99;

// Input as the window messages Windows would send or post for it, sent to
// the plug-in's window (or to its edit box while one is open, which then has
// the keyboard focus), with what TranslateMessage would add (WM_CHAR).
class MessageDriver : public scenarios::InputDriver
{
  public:
    MessageDriver(HWND editor, PluginInstance& plugin, EditorHostWindow& host)
        : mEditor(editor), mPlugin(plugin), mHost(host)
    {
    }
    void MoveTo(int x, int y) override
    {
        mX = x;
        mY = y;
        SendMessageW(mEditor, WM_MOUSEMOVE, mLeftDown ? MK_LBUTTON : 0, MAKELPARAM(x, y));
    }
    void Button(bool press) override
    {
        mLeftDown = press;
        SendMessageW(mEditor, press ? WM_LBUTTONDOWN : WM_LBUTTONUP, press ? MK_LBUTTON : 0,
                     MAKELPARAM(mX, mY));
    }
    // What a window of a CS_DBLCLKS class receives for two quick clicks.
    void DoubleClick(int x, int y) override
    {
        MoveTo(x, y);
        Button(true);
        Button(false);
        mLeftDown = true;
        SendMessageW(mEditor, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(mX, mY));
        Button(false);
    }
    // WM_MOUSEWHEEL carries the pointer in screen coordinates.
    void Wheel(int x, int y, int notches, bool shift) override
    {
        MoveTo(x, y);
        POINT p = {x, y};
        ClientToScreen(mEditor, &p);
        const WPARAM w = MAKEWPARAM(shift ? MK_SHIFT : 0, static_cast<WORD>(static_cast<short>(notches * WHEEL_DELTA)));
        SendMessageW(mEditor, WM_MOUSEWHEEL, w, MAKELPARAM(p.x, p.y));
    }
    void Type(int key) override
    {
        HWND box = GetDlgItem(mEditor, kEditBoxId);
        HWND target = box ? box : mEditor;
        int vk = 0;
        wchar_t ch = 0;
        switch (key)
        {
        case scenarios::kKeyReturn:
            vk = VK_RETURN;
            ch = L'\r';
            break;
        case scenarios::kKeyUp: vk = VK_UP; break;
        case scenarios::kKeyDown: vk = VK_DOWN; break;
        default:
            // Letters and digits: the virtual key is the upper-case character.
            vk = (key >= 'a' && key <= 'z') ? key - 'a' + 'A' : key;
            if (key == '.') vk = VK_OEM_PERIOD;
            ch = static_cast<wchar_t>(key);
            break;
        }
        const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC)) << 16;
        SendMessageW(target, WM_KEYDOWN, static_cast<WPARAM>(vk), 1 | scan);
        // The box may have closed on the key (it is looked up again).
        if (ch && IsWindow(target)) SendMessageW(target, WM_CHAR, ch, 1 | scan);
        if (IsWindow(target))
            SendMessageW(target, WM_KEYUP, static_cast<WPARAM>(vk), 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    }
    // A third of a second of the host's loop: the editor's own timer ticks
    // about ten times, the host idles the plug-in in between.
    void Settle() override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(330);
        while (std::chrono::steady_clock::now() < end) Cycle();
    }
    bool RunUntil(const std::function<bool()>& done) override
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < end) Cycle();
        return done();
    }

  private:
    void Cycle()
    {
        mHost.Pump();
        mPlugin.Dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    HWND mEditor;
    PluginInstance& mPlugin;
    EditorHostWindow& mHost;
    int mX = 0, mY = 0;
    bool mLeftDown = false;
};

bool HaveDisplay()
{
    const char* display = std::getenv("DISPLAY");
    return display && *display;
}

class PluginEditorWin32 : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HaveDisplay()) GTEST_SKIP() << "no X display for Wine (run under xvfb-run)";
        plugin.reset(new PluginInstance());
        ASSERT_TRUE(plugin->Open(KORVALA_PLUGIN_PATH)) << plugin->Error();
        plugin->Start(48000.0, 256);
        ASSERT_TRUE(plugin->Effect()->flags & effFlagsHasEditor);
        defaults = scenarios::ReadParameters(*plugin);
        std::string error;
        ASSERT_TRUE(host.Create(kPanelWidth, kPanelHeight, "BraskoKorvala test", error)) << error;
    }
    void TearDown() override
    {
        if (plugin && plugin->IsOpen())
        {
            plugin->Dispatch(effEditClose);
            host.Destroy();
            plugin->Close();
        }
    }
    // Opens the editor in our window and lets it paint; answers its window.
    HWND OpenEditor()
    {
        if (plugin->Dispatch(effEditOpen, 0, 0, host.Handle()) != 1) return nullptr;
        HWND editor = GetWindow(static_cast<HWND>(host.Handle()), GW_CHILD);
        MessageDriver(editor, *plugin, host).Settle();
        return editor;
    }

    std::unique_ptr<PluginInstance> plugin;
    EditorHostWindow host;
    std::vector<float> defaults;
};

class PluginEditorWin32Scenario : public PluginEditorWin32, public ::testing::WithParamInterface<size_t>
{
};
} // namespace

TEST_F(PluginEditorWin32, OpensAsAChildOfTheHostWindowClosesAndOpensAgain)
{
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, kPanelWidth);
    EXPECT_EQ(rect->bottom - rect->top, kPanelHeight);
    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), static_cast<HWND>(host.Handle()));
    char name[64] = {};
    GetClassNameA(editor, name, sizeof(name));
    EXPECT_STREQ(name, "IEffectWndClass");
    RECT client = {};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, kPanelWidth);
    EXPECT_EQ(client.bottom, kPanelHeight);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(GetWindow(static_cast<HWND>(host.Handle()), GW_CHILD), nullptr);
    HWND again = OpenEditor();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindowVisible(again));
}

// The panel's background on the screen, read back from the plug-in's
// window: points that no control covers show the committed image.
TEST_F(PluginEditorWin32, BackgroundOnTheScreenIsTheCommittedImage)
{
    ASSERT_NE(OpenEditor(), nullptr);
    const std::vector<std::uint32_t> pixels = host.Capture(kPanelWidth, kPanelHeight);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kPanelWidth * kPanelHeight));
    std::ifstream file(KORVALA_SOURCE_DIR "/resources/img/bg2.png", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    IPngImage background;
    ASSERT_TRUE(background.Decode(bytes.data(), bytes.size()));
    const int points[][2] = {{2, 2}, {549, 2}, {2, 197}, {549, 197}, {130, 60}, {300, 160}, {480, 150}};
    for (const auto& p : points)
        EXPECT_EQ(pixels[static_cast<size_t>(p[1] * kPanelWidth + p[0])],
                  background.Pixel(p[0], p[1]) & 0xffffffu)
            << p[0] << "," << p[1];
}

// The user closing our window ends the host's loop but leaves the window
// (the editor's parent) alive, so the plug-in closes its editor first.
TEST_F(PluginEditorWin32, ClosingTheHostWindowEndsItsLoopBeforeTheEditorCloses)
{
    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    int idles = 0;
    host.Run(30.0, 0.0, [&] {
        plugin->Dispatch(effEditIdle);
        if (++idles == 3) PostMessageW(static_cast<HWND>(host.Handle()), WM_CLOSE, 0, 0);
    });
    EXPECT_GE(idles, 3);
    EXPECT_FALSE(host.Pump());
    EXPECT_TRUE(IsWindow(editor));
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
    EXPECT_FALSE(IsWindow(editor));
}

TEST_P(PluginEditorWin32Scenario, HostSeesTheResult)
{
    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    MessageDriver driver(editor, *plugin, host);
    scenarios::Run(scenarios::All()[GetParam()], *plugin, driver, defaults);
}

INSTANTIATE_TEST_SUITE_P(Shared, PluginEditorWin32Scenario,
                         ::testing::Range<size_t>(0, scenarios::All().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return scenarios::All()[info.param].name;
                         });
