#include "raster/ICachedFont.h"

#include "raster/IGlyphCache.h"
#include "raster/IGlyphSource.h"
#include "raster/IUtf8.h"

#ifdef _WIN32
#include "raster/win32/WindowsApi.h"
#include "raster/win32/IGdiGlyphSource.h"
#include "raster/win32/IGdiText.h"
#else
#include "raster/IFreeTypeFace.h"
#endif

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

struct ICachedFont::Impl
{
    std::unique_ptr<IGlyphSource> source;
    IGlyphCache cache;
    void* systemFont = nullptr;
    int flags = 0;

    // The cached glyph for code, rendered on first use; null for a code that
    // draws nothing (control characters, or no glyph in the source).
    const IGlyph* Glyph(std::uint32_t code)
    {
        if (code < 0x20 || code == 0x7f) return nullptr;
        if (const IGlyph* glyph = cache.Find(code)) return glyph;
        IGlyph glyph;
        if (!source->Render(code, glyph)) glyph = IGlyph();
        // A failed render is cached as an empty glyph so that it is not
        // retried on every frame.
        return cache.Add(code, std::move(glyph));
    }
};

ICachedFont::ICachedFont() : mImpl(new (std::nothrow) Impl) {}

ICachedFont::~ICachedFont()
{
    if (mImpl == nullptr) return;
#ifdef _WIN32
    // The glyph source uses the system font: it goes first.
    mImpl->source.reset();
    if (mImpl->systemFont != nullptr && (mImpl->flags & kOwnsSystemFont) != 0)
        DeleteObject(static_cast<HGDIOBJ>(mImpl->systemFont));
#endif
    delete mImpl;
}

bool ICachedFont::Create(const char* faceName, int heightPx, int weight, bool italic,
                         int orientation, int quality)
{
    if (mImpl == nullptr) return false;
#ifdef _WIN32
    // GDI's font quality for ours: 0 default, 1 non-anti-aliased,
    // 2 anti-aliased, 3 ClearType; anything else is the default.
    static constexpr DWORD kQualities[] = {DEFAULT_QUALITY, NONANTIALIASED_QUALITY,
                                           ANTIALIASED_QUALITY, CLEARTYPE_QUALITY};
    const DWORD gdiQuality =
        quality >= 0 && quality <= 3 ? kQualities[quality] : DWORD{DEFAULT_QUALITY};
    // A positive height is the cell height in pixels; escapement and
    // orientation are in tenths of a degree.
    HFONT font =
        CreateFontA(heightPx, 0, orientation * 10, orientation * 10, weight, italic ? TRUE : FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    gdiQuality, DEFAULT_PITCH, faceName);
    if (font == nullptr) return false;
    // From here the cached font owns the GDI font, whatever happens next.
    SetFromSystemFont(font, kOwnsSystemFont | kAllowDirectDraw);
    return HasGlyphSource();
#else
    // Text is always drawn horizontally and anti-aliased: the editor asks for
    // orientation 0 and the default quality only.
    (void)orientation;
    (void)quality;
    std::unique_ptr<IFreeTypeFace> face = IFreeTypeFace::Open(faceName, heightPx, weight, italic);
    if (!face) return false;
    SetGlyphSource(face.release());
    return true;
#endif
}

void ICachedFont::SetFromSystemFont(void* systemFont, int flags)
{
    if (mImpl == nullptr) return;
#ifdef _WIN32
    // The glyphs come from the new font; the old source, which used the old
    // font, is gone before that font is deleted.
    SetGlyphSource(IGdiGlyphSource::Open(systemFont).release());
    if (mImpl->systemFont != nullptr && mImpl->systemFont != systemFont &&
        (mImpl->flags & kOwnsSystemFont) != 0)
        DeleteObject(static_cast<HGDIOBJ>(mImpl->systemFont));
#endif
    mImpl->systemFont = systemFont;
    mImpl->flags = flags;
}

void ICachedFont::SetGlyphSource(IGlyphSource* source)
{
    if (mImpl == nullptr)
    {
        delete source;
        return;
    }
    mImpl->cache.Clear();
    mImpl->source.reset(source);
}

bool ICachedFont::HasGlyphSource() const
{
    return mImpl != nullptr && mImpl->source != nullptr;
}

std::size_t ICachedFont::CachedGlyphCount() const
{
    return mImpl != nullptr ? mImpl->cache.Count() : 0;
}

int ICachedFont::LineHeight() const
{
    return HasGlyphSource() ? mImpl->source->LineHeight() : 0;
}

int ICachedFont::TextWidth(const char* text, int length)
{
    if (!HasGlyphSource() || text == nullptr) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end =
        p + (length < 0 ? std::strlen(text) : static_cast<std::size_t>(length));
    int width = 0;
    while (p < end)
        if (const IGlyph* glyph = mImpl->Glyph(IUtf8::Next(p, end))) width += glyph->advance;
    return width;
}

