#include "raster/ICachedFont.h"
#include "RasterTestSupport.h"
#include "raster/IGlyphCache.h"
#include "raster/IGlyphSource.h"
#include "raster/IUtf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{

// Every character is the same 3 x 4 block one pixel right of the pen and
// three rows above the baseline, advance 5; the block's centre pixel is half
// covered. 'x' has no glyph.
class BlockSource : public IGlyphSource
{
  public:
    std::vector<std::uint32_t>* rendered;
    explicit BlockSource(std::vector<std::uint32_t>* log) : rendered(log) {}

    bool Render(std::uint32_t code, IGlyph& glyph) override
    {
        rendered->push_back(code);
        if (code == 'x') return false;
        glyph.advance = 5;
        glyph.left = 1;
        glyph.top = 3;
        glyph.width = 3;
        glyph.height = 4;
        glyph.coverage.assign(12, 255);
        glyph.coverage[1 * 3 + 1] = 128;
        return true;
    }
    int Ascent() const override { return 6; }
    int LineHeight() const override { return 9; }
};

constexpr int kAdvance = 5;

// The naive picture of `count` block glyphs drawn from pen x on the line at
// box.top: each covered pixel blended as d + (k - d) * c / 255 per colour,
// alpha d.a + (255 - d.a) * c / 255, with c scaled by A / 255 when asked.
void ReferenceBlocks(GuardedBitmap& dest, int count, int penX, const IRasterBox& box, int flags,
                     std::uint32_t colour)
{
    const int a = (flags & ICachedFont::kForegroundAlpha) != 0 ? ByteOf(colour, 3) : 255;
    for (int i = 0; i < count; ++i)
        for (int gy = 0; gy < 4; ++gy)
            for (int gx = 0; gx < 3; ++gx)
            {
                const int x = penX + i * kAdvance + 1 + gx;
                const int y = box.top + 6 - 3 + gy;
                if (x < 0 || y < 0 || x >= dest.Width() || y >= dest.Height()) continue;
                if ((flags & ICachedFont::kDtNoClip) == 0 &&
                    (x < box.left || x >= box.right || y < box.top || y >= box.bottom))
                    continue;
                int c = gx == 1 && gy == 1 ? 128 : 255;
                c = c * a / 255;
                const std::uint32_t d = dest.At(x, y);
                int out[4];
                for (int ch = 0; ch < 3; ++ch)
                    out[ch] = ByteOf(d, ch) + (ByteOf(colour, ch) - ByteOf(d, ch)) * c / 255;
                out[3] = ByteOf(d, 3) + (255 - ByteOf(d, 3)) * c / 255;
                dest.At(x, y) = FromBytes(out);
            }
}

struct Placement
{
    int flags;
    int penX; // for "abc" (15 pixels) in the box below
};

} // namespace

TEST(CachedFontText, LeftCentredAndRightTextLandsWhereItsAdvanceWidthsSay)
{
    std::vector<std::uint32_t> log;
    ICachedFont font;
    font.SetGlyphSource(new BlockSource(&log));
    font.SetTextColour(Argb(255, 200, 100, 0));
    EXPECT_EQ(font.TextWidth("abc"), 15);
    EXPECT_EQ(font.LineHeight(), 9);
    const IRasterBox box{10, 4, 50, 20};
    const Placement placements[] = {{0, 10},
                                    {ICachedFont::kDtCenter, 10 + (40 - 15) / 2},
                                    {ICachedFont::kDtRight, 50 - 15},
                                    {ICachedFont::kDtCenter | ICachedFont::kDtNoClip, 22},
                                    {ICachedFont::kDtRight | ICachedFont::kDtNoClip, 35}};
    std::mt19937 rng(3);
    for (const Placement& p : placements)
    {
        GuardedBitmap actual(64, 32);
        actual.Randomise(rng);
        GuardedBitmap expected = actual;
        EXPECT_EQ(font.DrawText(&actual, "abc", -1, box, p.flags), 9);
        ReferenceBlocks(expected, 3, p.penX, box, p.flags, font.TextColour());
        EXPECT_EQ(actual.Pixels(), expected.Pixels()) << "flags " << p.flags;
        EXPECT_TRUE(actual.GuardsIntact());
    }
}

