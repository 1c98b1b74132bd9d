// Text on Windows: GDI fonts read into the glyph cache, text drawn by GDI
// itself, and the Wine check. Run under Wine in CI.
#ifdef _WIN32

#include "RasterTestSupport.h"
#include "raster/ICachedFont.h"
#include "raster/win32/IGdiText.h"
#include "raster/win32/ISystemBitmap.h"

#include "raster/win32/WindowsApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace
{

// The columns and rows whose colour differs from the background's (alpha
// aside: GDI writes 0 there).
struct Ink
{
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // right, bottom exclusive
    bool Empty() const { return right < 0; }
};

Ink InkOf(IBitmap& b, std::uint32_t background = 0)
{
    Ink ink;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (((b.Bits()[y * b.RowSpan() + x] ^ background) & 0xffffffu) != 0)
            {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x + 1);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
    return ink;
}

std::vector<std::uint32_t> PixelsOf(IBitmap& b, std::uint32_t mask = 0xffffffffu)
{
    std::vector<std::uint32_t> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.Bits()[y * b.RowSpan() + x] & mask);
    return out;
}

void Clear(IBitmap& b, std::uint32_t colour)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.Bits()[y * b.RowSpan() + x] = colour;
}

// The GDI font ICachedFont::Create makes for Arial at 12 pixels.
HFONT CreateArial(int height = 12, int weight = 400)
{
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       "Arial");
}

// The glyph cache draws whenever foreground alpha is asked for; with an
// opaque colour the coverage is then not scaled at all.
constexpr int kGlyphPath = ICachedFont::kForegroundAlpha;

// What GDI draws for UTF-16 text with the font, straight through its own
// DrawTextW: the reference for the direct path.
std::vector<std::uint32_t> DrawnByGdi(HFONT font, const std::wstring& text, int width, int height,
                                      const RECT& box, UINT format, COLORREF colour)
{
    ISystemBitmap bitmap(width, height);
    Clear(bitmap, 0);
    HDC dc = static_cast<HDC>(bitmap.DeviceContext());
    HGDIOBJ previous = SelectObject(dc, font);
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    RECT rect = box;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
    SelectObject(dc, previous);
    GdiFlush();
    return PixelsOf(bitmap, 0xffffffu);
}

} // namespace

TEST(GdiText, TheWineCheckAgreesWithWinesOwnNtdllAndKeepsItsAnswer)
{
    // Wine's ntdll exports wine_get_version; Windows' does not.
    const bool wineNtdll =
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
    EXPECT_EQ(IGdiText::RunningUnderWine(), wineNtdll);
    EXPECT_EQ(IGdiText::RunningUnderWine(), wineNtdll);
}

TEST(GdiText, ArialAndUnknownFamiliesCreateFontsOneCellHigh)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    EXPECT_TRUE(font.HasGlyphSource());
    EXPECT_EQ(font.LineHeight(), 12);
    ICachedFont large;
    ASSERT_TRUE(large.Create("Arial", 20, 400, false, 0, 0));
    EXPECT_EQ(large.LineHeight(), 20);
    EXPECT_GT(large.TextWidth("Ratio"), font.TextWidth("Ratio"));
    // GDI substitutes a face for a family it does not know.
    ICachedFont unknown;
    EXPECT_TRUE(unknown.Create("No Such Family 1234", 12, 400, false, 0, 0));
    EXPECT_GT(unknown.TextWidth("Ratio"), 0);
    // Creating again replaces the font (and deletes the one owned before).
    EXPECT_TRUE(font.Create("Arial", 14, 700, false, 0, 2));
    EXPECT_EQ(font.LineHeight(), 14);
}

TEST(GdiText, TextWidthIsWhatGdiMeasuresForTheSameFont)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    HFONT reference = CreateArial();
    ASSERT_NE(reference, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, reference);
    struct Case
    {
        const char* utf8;
        const wchar_t* utf16;
    } cases[] = {{"Threshold -12.5 dB", L"Threshold -12.5 dB"},
                 {"Make-up Gain", L"Make-up Gain"},
                 {"\xc3\x84 \xe2\x82\xac 100%", L"\u00c4 \u20ac 100%"}};
    for (const Case& c : cases)
    {
        SIZE size = {};
        ASSERT_TRUE(GetTextExtentPoint32W(dc, c.utf16, static_cast<int>(wcslen(c.utf16)), &size));
        EXPECT_EQ(font.TextWidth(c.utf8), size.cx) << c.utf8;
    }
    TEXTMETRICA metrics = {};
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    EXPECT_EQ(font.LineHeight(), metrics.tmHeight);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(reference);
}

