// BraskoKorvala's editor through the real module, driven as a Linux host
// drives it: effEditOpen with an X window id, effEditIdle, effEditClose, user
// input injected through XTest, the parameters read back as the host sees
// them (automation requests with begin and end edit around each gesture).

#include "PluginInstance.h"
#include "PresetFile.h"
#include "PresetTransfer.h"
#include "XServer.h"

#include "gui/IGraphicsTypes.h"
#include "raster/IPngImage.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace
{
constexpr int kPanelWidth = 552;
constexpr int kPanelHeight = 200;
enum Param
{
    kInputGain = 0,
    kModelType = 1,
    kThreshold = 2,
    kSidechainFilter = 9,
    kOversampling = 7,
    kAnalogEmulation = 8,
    kExternalSidechain = 10,
};

// The module's process-wide font library and caches live until the process
// ends (they are not released at unload), so a module that is unloaded after
// drawing text would show them to LeakSanitizer as lost blocks of an unknown
// module. Hosts mostly keep modules loaded; so does this test executable:
// the first load is pinned and later loads share it.
const bool gModulePinned = dlopen(KORVALA_PLUGIN_PATH, RTLD_NOW | RTLD_NODELETE) != nullptr;

void* WindowArg(xcb_window_t w)
{
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w));
}

class PluginEditor : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(gModulePinned) << dlerror();
        ASSERT_TRUE(xtest::EnsureServer());
        host.reset(new xtest::HostConnection());
        ASSERT_TRUE(host->Ok());
        plugin = Load();
        ASSERT_TRUE(plugin);
        if (!(plugin->Effect()->flags & effFlagsHasEditor))
            GTEST_SKIP() << "this build of the module has no editor";
        parent = host->CreateParent(kPanelWidth, kPanelHeight, 10, 10);
    }

    static std::unique_ptr<PluginInstance> Load()
    {
        std::unique_ptr<PluginInstance> p(new PluginInstance());
        if (!p->Open(KORVALA_PLUGIN_PATH)) return nullptr;
        p->Start(48000.0, 256);
        return p;
    }

    // Opens the editor in parent and idles until it has painted once;
    // answers the editor's window.
    xcb_window_t OpenEditor(PluginInstance& p, xcb_window_t into)
    {
        if (p.Dispatch(effEditOpen, 0, 0, WindowArg(into)) != 1) return 0;
        const std::vector<xcb_window_t> children = host->Children(into);
        if (children.size() != 1) return 0;
        const xcb_window_t editor = children[0];
        // The background's top-left pixel is not black once painted.
        for (int i = 0; i < 40; ++i) Idle(p);
        return editor;
    }
    void Idle(PluginInstance& p)
    {
        p.Dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    bool IdleUntil(const std::function<bool()>& done)
    {
        return xtest::IdleUntil([this] { plugin->Dispatch(effEditIdle); }, done);
    }
    void Root(int x, int y, int* rx, int* ry) { host->ToRoot(editor, x, y, rx, ry); }
    void Drag(int x, int y, int dx, int dy)
    {
        int rx, ry;
        Root(x, y, &rx, &ry);
        host->MoveTo(rx, ry);
        host->Button(1, true);
        for (int i = 1; i <= 4; ++i) host->MoveTo(rx + dx * i / 4, ry + dy * i / 4);
        host->Button(1, false);
        Settle();
    }
    void Click(int x, int y, int button = 1)
    {
        int rx, ry;
        Root(x, y, &rx, &ry);
        host->Click(rx, ry, button);
        Settle();
    }
    // Lets the editor take in everything injected so far, and keeps later
    // clicks from pairing with this one as a double click.
    void Settle()
    {
        for (int i = 0; i < 100; ++i) Idle(*plugin);
    }
    int Count(VstInt32 opcode, int index)
    {
        int n = 0;
        for (const HostRequest& r : plugin->Requests()) n += r.opcode == opcode && r.index == index;
        return n;
    }
    float LastAutomation(int index)
    {
        float v = -1;
        for (const HostRequest& r : plugin->Requests())
            if (r.opcode == audioMasterAutomate && r.index == index) v = r.opt;
        return v;
    }
    // A gesture: one begin, one end after it, automation of the final value.
    void ExpectOneGesture(int index)
    {
        std::vector<VstInt32> seq;
        for (const HostRequest& r : plugin->Requests())
            if (r.index == index) seq.push_back(r.opcode);
        std::string text;
        for (VstInt32 op : seq) text += std::to_string(op) + " ";
        EXPECT_EQ(std::count(seq.begin(), seq.end(), audioMasterBeginEdit), 1) << text;
        EXPECT_EQ(std::count(seq.begin(), seq.end(), audioMasterEndEdit), 1) << text;
        const auto begin = std::find(seq.begin(), seq.end(), audioMasterBeginEdit);
        const auto end = std::find(seq.begin(), seq.end(), audioMasterEndEdit);
        EXPECT_LT(begin - seq.begin(), end - seq.begin()) << text;
        EXPECT_GE(std::count(seq.begin(), seq.end(), audioMasterAutomate), 1) << text;
        EXPECT_FLOAT_EQ(LastAutomation(index), plugin->GetParameter(index));
    }

    std::unique_ptr<xtest::HostConnection> host;
    std::unique_ptr<PluginInstance> plugin;
    xcb_window_t parent = 0;
    xcb_window_t editor = 0;
};
} // namespace