int ICachedFont::DrawText(IBitmap* dest, const char* text, int length, const IRasterBox& box,
                          int flags)
{
    if (mImpl == nullptr || dest == nullptr || text == nullptr) return 0;
    const std::size_t bytes = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    if (bytes == 0) return 0;
#ifdef _WIN32
    // GDI draws the text itself when the font allows it and no foreground
    // alpha is asked for (GDI cannot scale text by an alpha), except under
    // Wine.
    if ((mImpl->flags & kAllowDirectDraw) != 0 && mImpl->systemFont != nullptr &&
        (flags & kForegroundAlpha) == 0 && !IGdiText::RunningUnderWine())
        return IGdiText::DrawDirect(mImpl->systemFont, mColour, dest, text, bytes, box, flags);
#endif
    if (!HasGlyphSource()) return 0;
    std::uint32_t* bits = dest->Bits();
    const int bitmapWidth = dest->Width();
    const int bitmapHeight = dest->Height();
    const int span = dest->RowSpan();
    if (bits == nullptr || bitmapWidth <= 0 || bitmapHeight <= 0 || span < bitmapWidth) return 0;
    const bool flipped = dest->IsFlipped();

    // Horizontal placement of the whole line's advance width.
    const int width =
        (flags & (kDtCenter | kDtRight)) != 0 ? TextWidth(text, static_cast<int>(bytes)) : 0;
    std::int64_t penX = box.left;
    if ((flags & kDtCenter) != 0)
        penX = box.left + (static_cast<std::int64_t>(box.right) - box.left - width) / 2;
    else if ((flags & kDtRight) != 0)
        penX = static_cast<std::int64_t>(box.right) - width;
    const std::int64_t baseline = static_cast<std::int64_t>(box.top) + mImpl->source->Ascent();

    // The clip: the bitmap, and the box too unless the caller lifts it.
    std::int64_t clipLeft = 0, clipTop = 0, clipRight = bitmapWidth, clipBottom = bitmapHeight;
    if ((flags & kDtNoClip) == 0)
    {
        clipLeft = std::max<std::int64_t>(clipLeft, box.left);
        clipTop = std::max<std::int64_t>(clipTop, box.top);
        clipRight = std::min<std::int64_t>(clipRight, box.right);
        clipBottom = std::min<std::int64_t>(clipBottom, box.bottom);
    }

    // Coverage c of a glyph pixel blends the colour in by c / 255:
    //   d' = d + (k - d) * c / 255 for blue, green, red;
    //   alpha' = d.a + (255 - d.a) * c / 255 (the text makes the pixel more
    //   opaque, never less).
    // With the foreground-alpha flag c is first scaled to c * A / 255.
    const int kb = static_cast<int>(mColour & 0xff);
    const int kg = static_cast<int>((mColour >> 8) & 0xff);
    const int kr = static_cast<int>((mColour >> 16) & 0xff);
    const int colourAlpha = (flags & kForegroundAlpha) != 0 ? static_cast<int>(mColour >> 24) : 255;

    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + bytes;
    while (p < end)
    {
        const IGlyph* glyph = mImpl->Glyph(IUtf8::Next(p, end));
        if (glyph == nullptr) continue;
        const std::int64_t x0 = penX + glyph->left;
        const std::int64_t y0 = baseline - glyph->top;
        penX += glyph->advance;
        const std::int64_t left = std::max(x0, clipLeft);
        const std::int64_t right = std::min(x0 + glyph->width, clipRight);
        const std::int64_t top = std::max(y0, clipTop);
        const std::int64_t bottom = std::min(y0 + glyph->height, clipBottom);
        if (left >= right || top >= bottom || colourAlpha == 0) continue;
        for (std::int64_t y = top; y < bottom; ++y)
        {
            const std::int64_t stored = flipped ? bitmapHeight - 1 - y : y;
            std::uint32_t* row = bits + stored * span;
            const std::uint8_t* coverage = glyph->coverage.data() + (y - y0) * glyph->width;
            for (std::int64_t x = left; x < right; ++x)
            {
                int c = coverage[x - x0];
                if (colourAlpha != 255) c = c * colourAlpha / 255;
                if (c == 0) continue;
                const std::uint32_t d = row[x];
                const int db = static_cast<int>(d & 0xff);
                const int dg = static_cast<int>((d >> 8) & 0xff);
                const int dr = static_cast<int>((d >> 16) & 0xff);
                const int da = static_cast<int>(d >> 24);
                row[x] = static_cast<std::uint32_t>(da + (255 - da) * c / 255) << 24 |
                         static_cast<std::uint32_t>(dr + (kr - dr) * c / 255) << 16 |
                         static_cast<std::uint32_t>(dg + (kg - dg) * c / 255) << 8 |
                         static_cast<std::uint32_t>(db + (kb - db) * c / 255);
            }
        }
    }
    return LineHeight();
}