TEST(CachedFontText, ClipsToTheBoxUnlessAskedNotToButAlwaysToTheBitmap)
{
    std::vector<std::uint32_t> log;
    ICachedFont font;
    font.SetGlyphSource(new BlockSource(&log));
    font.SetTextColour(Argb(255, 255, 255, 255));
    const char* text = "abcdefghij"; // 50 pixels
    const IRasterBox boxes[] = {
        {12, 3, 30, 6}, {-30, -4, 8, 10}, {20, 10, 90, 40}, {-1000, 5, 1000, 6}};
    for (const IRasterBox& box : boxes)
        for (int flags : {0, ICachedFont::kDtNoClip, ICachedFont::kDtCenter, ICachedFont::kDtRight,
                          ICachedFont::kDtRight | ICachedFont::kDtNoClip})
        {
            GuardedBitmap actual(40, 12);
            GuardedBitmap expected = actual;
            font.DrawText(&actual, text, -1, box, flags);
            int pen = box.left;
            if (flags & ICachedFont::kDtCenter) pen = box.left + (box.right - box.left - 50) / 2;
            if (flags & ICachedFont::kDtRight) pen = box.right - 50;
            ReferenceBlocks(expected, 10, pen, box, flags, font.TextColour());
            EXPECT_EQ(actual.Pixels(), expected.Pixels()) << box.left << " flags " << flags;
            EXPECT_TRUE(actual.GuardsIntact());
        }
}

TEST(CachedFontText, TranslucentColourWithForegroundAlphaScalesTheCoverage)
{
    std::vector<std::uint32_t> log;
    ICachedFont font;
    font.SetGlyphSource(new BlockSource(&log));
    const std::uint32_t colour = Argb(128, 255, 0, 0);
    font.SetTextColour(colour);
    const IRasterBox box{0, 0, 20, 10};
    GuardedBitmap scaled(20, 10);
    GuardedBitmap plain(20, 10);
    for (GuardedBitmap* b : {&scaled, &plain})
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                b->At(x, y) = Argb(255, 0, 0, 255);
    GuardedBitmap expectScaled = scaled;
    font.DrawText(&scaled, "a", 1, box, ICachedFont::kForegroundAlpha | ICachedFont::kDtNoClip);
    font.DrawText(&plain, "a", 1, box, ICachedFont::kDtNoClip);
    ReferenceBlocks(expectScaled, 1, 0, box, ICachedFont::kForegroundAlpha | ICachedFont::kDtNoClip,
                    colour);
    EXPECT_EQ(scaled.Pixels(), expectScaled.Pixels());
    // Fully covered: c = 255 * 128 / 255 = 128 -> red 128, blue 127.
    EXPECT_EQ(scaled.At(1, 3), Argb(255, 128, 0, 127));
    // Without the flag the colour's alpha plays no part.
    EXPECT_EQ(plain.At(1, 3), Argb(255, 255, 0, 0));
}

TEST(CachedFontText, GlyphsAreRenderedOnceAndCharactersWithoutGlyphTakeNoRoom)
{
    std::vector<std::uint32_t> log;
    ICachedFont font;
    font.SetGlyphSource(new BlockSource(&log));
    GuardedBitmap bitmap(80, 12);
    const IRasterBox box{0, 0, 80, 12};
    // "a€bÄxa", the euro sign and A-umlaut from the sorted table.
    const std::string text = "a\xe2\x82\xac"
                             "b\xc3\x84xa";
    font.DrawText(&bitmap, text.c_str(), -1, box, 0);
    font.DrawText(&bitmap, text.c_str(), static_cast<int>(text.size()), box, 0);
    EXPECT_EQ(font.TextWidth(text.c_str()), 5 * kAdvance);
    const std::vector<std::uint32_t> once = {'a', 0x20ac, 'b', 0xc4, 'x'};
    EXPECT_EQ(log, once);
    EXPECT_EQ(font.CachedGlyphCount(), 5u);
    // A length cuts the string: "a" and the first byte of the euro sign,
    // which decodes as U+FFFD.
    EXPECT_EQ(font.TextWidth(text.c_str(), 2), 2 * kAdvance);
    EXPECT_EQ(log.back(), IUtf8::kReplacement);
    // Control characters draw nothing and are not looked up.
    EXPECT_EQ(font.TextWidth("\t\n\r"), 0);
}