TEST_F(PluginEditor, OpensClosesAndOpensAgainInTheHostWindow)
{
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, kPanelWidth);
    EXPECT_EQ(rect->bottom - rect->top, kPanelHeight);
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    int x, y, w, h;
    ASSERT_TRUE(host->Geometry(editor, &x, &y, &w, &h));
    EXPECT_EQ(w, kPanelWidth);
    EXPECT_EQ(h, kPanelHeight);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
    EXPECT_NE(OpenEditor(*plugin, parent), 0u);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
}

TEST_F(PluginEditor, BackgroundOnTheScreenIsTheCommittedImage)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    std::ifstream file(KORVALA_SOURCE_DIR "/resources/img/bg2.png", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    IPngImage background;
    ASSERT_TRUE(background.Decode(bytes.data(), bytes.size()));
    // Points that no control covers: corners, between the knobs, below the switches.
    const int points[][2] = {{2, 2}, {549, 2}, {2, 197}, {549, 197}, {130, 60}, {300, 160}, {480, 150}};
    // (Our connection and the editor's are not ordered: wait for its copy.)
    IdleUntil([&] { return host->Pixel(editor, 2, 2) == (background.Pixel(2, 2) & 0xffffffu); });
    for (const auto& p : points)
    {
        const std::uint32_t screen = host->Pixel(editor, p[0], p[1]);
        EXPECT_EQ(screen, background.Pixel(p[0], p[1]) & 0xffffffu) << p[0] << "," << p[1];
    }
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, TwoInstancesHaveEditorsOpenAtOnce)
{
    std::unique_ptr<PluginInstance> second = Load();
    ASSERT_TRUE(second);
    const xcb_window_t otherParent = host->CreateParent(kPanelWidth, kPanelHeight, 10, 300);
    editor = OpenEditor(*plugin, parent);
    const xcb_window_t otherEditor = OpenEditor(*second, otherParent);
    ASSERT_NE(editor, 0u);
    ASSERT_NE(otherEditor, 0u);
    plugin->Dispatch(effEditClose);
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
    EXPECT_EQ(host->Children(otherParent).size(), 1u);
    Idle(*second);
    second->Dispatch(effEditClose);
    second->Close();
}

TEST_F(PluginEditor, HostDestroyingItsWindowBeforeEditCloseIsHarmless)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    host->Destroy(parent);
    for (int i = 0; i < 20; ++i) Idle(*plugin);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 1);
    EXPECT_FALSE(host->Exists(editor));
    parent = host->CreateParent(kPanelWidth, kPanelHeight);
    EXPECT_NE(OpenEditor(*plugin, parent), 0u);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, EditorRunsOnAThreadOtherThanTheOneThatCreatedThePlugin)
{
    std::atomic<bool> opened{false};
    std::thread gui([&] {
        editor = OpenEditor(*plugin, parent);
        opened = editor != 0;
        plugin->Dispatch(effEditClose);
    });
    gui.join();
    EXPECT_TRUE(opened.load());
    EXPECT_TRUE(host->Children(parent).empty());
}