TEST(GdiText, GlyphPathPutsLeftCentredAndRightTextWhereTheWidthSays)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
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
        EXPECT_EQ(font.DrawText(&bitmap, text, -1, box, c.flags | kGlyphPath), 12);
        const Ink ink = InkOf(bitmap);
        ASSERT_FALSE(ink.Empty());
        EXPECT_GE(ink.left, c.penX - 1) << c.flags;
        EXPECT_LE(ink.left, c.penX + 2) << c.flags;
        EXPECT_LE(ink.right, c.penX + width + 1) << c.flags;
        EXPECT_GE(ink.right, c.penX + width - 3) << c.flags;
        EXPECT_GE(ink.top, box.top);
        EXPECT_LE(ink.bottom, box.top + font.LineHeight());
        EXPECT_TRUE(bitmap.GuardsIntact());
    }
}

TEST(GdiText, GlyphCoverageComesIn65LevelsAndForegroundAlphaScalesIt)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    // GDI's grey levels 0..64 scaled to 0..255.
    std::set<int> levels;
    for (int v = 0; v <= 64; ++v)
        levels.insert((v * 255 + 32) / 64);
    const IRasterBox box{2, 2, 40, 20};
    bool fullSomewhere = false;
    for (const char* character : {"E", "W", "8", "g", "\xc3\x84"})
    {
        GuardedBitmap opaque(40, 20);
        font.SetTextColour(0xffffffffu);
        font.DrawText(&opaque, character, -1, box, ICachedFont::kDtNoClip | kGlyphPath);
        GuardedBitmap translucent(40, 20);
        font.SetTextColour(0x80ffffffu);
        font.DrawText(&translucent, character, -1, box, ICachedFont::kDtNoClip | kGlyphPath);
        int strongest = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 40; ++x)
            {
                // Opaque white on transparent black leaves the coverage c in
                // every channel; at alpha 128 it is c * 128 / 255.
                const int c = ByteOf(opaque.At(x, y), 0);
                ASSERT_EQ(opaque.At(x, y), Argb(c, c, c, c));
                ASSERT_EQ(levels.count(c), 1u) << c;
                const int scaled = c * 128 / 255;
                ASSERT_EQ(translucent.At(x, y), Argb(scaled, scaled, scaled, scaled))
                    << character << " " << x << "," << y;
                strongest = std::max(strongest, c);
            }
        // Hinting need not put a stem exactly on the pixel grid.
        EXPECT_GT(strongest, 200) << character;
        fullSomewhere = fullSomewhere || strongest == 255;
    }
    EXPECT_TRUE(fullSomewhere);
}

TEST(GdiText, NonAntialiasedQualityGivesBareCoverage)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 1));
    font.SetTextColour(0xffffffffu);
    GuardedBitmap bitmap(120, 20);
    font.DrawText(&bitmap, "Attack 30 ms", -1, IRasterBox{0, 0, 120, 20}, kGlyphPath);
    ASSERT_FALSE(InkOf(bitmap).Empty());
    for (std::uint32_t p : bitmap.Pixels())
        ASSERT_TRUE(p == 0u || p == 0xffffffffu) << std::hex << p;
}

TEST(GdiText, UmlautsAndTheEuroSignDrawTheirOwnGlyphs)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    font.SetTextColour(0xffffffffu);
    auto draw = [&](const char* text)
    {
        GuardedBitmap b(20, 16);
        font.DrawText(&b, text, -1, IRasterBox{0, 0, 20, 16}, ICachedFont::kDtNoClip | kGlyphPath);
        return b.Pixels();
    };
    const std::vector<std::uint32_t> blank(20 * 16, 0u);
    const std::vector<std::uint32_t> a = draw("A");
    const std::vector<std::uint32_t> umlaut = draw("\xc3\x84");
    const std::vector<std::uint32_t> euro = draw("\xe2\x82\xac");
    EXPECT_NE(umlaut, blank);
    EXPECT_NE(euro, blank);
    EXPECT_NE(umlaut, a);
    EXPECT_NE(umlaut, euro);
    EXPECT_EQ(font.TextWidth("\xc3\x84"), font.TextWidth("A"));
}

