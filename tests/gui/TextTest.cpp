// Text through the canvas: the placement and alpha flags it hands the font,
// and where the text lands in the off-screen bitmap.

#include "CanvasTestSupport.h"
#include "raster/ICachedFont.h"

#include <gtest/gtest.h>

using namespace canvas_test;

namespace
{
constexpr std::uint32_t kWhite = 0xffffffffu;

struct Ink
{
    int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
    int darkest = 255; // smallest red value of an inked pixel
    bool Any() const { return right >= 0; }
};

Ink FindInk(const TestCanvas& canvas, int w, int h)
{
    Ink ink;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const std::uint32_t p = canvas.Pixel(x, y);
            if (p == kWhite) continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x + 1);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y + 1);
            ink.darkest = std::min(ink.darkest, static_cast<int>((p >> 16) & 0xff));
        }
    return ink;
}
// The default font creation opens a face on Linux; on Windows the window
// layer creates GDI fonts, so the core alone has no face to draw with.
#ifdef _WIN32
#define SKIP_WITHOUT_CORE_FONTS() GTEST_SKIP() << "fonts come from the Windows window layer"
#else
#define SKIP_WITHOUT_CORE_FONTS() (void)0
#endif
} // namespace

TEST(Text, FlagsNeverClipAndFollowAlignmentAndAlpha)
{
    const int noClip = ICachedFont::kDtNoClip;
    const int alpha = ICachedFont::kForegroundAlpha;
    auto flags = [](int align, int a)
    {
        ITextStyle s("Arial", 12, IArgb(a, 0, 0, 0), 0, align);
        return IEditorCanvas::TextFlags(s);
    };
    EXPECT_EQ(noClip, 0x100);
    EXPECT_EQ(ICachedFont::kDtCenter, 1);
    EXPECT_EQ(ICachedFont::kDtRight, 2);
    EXPECT_EQ(alpha, 0x40000000);
    EXPECT_EQ(flags(0, 255), noClip);
    EXPECT_EQ(flags(1, 255), noClip | ICachedFont::kDtCenter);
    EXPECT_EQ(flags(2, 255), noClip | ICachedFont::kDtRight);
    EXPECT_EQ(flags(7, 255), noClip | ICachedFont::kDtRight);
    EXPECT_EQ(flags(-1, 255), noClip | ICachedFont::kDtRight);
    EXPECT_EQ(flags(0, 254), noClip | alpha);
    EXPECT_EQ(flags(1, 0), noClip | alpha | ICachedFont::kDtCenter);
}

TEST(Text, NullOrEmptyTextDrawsNothingAndNeedsNoFont)
{
    TestCanvas canvas;
    canvas.failFonts = true;
    ITextStyle style("Arial", 93, IArgb(), 0, 1);
    EXPECT_TRUE(canvas.DrawText(&style, nullptr, IBox(0, 0, 10, 10)));
    EXPECT_TRUE(canvas.DrawText(&style, "", IBox(0, 0, 10, 10)));
    EXPECT_EQ(canvas.fontCreations, 0);
    EXPECT_EQ(style.cachedFont, nullptr);
    EXPECT_FALSE(canvas.DrawText(nullptr, "x", IBox(0, 0, 10, 10)));
}

TEST(Text, TextLandsAtTheTopOfTheBoxLeftCentredOrRightAsAligned)
{
    SKIP_WITHOUT_CORE_FONTS();
    const char* text = "HIH";
    const IBox box(10, 8, 110, 40);
    for (int align = 0; align <= 2; ++align)
    {
        TestCanvas canvas(nullptr, 120, 48);
        canvas.PrepareDrawing();
        canvas.Clear(kWhite);
        ITextStyle style("Arial", 20, IArgb(255, 0, 0, 0), 0, align);
        ASSERT_TRUE(canvas.DrawText(&style, text, box));
        ASSERT_NE(style.cachedFont, nullptr);
        const int w = style.cachedFont->TextWidth(text);
        const Ink ink = FindInk(canvas, 120, 48);
        ASSERT_TRUE(ink.Any()) << "alignment " << align;
        // Where the advance widths put the text; glyph bearings may move the
        // ink inward by a few pixels, never outward past them.
        int start = box.left;
        if (align == 1) start = box.left + (box.W() - w) / 2;
        if (align == 2) start = box.right - w;
        const int slack = 3;
        EXPECT_GE(ink.left, start - 1) << "alignment " << align;
        EXPECT_LE(ink.left, start + slack) << "alignment " << align;
        EXPECT_LE(ink.right, start + w + 1) << "alignment " << align;
        EXPECT_GE(ink.right, start + w - slack) << "alignment " << align;
        EXPECT_GE(ink.top, box.top) << "alignment " << align;
        EXPECT_LE(ink.top, box.top + 8) << "alignment " << align;
        EXPECT_EQ(ink.darkest, 0) << "opaque text has fully inked pixels";
    }
}

TEST(Text, AColourWithAlphaBelowOpaqueBlendsWithWhatIsUnderneath)
{
    SKIP_WITHOUT_CORE_FONTS();
    TestCanvas canvas(nullptr, 120, 48);
    canvas.PrepareDrawing();
    canvas.Clear(kWhite);
    ITextStyle style("Arial", 20, IArgb(128, 0, 0, 0), 0, 0);
    ASSERT_TRUE(canvas.DrawText(&style, "HIH", IBox(4, 4, 100, 40)));
    const Ink ink = FindInk(canvas, 120, 48);
    ASSERT_TRUE(ink.Any());
    // Half-transparent black over white never goes below half intensity.
    EXPECT_GE(ink.darkest, 120);
    EXPECT_LE(ink.darkest, 136);
}