TEST_F(PluginEditor, OpenCloseCyclesWhileAudioRunsAndTheHostAutomates)
{
    std::atomic<bool> stop{false};
    PluginInstance& p = *plugin;
    // The host's audio thread: blocks of a tone, so the meters have readings.
    std::thread audio([&] {
        std::vector<std::vector<float>> in(4, std::vector<float>(256)), out(2, std::vector<float>(256));
        for (int i = 0; i < 256; ++i) in[0][i] = in[1][i] = 0.5f * static_cast<float>(std::sin(0.05 * i));
        std::vector<float*> inPtr, outPtr;
        for (auto& c : in) inPtr.push_back(c.data());
        for (auto& c : out) outPtr.push_back(c.data());
        while (!stop) p.ProcessReplacing(inPtr.data(), outPtr.data(), 256);
    });
    // A third thread automating, as a host playing back automation.
    std::thread automation([&] {
        float v = 0.0f;
        while (!stop)
        {
            p.SetParameter(kThreshold, v);
            p.SetParameter(kModelType, v > 0.5f ? 1.0f : 0.0f);
            v = v >= 1.0f ? 0.0f : v + 0.01f;
        }
    });
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_EQ(p.Dispatch(effEditOpen, 0, 0, WindowArg(parent)), 1);
        p.Dispatch(effEditIdle);
        p.Dispatch(effEditIdle);
        ASSERT_EQ(p.Dispatch(effEditClose), 1);
    }
    stop = true;
    audio.join();
    automation.join();
    host->Sync();
    EXPECT_TRUE(host->Children(parent).empty());
}

TEST_F(PluginEditor, VerticalDragOnThresholdKnobRaisesItInOneGesture)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    plugin->SetParameter(kThreshold, 0.2f);
    plugin->ClearRecords();
    Drag(94, 106, 0, -40);
    ExpectOneGesture(kThreshold);
    EXPECT_GT(plugin->GetParameter(kThreshold), 0.2f);
    EXPECT_FLOAT_EQ(LastAutomation(kThreshold), plugin->GetParameter(kThreshold));
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, ModelSelectorBandsPickTheModelAndBandEdgesDoNot)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    Click(449, 117); // bottom band: OPTO
    EXPECT_FLOAT_EQ(plugin->GetParameter(kModelType), 1.0f);
    Click(449, 103); // middle: FET
    EXPECT_FLOAT_EQ(plugin->GetParameter(kModelType), 0.5f);
    Click(449, 89); // top: VCA
    EXPECT_FLOAT_EQ(plugin->GetParameter(kModelType), 0.0f);
    Click(449, 110); // the edge between middle and bottom
    EXPECT_FLOAT_EQ(plugin->GetParameter(kModelType), 0.0f);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, EachSwitchTogglesOnAClick)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    const int switches[][3] = {{kOversampling, 82, 183}, {kAnalogEmulation, 146, 183},
                               {kExternalSidechain, 224, 183}};
    for (const auto& s : switches)
    {
        const float before = plugin->GetParameter(s[0]);
        Click(s[1], s[2]);
        EXPECT_FLOAT_EQ(plugin->GetParameter(s[0]), before > 0.5f ? 0.0f : 1.0f) << s[0];
        EXPECT_EQ(Count(audioMasterBeginEdit, s[0]), Count(audioMasterEndEdit, s[0]));
    }
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, FaderDragDownLowersTheInputGain)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    plugin->SetParameter(kInputGain, 0.8f);
    Settle();
    plugin->ClearRecords();
    // The handle sits at 80 % of the travel from the bottom.
    const int handleY = 16 + static_cast<int>((1.0 - 0.8) * (126 - 14)) + 7;
    Drag(36, handleY, 0, 30);
    ExpectOneGesture(kInputGain);
    EXPECT_LT(plugin->GetParameter(kInputGain), 0.8f);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, WheelOnAKnobStepsFinerWithShift)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    plugin->SetParameter(kThreshold, 0.5f);
    Settle();
    int rx, ry;
    Root(94, 106, &rx, &ry);
    host->MoveTo(rx, ry);
    host->Button(4, true);
    host->Button(4, false);
    Settle();
    const float coarse = plugin->GetParameter(kThreshold) - 0.5f;
    host->Key(XK_Shift_L, true);
    host->Button(4, true);
    host->Button(4, false);
    host->Key(XK_Shift_L, false);
    Settle();
    const float fine = plugin->GetParameter(kThreshold) - 0.5f - coarse;
    EXPECT_GT(coarse, 0.0f);
    EXPECT_GT(fine, 0.0f);
    EXPECT_LT(fine, coarse);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, TypedSidechainFilterValueReachesTheHostAfterReturn)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    Click(378, 141); // the sidechain filter knob's value text (20..500 Hz)
    plugin->ClearRecords();
    for (std::uint32_t k : {std::uint32_t(XK_1), std::uint32_t(XK_5), std::uint32_t(XK_0),
                            std::uint32_t(XK_a)})
        host->Type(k);
    Settle();
    EXPECT_EQ(Count(audioMasterAutomate, kSidechainFilter), 0);
    host->Type(XK_Return);
    ASSERT_TRUE(IdleUntil([&] { return Count(audioMasterAutomate, kSidechainFilter) > 0; }));
    EXPECT_EQ(plugin->ParameterDisplay(kSidechainFilter).rfind("150", 0), 0u)
        << plugin->ParameterDisplay(kSidechainFilter);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, ValueTypedThroughHostForwardedKeysReachesTheHost)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    Click(378, 141);
    plugin->ClearRecords();
    for (char c : std::string("250x")) EXPECT_EQ(plugin->Dispatch(effEditKeyDown, c, 0), 1);
    EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 0, 4), 1); // the host's Return
    ASSERT_TRUE(IdleUntil([&] { return Count(audioMasterAutomate, kSidechainFilter) > 0; }));
    EXPECT_EQ(plugin->ParameterDisplay(kSidechainFilter).rfind("250", 0), 0u)
        << plugin->ParameterDisplay(kSidechainFilter);
    plugin->Dispatch(effEditClose);
}