TEST(GdiText, DirectPathDrawsTheColourWhereTheGlyphPathDoes)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    HFONT gdiFont = CreateArial();
    ASSERT_NE(gdiFont, nullptr);
    const std::uint32_t colour = 0xff20c040u;
    font.SetTextColour(colour);
    const char* text = "Threshold -12.5 dB";
    const IRasterBox box{20, 6, 180, 30};
    for (int align : {0, ICachedFont::kDtCenter, ICachedFont::kDtRight})
    {
        const int flags = ICachedFont::kDtNoClip | align;
        GuardedBitmap glyphs(200, 40);
        font.DrawText(&glyphs, text, -1, box, flags | kGlyphPath);
        const Ink expected = InkOf(glyphs);

        ISystemBitmap direct(200, 40);
        Clear(direct, 0);
        EXPECT_EQ(IGdiText::DrawDirect(gdiFont, colour, &direct, text, strlen(text), box, flags),
                  12);
        const Ink ink = InkOf(direct);
        ASSERT_FALSE(ink.Empty()) << align;
        // Both rasterise the same outlines at the same pen positions; GDI's
        // own text renderer may fade a glyph's faintest edge column away.
        EXPECT_NEAR(ink.left, expected.left, 2) << align;
        EXPECT_NEAR(ink.right, expected.right, 2) << align;
        EXPECT_GE(ink.top, box.top);
        EXPECT_LE(ink.bottom, box.top + 12);
        // Fully covered pixels carry the text colour exactly; no pixel has a
        // channel the colour does not have more of.
        bool exact = false;
        for (std::uint32_t p : PixelsOf(direct, 0xffffffu))
        {
            exact = exact || p == (colour & 0xffffffu);
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_LE(ByteOf(p, ch), ByteOf(colour, ch)) << std::hex << p;
        }
        EXPECT_TRUE(exact) << align;
        // The same shapes: where the glyph cache inks a pixel at least half,
        // GDI inks it or a neighbour (its default quality may be 1-bit, as
        // under Wine, and then hints differently); an upside-down or shifted
        // glyph would miss most.
        auto directInk = [&](int x, int y)
        {
            for (int v = std::max(0, y - 1); v <= std::min(39, y + 1); ++v)
                for (int u = std::max(0, x - 1); u <= std::min(199, x + 1); ++u)
                    if ((direct.Bits()[v * direct.RowSpan() + u] & 0xffffffu) != 0) return true;
            return false;
        };
        int strong = 0, shared = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                if (ByteOf(glyphs.At(x, y), 1) >= 0xc0 / 2)
                {
                    ++strong;
                    if (directInk(x, y)) ++shared;
                }
        ASSERT_GT(strong, 50);
        EXPECT_GE(shared * 100, strong * 95) << shared << " of " << strong;
    }
    DeleteObject(gdiFont);
}

TEST(GdiText, DirectPathIntoABitmapWithoutContextMatchesTheContextAndTouchesOnlyInk)
{
    HFONT gdiFont = CreateArial();
    ASSERT_NE(gdiFont, nullptr);
    const std::uint32_t background = 0x80102030u;
    const std::uint32_t colour = 0xfff0e0d0u;
    // The scratch grows: a small bitmap first, then a larger one whose text
    // lies beyond the small one.
    struct Case
    {
        int width, height;
        IRasterBox box;
        int flags;
    } cases[] = {{60, 20, {0, 2, 60, 20}, ICachedFont::kDtNoClip},
                 {300, 70, {100, 50, 290, 70}, ICachedFont::kDtNoClip | ICachedFont::kDtRight},
                 {90, 30, {0, 0, 90, 30}, ICachedFont::kDtCenter}};
    for (const Case& c : cases)
    {
        const char* text = "Release 120 ms";
        ISystemBitmap withContext(c.width, c.height);
        Clear(withContext, background);
        IGdiText::DrawDirect(gdiFont, colour, &withContext, text, strlen(text), c.box, c.flags);
        GuardedBitmap memory(c.width, c.height);
        Clear(memory, background);
        EXPECT_EQ(
            IGdiText::DrawDirect(gdiFont, colour, &memory, text, strlen(text), c.box, c.flags), 12);
        EXPECT_TRUE(memory.GuardsIntact());
        const Ink ink = InkOf(memory, background);
        ASSERT_FALSE(ink.Empty()) << c.width;
        EXPECT_GE(ink.top, c.box.top);
        EXPECT_EQ(PixelsOf(memory, 0xffffffu), PixelsOf(withContext, 0xffffffu)) << c.width;
        // Pixels GDI did not draw on keep all four bytes.
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
            {
                // Text blends a colour far from the background's into every
                // pixel it touches: an unchanged colour means untouched.
                const std::uint32_t p = memory.At(x, y);
                if (((p ^ background) & 0xffffffu) != 0) continue;
                ASSERT_EQ(p, background) << x << "," << y;
            }
    }
    DeleteObject(gdiFont);
}

TEST(GdiText, DirectPathStaysInsideTheSizeAShrunkSystemBitmapReports)
{
    HFONT gdiFont = CreateArial();
    ASSERT_NE(gdiFont, nullptr);
    ISystemBitmap bitmap(100, 20);
    for (int i = 0; i < 100 * 20; ++i)
        bitmap.Bits()[i] = 0;
    ASSERT_TRUE(bitmap.Resize(40, 20));
    // Unclipped text running far past the reported right edge.
    const char* text = "Sidechain Filter 250 Hz";
    EXPECT_EQ(IGdiText::DrawDirect(gdiFont, 0xffffffffu, &bitmap, text, strlen(text),
                                   IRasterBox{2, 2, 30, 18}, ICachedFont::kDtNoClip),
              12);
    ASSERT_FALSE(InkOf(bitmap).Empty());
    // Behind the reported width the section's rows stay as they were.
    for (int y = 0; y < 20; ++y)
        for (int x = 40; x < bitmap.RowSpan(); ++x)
            ASSERT_EQ(bitmap.Bits()[y * bitmap.RowSpan() + x], 0u) << x << "," << y;
    DeleteObject(gdiFont);
}

