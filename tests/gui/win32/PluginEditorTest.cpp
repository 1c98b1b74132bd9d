// The real BraskoKorvala.dll's editor, opened by our host library as a
// Windows host opens it (effEditOpen with the host's HWND) and driven with
// Win32 messages: what the host sees is the truth here.
#include "Win32TestPanel.h"

#include "PluginInstance.h"
#include "raster/IPngImage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifndef KORVALA_PLUGIN_PATH
#error "KORVALA_PLUGIN_PATH must name the built BraskoKorvala module"
#endif

using namespace win32test;

namespace
{

constexpr int kEditorW = 552;
constexpr int kEditorH = 200;

HWND FirstChild(HWND parent, const char* className)
{
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    {
        char name[64] = {};
        GetClassNameA(child, name, sizeof(name));
        if (_stricmp(name, className) == 0) return child;
    }
    return nullptr;
}

class Win32PluginEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        host = CreateHostWindow(kEditorW + 40, kEditorH + 60);
        ASSERT_NE(host, nullptr);
        plugin = Load();
        ASSERT_TRUE(plugin && plugin->IsOpen());
        module = GetModuleHandleA("BraskoKorvala.dll");
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (plugin) plugin->Close();
        plugin.reset();
        DestroyWindow(host);
        Pump(0);
    }
    static std::unique_ptr<PluginInstance> Load()
    {
        auto p = std::make_unique<PluginInstance>(HostIdentity());
        if (!p->Open(KORVALA_PLUGIN_PATH)) return nullptr;
        p->Start(48000.0, 512);
        return p;
    }
    HWND OpenEditor(PluginInstance& p, HWND parent)
    {
        if (p.Dispatch(effEditOpen, 0, 0, parent) != 1) return nullptr;
        HWND editor = FirstChild(parent, "IEffectWndClass");
        // The first ticks paint the whole panel.
        Pump(150);
        return editor;
    }
    bool ClassRegistered() const
    {
        WNDCLASSA info;
        return GetClassInfoA(module, "IEffectWndClass", &info) != FALSE;
    }
    int Count(VstInt32 opcode, VstInt32 index) const
    {
        int n = 0;
        for (const HostRequest& r : plugin->Requests())
            n += r.opcode == opcode && r.index == index;
        return n;
    }
    // Opcodes of the gesture requests for index, in order.
    std::vector<VstInt32> Gesture(VstInt32 index) const
    {
        std::vector<VstInt32> out;
        for (const HostRequest& r : plugin->Requests())
            if (r.index == index &&
                (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit))
                out.push_back(r.opcode);
        return out;
    }

    HWND host = nullptr;
    HMODULE module = nullptr;
    std::unique_ptr<PluginInstance> plugin;
};

TEST_F(Win32PluginEditor, OpensClosesAndOpensAgainInTheHostWindow)
{
    HWND editor = OpenEditor(*plugin, host);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(ClassRegistered());
    RECT client;
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, kEditorW);
    EXPECT_EQ(client.bottom, kEditorH);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_FALSE(ClassRegistered());
    HWND again = OpenEditor(*plugin, host);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindow(again));
    plugin->Dispatch(effEditClose);
}

TEST_F(Win32PluginEditor, TwoInstancesShareTheClassUntilTheLastEditorCloses)
{
    std::unique_ptr<PluginInstance> second = Load();
    ASSERT_TRUE(second);
    HWND otherHost = CreateHostWindow(kEditorW + 40, kEditorH + 60);
    HWND a = OpenEditor(*plugin, host);
    HWND b = OpenEditor(*second, otherHost);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    plugin->Dispatch(effEditClose);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_TRUE(IsWindow(b));
    EXPECT_TRUE(ClassRegistered());
    second->Dispatch(effEditClose);
    EXPECT_FALSE(ClassRegistered());
    second->Close();
    DestroyWindow(otherHost);
}