TEST_F(PluginEditor, HostForwardedKeysFeedTheEntryAndTheWheelCancelsIt)
{
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 'a', 0), 0); // no entry: the host keeps it
    Click(378, 141);
    EXPECT_EQ(plugin->Dispatch(effEditKeyDown, '7', 0), 1);
    EXPECT_EQ(plugin->Dispatch(effEditKeyUp, '7', 0), 1);
    // The wheel cancels: nothing reaches the host.
    plugin->ClearRecords();
    int rx, ry;
    Root(378, 141, &rx, &ry);
    host->MoveTo(rx, ry);
    host->Button(5, true);
    host->Button(5, false);
    Settle();
    EXPECT_EQ(Count(audioMasterAutomate, kSidechainFilter), 0);
    EXPECT_EQ(plugin->Dispatch(effEditKeyDown, 'a', 0), 0); // the entry is gone
    plugin->Dispatch(effEditClose);
}

#ifdef KORVALA_HOST_PROGRAM
namespace
{
// A binary PPM as 0xRRGGBB pixels; empty on failure.
std::vector<std::uint32_t> ReadPpm(const std::string& path, int* width, int* height)
{
    std::ifstream ppm(path, std::ios::binary);
    std::string magic;
    int max = 0;
    ppm >> magic >> *width >> *height >> max;
    ppm.get();
    std::vector<std::uint32_t> pixels;
    if (magic != "P6" || max != 255) return pixels;
    for (int i = 0; i < *width * *height; ++i)
    {
        unsigned char rgb[3] = {};
        if (!ppm.read(reinterpret_cast<char*>(rgb), 3)) return {};
        pixels.push_back((rgb[0] << 16) | (rgb[1] << 8) | rgb[2]);
    }
    return pixels;
}
} // namespace