TEST(GdiText, DirectPathDrawsUtf8AsGdiDrawsTheSameUtf16)
{
    HFONT gdiFont = CreateArial();
    ASSERT_NE(gdiFont, nullptr);
    const std::uint32_t colour = 0xffffffffu;
    const RECT rect = {2, 2, 198, 30};
    const IRasterBox box{2, 2, 198, 30};
    auto direct = [&](const std::string& text, int flags)
    {
        ISystemBitmap bitmap(200, 32);
        Clear(bitmap, 0);
        IGdiText::DrawDirect(gdiFont, colour, &bitmap, text.data(), text.size(), box, flags);
        return PixelsOf(bitmap, 0xffffffu);
    };
    // Plain ASCII; umlauts and the euro sign; a malformed byte (U+FFFD); and
    // text longer than the 1024 units converted on the stack.
    std::string longUtf8;
    std::wstring longUtf16;
    for (int i = 0; i < 1500; ++i)
    {
        longUtf8 += i % 2 ? "\xc3\xa4" : "x";
        longUtf16 += i % 2 ? L'\u00e4' : L'x';
    }
    struct Case
    {
        std::string utf8;
        std::wstring utf16;
        int flags;
    } cases[] = {{"Gain -3.0 dB", L"Gain -3.0 dB", ICachedFont::kDtNoClip},
                 {"\xc3\x84rger \xe2\x82\xac", L"\u00c4rger \u20ac", ICachedFont::kDtCenter},
                 {"a\xff"
                  "b",
                  L"a\ufffd"
                  L"b",
                  ICachedFont::kDtRight},
                 {longUtf8, longUtf16, ICachedFont::kDtRight | ICachedFont::kDtNoClip}};
    for (const Case& c : cases)
    {
        const std::vector<std::uint32_t> drawn = direct(c.utf8, c.flags);
        EXPECT_EQ(drawn, DrawnByGdi(gdiFont, c.utf16, 200, 32, rect, c.flags, RGB(255, 255, 255)))
            << c.utf8.substr(0, 20);
        EXPECT_NE(drawn, std::vector<std::uint32_t>(200 * 32, 0u));
    }
    // '&' stays a character, not a mnemonic prefix.
    EXPECT_EQ(direct("A&B", 0), DrawnByGdi(gdiFont, L"A&B", 200, 32, rect, 0, RGB(255, 255, 255)));
    EXPECT_NE(direct("A&B", 0), direct("AB", 0));
    DeleteObject(gdiFont);
}

TEST(GdiText, DrawTextTakesTheDirectPathOnlyOutsideWine)
{
    ICachedFont font;
    ASSERT_TRUE(font.Create("Arial", 12, 400, false, 0, 0));
    HFONT gdiFont = CreateArial();
    ASSERT_NE(gdiFont, nullptr);
    const std::uint32_t colour = 0xffffffffu;
    font.SetTextColour(colour);
    const char* text = "Output 0.0 dB";
    const IRasterBox box{4, 4, 150, 20};
    const int flags = ICachedFont::kDtNoClip | ICachedFont::kDtCenter;
    auto drawn = [&](int how)
    {
        ISystemBitmap bitmap(160, 24);
        Clear(bitmap, 0);
        if (how == 0) font.DrawText(&bitmap, text, -1, box, flags);
        if (how == 1) font.DrawText(&bitmap, text, -1, box, flags | kGlyphPath);
        if (how == 2)
            IGdiText::DrawDirect(gdiFont, colour, &bitmap, text, strlen(text), box, flags);
        return PixelsOf(bitmap);
    };
    const std::vector<std::uint32_t> chosen = drawn(0);
    EXPECT_EQ(chosen, drawn(IGdiText::RunningUnderWine() ? 1 : 2));
    // Translucent text always goes through the glyph cache.
    font.SetTextColour(0x80ffffffu);
    ISystemBitmap translucent(160, 24);
    Clear(translucent, 0);
    font.DrawText(&translucent, text, -1, box, flags | ICachedFont::kForegroundAlpha);
    bool half = false;
    for (std::uint32_t p : PixelsOf(translucent))
        half = half || p == Argb(128, 128, 128, 128);
    EXPECT_TRUE(half);
    DeleteObject(gdiFont);
}

#endif
