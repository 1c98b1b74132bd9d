// Text through fontconfig and FreeType: the Linux glyph source.
#ifndef _WIN32

#include "RasterTestSupport.h"
#include "raster/ICachedFont.h"
#include "raster/IFreeTypeFace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

// The columns and rows that text changed on a transparent black bitmap.
struct Ink
{
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // right, bottom exclusive
    bool Empty() const { return right < 0; }
};

Ink InkOf(const GuardedBitmap& b)
{
    Ink ink;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.At(x, y) != 0)
            {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

bool OpenArial(ICachedFont& font, int weight = 400)
{
    return font.Create("Arial", 12, weight, false, 0, 0);
}

} // namespace

TEST(FreeTypeText, ArialResolvesThroughFontconfigToAnExistingFile)
{
    IFreeTypeFace::Match match;
    ASSERT_TRUE(IFreeTypeFace::Resolve("Arial", 400, false, match));
    EXPECT_TRUE(std::ifstream(match.file).good()) << match.file;
    // Liberation Sans (fonts-liberation2) is Arial's metric twin; a machine
    // with Arial itself may match that.
    EXPECT_TRUE(match.family == "Liberation Sans" || match.family == "Arial") << match.family;

    IFreeTypeFace::Match bold;
    ASSERT_TRUE(IFreeTypeFace::Resolve("Arial", 700, false, bold));
    IFreeTypeFace::Match italic;
    ASSERT_TRUE(IFreeTypeFace::Resolve("Arial", 400, true, italic));
    EXPECT_NE(bold.file, match.file);
    EXPECT_NE(italic.file, match.file);
}

TEST(FreeTypeText, CentredLeftAndRightInkSitsWhereTheAdvanceWidthPutsIt)
{
    ICachedFont font;
    ASSERT_TRUE(OpenArial(font));
    EXPECT_EQ(font.LineHeight(), 12);
    font.SetTextColour(0xffffffffu);
    const char* text = "Threshold -12.5 dB";
    const int width = font.TextWidth(text);
    ASSERT_GT(width, 60);
    ASSERT_LT(width, 140);
    const IRasterBox box{20, 6, 180, 30};
    struct Case
    {
        int flags;
        int penX;
    } cases[] = {{ICachedFont::kDtNoClip, 20},
                 {ICachedFont::kDtNoClip | ICachedFont::kDtCenter, 20 + (160 - width) / 2},
                 {ICachedFont::kDtNoClip | ICachedFont::kDtRight, 180 - width}};
    for (const Case& c : cases)
    {
        GuardedBitmap bitmap(200, 40);
        EXPECT_EQ(font.DrawText(&bitmap, text, -1, box, c.flags), 12);
        const Ink ink = InkOf(bitmap);
        ASSERT_FALSE(ink.Empty());
        // Side bearings are a pixel or two at this size.
        EXPECT_GE(ink.left, c.penX - 1) << c.flags;
        EXPECT_LE(ink.left, c.penX + 2) << c.flags;
        EXPECT_LE(ink.right, c.penX + width + 1) << c.flags;
        EXPECT_GE(ink.right, c.penX + width - 3) << c.flags;
        // The line starts at the box's top and stays within one cell.
        EXPECT_GE(ink.top, box.top);
        EXPECT_LE(ink.bottom, box.top + font.LineHeight());
        EXPECT_TRUE(bitmap.GuardsIntact());
    }
}

TEST(FreeTypeText, ForegroundAlphaScalesEveryCoverageValue)
{
    ICachedFont font;
    ASSERT_TRUE(OpenArial(font));
    const IRasterBox box{2, 2, 40, 20};
    // Single characters: where neighbours overlap a pixel is blended twice.
    for (const char* character : {"E", "W", "8", "g", "\xc3\x84"})
    {
        GuardedBitmap opaque(40, 20);
        font.SetTextColour(0xffffffffu);
        font.DrawText(&opaque, character, -1, box, ICachedFont::kDtNoClip);
        GuardedBitmap translucent(40, 20);
        font.SetTextColour(0x80ffffffu);
        font.DrawText(&translucent, character, -1, box,
                      ICachedFont::kDtNoClip | ICachedFont::kForegroundAlpha);
        int strongest = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
            {
                // On transparent black opaque white text leaves its coverage
                // c in every channel; at alpha 128 the coverage is c * 128 / 255.
                const int c = ByteOf(opaque.At(x, y), 0);
                ASSERT_EQ(opaque.At(x, y), Argb(c, c, c, c));
                const int scaled = c * 128 / 255;
                ASSERT_EQ(translucent.At(x, y), Argb(scaled, scaled, scaled, scaled))
                    << character << " " << x << "," << y;
                strongest = std::max(strongest, c);
            }
        EXPECT_GT(strongest, 200) << character;
    }
}