// Our host's edit command: opens the editor, plays the demo in real time,
// and saves a state that render --state takes back.
TEST_F(PluginEditor, HostEditCommandShowsThePanelAndSavesTheState)
{
    char dir[] = "/tmp/korvala-edit-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string state = std::string(dir) + "/state.bin";
    const std::string shot = std::string(dir) + "/panel.ppm";
    // Our host unloads the module, whose process-wide fonts then look lost
    // to LeakSanitizer (see gModulePinned): reported, but not a failure here.
    const std::string command = "LSAN_OPTIONS=exitcode=0 " + std::string(KORVALA_HOST_PROGRAM) + " edit " + KORVALA_PLUGIN_PATH +
                                " --set Threshold=-20 --quit-after 1.5 --save-state " + state +
                                " --screenshot " + shot + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream stateFile(state, std::ios::binary);
    const std::vector<char> chunk((std::istreambuf_iterator<char>(stateFile)), std::istreambuf_iterator<char>());
    EXPECT_GT(chunk.size(), 8u);

    // The screenshot's corner is the background image's corner.
    std::ifstream ppm(shot, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    ppm >> magic >> w >> h >> max;
    ppm.get();
    ASSERT_EQ(magic, "P6");
    ASSERT_EQ(w, kPanelWidth);
    ASSERT_EQ(h, kPanelHeight);
    unsigned char rgb[3] = {};
    ppm.read(reinterpret_cast<char*>(rgb), 3);
    std::ifstream file(KORVALA_SOURCE_DIR "/resources/img/bg2.png", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    IPngImage background;
    ASSERT_TRUE(background.Decode(bytes.data(), bytes.size()));
    EXPECT_EQ((rgb[0] << 16) | (rgb[1] << 8) | rgb[2], static_cast<int>(background.Pixel(0, 0) & 0xffffffu));
    std::remove(state.c_str());
    std::remove(shot.c_str());
    rmdir(dir);
}

// edit --preset then --save-preset: a factory preset, changed by --set,
// comes back as a program file a DAW imports.
TEST_F(PluginEditor, HostEditCommandStartsFromAPresetAndSavesAProgramFile)
{
    char dir[] = "/tmp/korvala-edit-preset-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string saved = std::string(dir) + "/mine.fxp";
    const std::string command = "LSAN_OPTIONS=exitcode=0 " + std::string(KORVALA_HOST_PROGRAM) + " edit " +
                                KORVALA_PLUGIN_PATH + " --preset 'Bass Control' --set Ratio=5 --quit-after 0.5" +
                                " --save-preset " + saved + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    PresetFile preset;
    std::string error;
    ASSERT_TRUE(preset.Read(saved, error)) << error;
    EXPECT_EQ(preset.kind, PresetFile::Kind::ProgramChunk);
    EXPECT_EQ(PresetFile::FourCC(preset.UniqueId()), "BkKv");
    EXPECT_EQ(preset.program.name, "Bass Control");

    PluginInstance host;
    ASSERT_TRUE(host.Open(KORVALA_PLUGIN_PATH)) << host.Error();
    ASSERT_TRUE(PresetTransfer::Apply(preset, host, error)) << error;
    EXPECT_EQ(host.ParameterDisplay(kModelType), "FET");
    EXPECT_EQ(host.ParameterDisplay(3), "5"); // "Ratio", set after the preset
    EXPECT_EQ(host.ParameterDisplay(kThreshold), "-36.0");
    host.Close();
    std::remove(saved.c_str());
    rmdir(dir);
}

#ifdef KORVALA_PANEL_PROGRAM
// The window shows what the headless snapshot of the same settings shows,
// except the meters (audio plays in our host, none in the snapshot).
TEST_F(PluginEditor, ScreenshotEqualsTheHeadlessSnapshotExceptTheMeters)
{
    char dir[] = "/tmp/korvala-shot-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string shot = std::string(dir) + "/window.ppm";
    const std::string snapshot = std::string(dir) + "/panel.png";
    const std::string settings = " --set Threshold=-20 --set 'Model Type=FET' --set Oversampling=off";
    ASSERT_EQ(std::system(("LSAN_OPTIONS=exitcode=0 " + std::string(KORVALA_HOST_PROGRAM) + " edit " +
                           KORVALA_PLUGIN_PATH + settings + " --quit-after 1 --screenshot " + shot +
                           " > /dev/null")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("LSAN_OPTIONS=exitcode=0 " + std::string(KORVALA_PANEL_PROGRAM) + " " +
                           snapshot + settings +
                           " --seconds 0 > /dev/null")
                              .c_str()),
              0);
    int w = 0, h = 0;
    const std::vector<std::uint32_t> window = ReadPpm(shot, &w, &h);
    ASSERT_EQ(w, kPanelWidth);
    ASSERT_EQ(h, kPanelHeight);
    std::ifstream file(snapshot, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    IPngImage panel;
    ASSERT_TRUE(panel.Decode(bytes.data(), bytes.size()));
    ASSERT_EQ(panel.Width(), kPanelWidth);
    // The four peak meters and the gain-reduction meter.
    const IBox meters[] = {{14, 16, 19, 142}, {22, 16, 27, 142}, {508, 16, 513, 142},
                           {516, 16, 521, 142}, {226, 19, 421, 31}};
    int differing = 0, compared = 0;
    for (int y = 0; y < kPanelHeight; ++y)
        for (int x = 0; x < kPanelWidth; ++x)
        {
            bool meter = false;
            for (const IBox& m : meters) meter = meter || m.Contains(x, y);
            if (meter) continue;
            ++compared;
            differing += window[static_cast<std::size_t>(y * w + x)] != (panel.Pixel(x, y) & 0xffffffu);
        }
    EXPECT_EQ(differing, 0) << "of " << compared << " pixels";
    std::remove(shot.c_str());
    std::remove(snapshot.c_str());
    rmdir(dir);
}
#endif
#endif