TEST_F(Win32PluginEditor, BackgroundOnTheScreenIsTheCommittedImage)
{
    HWND editor = OpenEditor(*plugin, host);
    ASSERT_NE(editor, nullptr);
    std::ifstream file(KORVALA_SOURCE_DIR "/resources/img/bg2.png", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    IPngImage background;
    ASSERT_TRUE(background.Decode(bytes.data(), bytes.size()));
    HDC dc = GetDC(editor);
    auto screen = [&](int x, int y)
    {
        const COLORREF c = GetPixel(dc, x, y);
        return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
               (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
    };
    // Points that no control covers: corners, between the knobs, below the
    // switches.
    const int points[][2] = {{2, 2},    {549, 2},   {2, 197},  {549, 197},
                             {130, 60}, {300, 160}, {480, 150}};
    PumpUntil([&] { return screen(2, 2) == (background.Pixel(2, 2) & 0xffffffu); }, 5000);
    for (const auto& p : points)
        EXPECT_EQ(screen(p[0], p[1]), background.Pixel(p[0], p[1]) & 0xffffffu)
            << p[0] << "," << p[1];
    ReleaseDC(editor, dc);
    plugin->Dispatch(effEditClose);
}

TEST_F(Win32PluginEditor, VerticalDragOnTheThresholdKnobRaisesItInOneGesture)
{
    const VstInt32 threshold = plugin->FindParameter("Threshold");
    ASSERT_GE(threshold, 0);
    HWND editor = OpenEditor(*plugin, host);
    ASSERT_NE(editor, nullptr);
    plugin->SetParameter(threshold, 0.2f);
    plugin->ClearRecords();
    PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, Point(94, 106));
    for (int dy = -4; dy >= -40; dy -= 4)
        PostMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, Point(94, 106 + dy));
    PostMessageA(editor, WM_LBUTTONUP, 0, Point(94, 66));
    Pump(100);
    EXPECT_EQ(Gesture(threshold),
              (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterEndEdit}));
    EXPECT_GT(plugin->GetParameter(threshold), 0.2f);
    EXPECT_GT(Count(audioMasterAutomate, threshold), 0);
    plugin->Dispatch(effEditClose);
}

TEST_F(Win32PluginEditor, TypedSidechainFilterValueReachesTheHostAfterReturn)
{
    const VstInt32 filter = plugin->FindParameter("Sidechain Filter");
    ASSERT_GE(filter, 0);
    HWND editor = OpenEditor(*plugin, host);
    ASSERT_NE(editor, nullptr);
    // The sidechain filter knob's value text (20..500 Hz) opens the edit box.
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, Point(378, 141));
    SendMessageA(editor, WM_LBUTTONUP, 0, Point(378, 141));
    HWND edit = FirstChild(editor, "Edit");
    ASSERT_NE(edit, nullptr);
    plugin->ClearRecords();
    for (char c : std::string("150a"))
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
    char text[16] = {};
    GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ(text, "150");
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Count(audioMasterAutomate, filter), 0);
    ASSERT_TRUE(PumpUntil([&] { return Count(audioMasterAutomate, filter) > 0; }));
    EXPECT_FALSE(IsWindow(edit));
    EXPECT_EQ(plugin->ParameterDisplay(filter).rfind("150", 0), 0u)
        << plugin->ParameterDisplay(filter);
    plugin->Dispatch(effEditClose);
}

TEST_F(Win32PluginEditor, WheelOverAnOpenEditBoxCancelsItAndMovesNothing)
{
    const VstInt32 filter = plugin->FindParameter("Sidechain Filter");
    HWND editor = OpenEditor(*plugin, host);
    ASSERT_NE(editor, nullptr);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, Point(378, 141));
    SendMessageA(editor, WM_LBUTTONUP, 0, Point(378, 141));
    HWND edit = FirstChild(editor, "Edit");
    ASSERT_NE(edit, nullptr);
    const float before = plugin->GetParameter(filter);
    plugin->ClearRecords();
    SendMessageA(edit, WM_CHAR, '3', 1);
    RECT r;
    GetWindowRect(editor, &r);
    SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), Point(r.left + 378, r.top + 141));
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(edit); }));
    Pump(100);
    EXPECT_EQ(plugin->GetParameter(filter), before);
    EXPECT_EQ(Count(audioMasterAutomate, filter), 0);
    plugin->Dispatch(effEditClose);
}

} // namespace