TEST(FreeTypeText, UmlautsAndTheEuroSignDrawTheirOwnGlyphs)
{
    ICachedFont font;
    ASSERT_TRUE(OpenArial(font));
    font.SetTextColour(0xffffffffu);
    const IRasterBox box{0, 0, 20, 16};
    auto draw = [&](const char* text)
    {
        GuardedBitmap b(20, 16);
        font.DrawText(&b, text, -1, box, ICachedFont::kDtNoClip);
        return b.Pixels();
    };
    const std::vector<std::uint32_t> question = draw("?");
    const std::vector<std::uint32_t> blank(20 * 16, 0u);
    const char* characters[] = {"\xc3\x84", "\xc3\x96", "\xe2\x82\xac"};
    std::vector<std::vector<std::uint32_t>> drawn;
    for (const char* c : characters)
    {
        drawn.push_back(draw(c));
        EXPECT_NE(drawn.back(), blank) << c;
        EXPECT_NE(drawn.back(), question) << c;
    }
    EXPECT_NE(drawn[0], drawn[1]);
    EXPECT_NE(drawn[1], drawn[2]);
    // "Ä" is "A" with marks above it: the same width.
    EXPECT_EQ(font.TextWidth("\xc3\x84"), font.TextWidth("A"));
}

TEST(FreeTypeText, BoldIsAnotherFaceAndNoNarrower)
{
    ICachedFont regular;
    ICachedFont bold;
    ASSERT_TRUE(OpenArial(regular));
    ASSERT_TRUE(OpenArial(bold, 700));
    EXPECT_GE(bold.TextWidth("Make-up Gain"), regular.TextWidth("Make-up Gain"));
    GuardedBitmap a(100, 16);
    GuardedBitmap b(100, 16);
    regular.SetTextColour(0xffffffffu);
    bold.SetTextColour(0xffffffffu);
    const IRasterBox box{0, 0, 100, 16};
    regular.DrawText(&a, "Attack", -1, box, 0);
    bold.DrawText(&b, "Attack", -1, box, 0);
    EXPECT_NE(a.Pixels(), b.Pixels());
}

TEST(FreeTypeText, AFaceThatCannotBeOpenedOrSizedIsRefused)
{
    ICachedFont font;
    EXPECT_FALSE(font.Create("Arial", 0, 400, false, 0, 0));
    EXPECT_FALSE(font.Create("Arial", -12, 400, false, 0, 0));
    EXPECT_FALSE(font.HasGlyphSource());
    // An unknown family still matches fontconfig's default face.
    EXPECT_TRUE(font.Create("No Such Family 1234", 12, 400, false, 0, 0));
}

TEST(FreeTypeText, FontsOpenedOnTwoThreadsAtOnceDrawTheSameText)
{
    // Plug-in instances in one host may create their fonts concurrently: the
    // process-wide FreeType and fontconfig set-up happens once and faces open
    // under its lock.
    std::vector<std::uint32_t> pictures[2];
    auto work = [&pictures](int which)
    {
        for (int round = 0; round < 5; ++round)
        {
            ICachedFont font;
            if (!font.Create("Arial", 12 + round % 2, round == 3 ? 700 : 400, false, 0, 0)) return;
            font.SetTextColour(0xffffffffu);
            GuardedBitmap bitmap(80, 16);
            const IRasterBox box{0, 0, 80, 16};
            font.DrawText(&bitmap, "Release 120 ms", -1, box, 0);
            if (round == 4) pictures[which] = bitmap.Pixels();
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();
    EXPECT_FALSE(pictures[0].empty());
    EXPECT_EQ(pictures[0], pictures[1]);
}

#endif