TEST(CachedFontText, WithoutAGlyphSourceOrTargetNothingIsDrawn)
{
    ICachedFont font;
    EXPECT_FALSE(font.HasGlyphSource());
    GuardedBitmap bitmap(10, 10);
    const IRasterBox box{0, 0, 10, 10};
    EXPECT_EQ(font.DrawText(&bitmap, "abc", -1, box, 0), 0);
    EXPECT_EQ(font.TextWidth("abc"), 0);
    EXPECT_EQ(font.LineHeight(), 0);
    std::vector<std::uint32_t> log;
    font.SetGlyphSource(new BlockSource(&log));
    EXPECT_EQ(font.DrawText(nullptr, "abc", -1, box, 0), 0);
    EXPECT_EQ(font.DrawText(&bitmap, nullptr, -1, box, 0), 0);
    EXPECT_EQ(font.DrawText(&bitmap, "", -1, box, 0), 0);
    EXPECT_EQ(font.DrawText(&bitmap, "abc", 0, box, 0), 0);
    EXPECT_EQ(bitmap.Pixels(), std::vector<std::uint32_t>(100, 0u));
}

TEST(GlyphCache, DirectEntriesBelow128AndASortedTableAboveFindEveryCode)
{
    IGlyphCache cache;
    std::mt19937 rng(77);
    std::vector<std::uint32_t> codes;
    for (int i = 0; i < 300; ++i)
        codes.push_back(rng() % 0x11000);
    for (std::uint32_t code : codes)
    {
        IGlyph glyph;
        glyph.advance = static_cast<int>(code % 1000);
        ASSERT_NE(cache.Add(code, glyph), nullptr);
    }
    std::vector<std::uint32_t> unique = codes;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    EXPECT_EQ(cache.Count(), unique.size());
    std::vector<std::uint32_t> table;
    for (std::uint32_t code : unique)
    {
        const IGlyph* glyph = cache.Find(code);
        ASSERT_NE(glyph, nullptr) << code;
        EXPECT_EQ(glyph->advance, static_cast<int>(code % 1000));
        if (code >= IGlyphCache::kDirectEntries) table.push_back(code);
    }
    EXPECT_EQ(cache.TableCodes(), table);
    EXPECT_EQ(cache.Find(0x10ffff + 1), nullptr);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0u);
}

TEST(Utf8, DecodesValidSequencesAndReplacesEachMalformedByte)
{
    auto decode = [](const std::string& bytes)
    {
        // A copy without a terminating NUL, so that a read past the end is
        // an overflow the address sanitiser sees.
        std::vector<unsigned char> buffer(bytes.begin(), bytes.end());
        std::vector<std::uint32_t> out;
        const unsigned char* p = buffer.data();
        const unsigned char* end = p + buffer.size();
        while (p < end)
            out.push_back(IUtf8::Next(p, end));
        return out;
    };
    const std::uint32_t r = IUtf8::kReplacement;
    using V = std::vector<std::uint32_t>;
    EXPECT_EQ(decode("A\xc3\x84\xc3\x96\xe2\x82\xac"), (V{'A', 0xc4, 0xd6, 0x20ac}));
    EXPECT_EQ(decode("\xf0\x9f\x98\x80"), (V{0x1f600}));
    EXPECT_EQ(decode("\xf4\x8f\xbf\xbf"), (V{0x10ffff}));
    EXPECT_EQ(decode("\x80z"), (V{r, 'z'}));                // stray continuation
    EXPECT_EQ(decode("\xc0\x80"), (V{r, r}));               // overlong NUL
    EXPECT_EQ(decode("\xe0\x80\xaf"), (V{r, r, r}));        // overlong '/'
    EXPECT_EQ(decode("\xed\xa0\x80"), (V{r, r, r}));        // surrogate
    EXPECT_EQ(decode("\xf4\x90\x80\x80"), (V{r, r, r, r})); // above U+10FFFF
    EXPECT_EQ(decode("\xff\xfe"), (V{r, r}));
    EXPECT_EQ(decode("a\xe2\x82"), (V{'a', r, r})); // cut short
    EXPECT_EQ(decode("\xe2\x82"
                     "a"),
              (V{r, r, 'a'})); // interrupted
    EXPECT_EQ(decode("\xf0\x9f\x98"), (V{r, r, r}));
}
