// BraskoKorvala's editor through the real module, driven as a Linux host
// drives it: effEditOpen with an X window id, effEditIdle, effEditClose, user
// input injected through XTest, the parameters read back as the host sees
// them (automation requests with begin and end edit around each gesture).
// The input scenarios shared with the Win32 layer (tests/gui/editor) run
// here through an XTest driver.

#include "PluginInstance.h"
#include "PresetFile.h"
#include "PresetTransfer.h"
#include "XServer.h"
#include "editor/EditorScenarios.h"

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
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace
{
using scenarios::kPanelWidth;
using scenarios::kPanelHeight;
using scenarios::kModelType;
using scenarios::kSidechainFilter;
using scenarios::kThreshold;

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
        // Paced like a host's audio thread, which waits for the sound card
        // between blocks (256 frames are 5.3 ms at 48 kHz; this runs each
        // far sooner): back to back, it would hold the plug-in's lock all
        // but a moment and starve the GUI thread, which no host does.
        while (!stop)
        {
            p.ProcessReplacing(inPtr.data(), outPtr.data(), 256);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    // A third thread automating, as a host playing back automation.
    std::thread automation([&] {
        float v = 0.0f;
        while (!stop)
        {
            p.SetParameter(kThreshold, v);
            p.SetParameter(kModelType, v > 0.5f ? 1.0f : 0.0f);
            v = v >= 1.0f ? 0.0f : v + 0.01f;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
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

namespace
{
// The shared scenarios' input as XTest events on the host's connection, in
// root coordinates of the editor's points; the host's idle calls run the
// editor in between.
class XTestDriver : public scenarios::InputDriver
{
  public:
    XTestDriver(xtest::HostConnection& host, xcb_window_t editor, PluginInstance& plugin)
        : mHost(host), mEditor(editor), mPlugin(plugin)
    {
    }
    void MoveTo(int x, int y) override
    {
        int rx, ry;
        mHost.ToRoot(mEditor, x, y, &rx, &ry);
        mHost.MoveTo(rx, ry);
    }
    void Button(bool press) override { mHost.Button(1, press); }
    void DoubleClick(int x, int y) override
    {
        MoveTo(x, y);
        for (int i = 0; i < 2; ++i)
        {
            mHost.Button(1, true);
            mHost.Button(1, false);
        }
    }
    // X11 wheels are buttons 4 (up) and 5 (down), one press per notch.
    void Wheel(int x, int y, int notches, bool shift) override
    {
        MoveTo(x, y);
        if (shift) mHost.Key(XK_Shift_L, true);
        for (int i = 0; i < std::abs(notches); ++i)
        {
            mHost.Button(notches > 0 ? 4 : 5, true);
            mHost.Button(notches > 0 ? 4 : 5, false);
        }
        if (shift) mHost.Key(XK_Shift_L, false);
    }
    // Latin-1 characters are their own keysyms.
    void Type(int key) override
    {
        switch (key)
        {
        case scenarios::kKeyReturn: mHost.Type(XK_Return); break;
        case scenarios::kKeyUp: mHost.Type(XK_Up); break;
        case scenarios::kKeyDown: mHost.Type(XK_Down); break;
        default: mHost.Type(static_cast<std::uint32_t>(key)); break;
        }
    }
    void Settle() override
    {
        for (int i = 0; i < 100; ++i)
        {
            mPlugin.Dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool RunUntil(const std::function<bool()>& done) override
    {
        return xtest::IdleUntil([this] { mPlugin.Dispatch(effEditIdle); }, done);
    }

  private:
    xtest::HostConnection& mHost;
    xcb_window_t mEditor;
    PluginInstance& mPlugin;
};

class PluginEditorScenario : public PluginEditor, public ::testing::WithParamInterface<size_t>
{
};
} // namespace

TEST_P(PluginEditorScenario, HostSeesTheResult)
{
    const std::vector<float> defaults = scenarios::ReadParameters(*plugin);
    editor = OpenEditor(*plugin, parent);
    ASSERT_NE(editor, 0u);
    XTestDriver driver(*host, editor, *plugin);
    scenarios::Run(scenarios::All()[GetParam()], *plugin, driver, defaults);
    plugin->Dispatch(effEditClose);
}

INSTANTIATE_TEST_SUITE_P(Shared, PluginEditorScenario,
                         ::testing::Range<size_t>(0, scenarios::All().size()),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             return scenarios::All()[info.param].name;
                         });

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
