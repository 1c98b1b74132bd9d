// The screenshot check of korvala-panel --compare: its PPM reader, its
// pixel comparison, and that its masks really cover every pixel the panel's
// text can touch (found by drawing the panel with and without its text).

#include "PanelSnapshot.h"
#include "PluginInstance.h"
#include "ScreenComparison.h"

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "gui/ITextControl.h"
#include "plugin/BraskoKorvala.h"
#include "raster/IMemoryBitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <new>
#include <string>

namespace
{
std::string TempPath(const char* name)
{
    return ::testing::TempDir() + name;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

AEffect* VSTCALLBACK Entry(audioMasterCallback host)
{
    BraskoKorvala* plug = new (std::nothrow) BraskoKorvala(host);
    return plug ? plug->GetAEffect() : nullptr;
}

std::vector<std::uint32_t> Pixels(IBitmap& bitmap)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            out.push_back(bitmap.Bits()[y * bitmap.RowSpan() + x] & 0xffffffu);
    return out;
}
} // namespace

TEST(ScreenComparison, PpmIsReadAsRgbRowsAndShortOrForeignFilesAreRefused)
{
    const std::string path = TempPath("korvala-compare.ppm");
    // 2 x 1: red, then (1, 2, 3); a comment-free header as korvala-host writes it.
    WriteFile(path, std::string("P6\n2 1\n255\n") + std::string("\xff\x00\x00\x01\x02\x03", 6));
    std::vector<std::uint32_t> pixels;
    int w = 0, h = 0;
    std::string error;
    ASSERT_TRUE(ScreenComparison::ReadPpm(path, pixels, w, h, error)) << error;
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(pixels, (std::vector<std::uint32_t>{0xff0000u, 0x010203u}));

    WriteFile(path, std::string("P6\n2 1\n255\n") + std::string("\xff\x00\x00\x01", 4));
    EXPECT_FALSE(ScreenComparison::ReadPpm(path, pixels, w, h, error));
    WriteFile(path, "P3\n1 1\n255\n1 2 3\n");
    EXPECT_FALSE(ScreenComparison::ReadPpm(path, pixels, w, h, error));
    EXPECT_FALSE(ScreenComparison::ReadPpm(TempPath("korvala-missing.ppm"), pixels, w, h, error));
    std::remove(path.c_str());
}

TEST(ScreenComparison, CountsDifferencesOutsideMasksIgnoringAlpha)
{
    IMemoryBitmap bitmap(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bitmap.Bits()[y * bitmap.RowSpan() + x] = 0x80000000u | static_cast<std::uint32_t>(y * 4 + x);
    std::vector<std::uint32_t> screen;
    for (int i = 0; i < 12; ++i) screen.push_back(static_cast<std::uint32_t>(i));
    const std::vector<IBox> masks = {IBox(0, 0, 2, 1)};
    ScreenComparison::Result r = ScreenComparison::Compare(screen, 4, 3, bitmap, masks);
    EXPECT_EQ(r.compared, 10);
    EXPECT_EQ(r.differing, 0);

    screen[1] = 0xffffffu; // masked
    screen[6] = 0xffffffu; // (2, 1)
    screen[11] = 0xffffffu; // (3, 2)
    r = ScreenComparison::Compare(screen, 4, 3, bitmap, masks);
    EXPECT_EQ(r.differing, 2);
    EXPECT_EQ(r.firstDifference, IBox(2, 1, 3, 2));

    r = ScreenComparison::Compare(screen, 3, 4, bitmap, masks);
    EXPECT_EQ(r.differing, r.compared);
    EXPECT_GT(r.differing, 0);
}

// Every pixel the text changes lies inside a mask, and the masks leave most
// of the panel to the comparison.
TEST(ScreenComparison, MasksCoverEveryPixelThePanelTextDraws)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.OpenEntry(&Entry)) << plugin.Error();
    auto* canvas = dynamic_cast<IEditorCanvas*>(static_cast<IEffectVST*>(plugin.Effect()->object)->GetGUI());
    ASSERT_NE(canvas, nullptr);
    // Long texts: the widest values the knobs show.
    plugin.SetParameter(BraskoKorvala::kThreshold, 0.37f);
    plugin.SetParameter(BraskoKorvala::kRelease, 1.0f);
    plugin.SetParameter(BraskoKorvala::kAttack, 0.77f);
    canvas->SetAllControlsDirty();
    PanelSnapshot::Tick(*canvas);
    const std::vector<std::uint32_t> withText = Pixels(*canvas->GetDrawBitmap());

    int texts = 0;
    for (int i = 0; i < canvas->NControls(); ++i)
        if (auto* text = dynamic_cast<ITextControl*>(canvas->GetControl(i)))
        {
            text->Hide(true);
            ++texts;
        }
    ASSERT_GE(texts, 6);
    canvas->SetAllControlsDirty();
    PanelSnapshot::Tick(*canvas);
    const std::vector<std::uint32_t> without = Pixels(*canvas->GetDrawBitmap());

    const std::vector<IBox> masks = ScreenComparison::MaskedRegions(*canvas);
    const int w = canvas->Width();
    int textPixels = 0, uncovered = 0, masked = 0;
    for (int y = 0; y < canvas->Height(); ++y)
        for (int x = 0; x < w; ++x)
        {
            bool inside = false;
            for (const IBox& m : masks) inside = inside || m.Contains(x, y);
            masked += inside;
            if (withText[static_cast<size_t>(y * w + x)] == without[static_cast<size_t>(y * w + x)]) continue;
            ++textPixels;
            if (!inside) ++uncovered;
        }
    EXPECT_GT(textPixels, 200);
    EXPECT_EQ(uncovered, 0);
    EXPECT_LT(masked, w * canvas->Height() / 5);
    plugin.Close();
}
