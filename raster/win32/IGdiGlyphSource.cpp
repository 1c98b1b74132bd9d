#include "raster/win32/IGdiGlyphSource.h"

#include "raster/win32/WindowsApi.h"

#include <cstddef>
#include <new>
#include <vector>

namespace
{

// Selects a font into a context for the length of a scope.
class SelectedFont
{
  public:
    SelectedFont(HDC dc, HFONT font) : mDc(dc), mPrevious(SelectObject(dc, font)) {}
    ~SelectedFont()
    {
        if (Ok()) SelectObject(mDc, mPrevious);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;
    bool Ok() const { return mPrevious != nullptr && mPrevious != HGDI_ERROR; }

  private:
    HDC mDc;
    HGDIOBJ mPrevious;
};

} // namespace

std::unique_ptr<IGdiGlyphSource> IGdiGlyphSource::Open(void* systemFont)
{
    if (systemFont == nullptr) return nullptr;
    std::unique_ptr<IGdiGlyphSource> source(new (std::nothrow) IGdiGlyphSource);
    if (!source) return nullptr;
    source->mFont = systemFont;
    source->mDc = CreateCompatibleDC(nullptr);
    if (source->mDc == nullptr) return nullptr;

    const HFONT font = static_cast<HFONT>(systemFont);
    LOGFONTA description = {};
    if (GetObjectA(font, sizeof(description), &description) == 0) return nullptr;
    source->mMonochrome = description.lfQuality == NONANTIALIASED_QUALITY;

    SelectedFont selected(static_cast<HDC>(source->mDc), font);
    if (!selected.Ok()) return nullptr;
    TEXTMETRICW metrics = {};
    if (!GetTextMetricsW(static_cast<HDC>(source->mDc), &metrics)) return nullptr;
    source->mAscent = metrics.tmAscent;
    source->mLineHeight = metrics.tmHeight;
    return source;
}

IGdiGlyphSource::~IGdiGlyphSource()
{
    if (mDc != nullptr) DeleteDC(static_cast<HDC>(mDc));
}

bool IGdiGlyphSource::Render(std::uint32_t code, IGlyph& glyph)
{
    if (code > 0xffff || (code >= 0xd800 && code <= 0xdfff)) return false;
    const HDC dc = static_cast<HDC>(mDc);
    SelectedFont selected(dc, static_cast<HFONT>(mFont));
    if (!selected.Ok()) return false;

    const UINT format = mMonochrome ? GGO_BITMAP : GGO_GRAY8_BITMAP;
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS metrics = {};
    const DWORD size = GetGlyphOutlineW(dc, code, format, &metrics, 0, nullptr, &identity);
    if (size == GDI_ERROR) return false;

    glyph.advance = metrics.gmCellIncX;
    glyph.left = metrics.gmptGlyphOrigin.x;
    glyph.top = metrics.gmptGlyphOrigin.y;
    glyph.width = 0;
    glyph.height = 0;
    glyph.coverage.clear();
    // A blank character (the space) has no bitmap, only its advance; GDI
    // still reports a 1 x 1 black box for it.
    const int width = static_cast<int>(metrics.gmBlackBoxX);
    const int height = static_cast<int>(metrics.gmBlackBoxY);
    if (size == 0 || width <= 0 || height <= 0) return true;

    // Rows are DWORD-aligned: a byte per pixel for the grey levels, a bit per
    // pixel (most significant first) for monochrome.
    const std::size_t pitch = mMonochrome ? (static_cast<std::size_t>(width) + 31) / 32 * 4
                                          : (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    if (size < pitch * height) return false;
    std::vector<std::uint8_t> bits;
    try
    {
        bits.resize(size);
        glyph.coverage.resize(static_cast<std::size_t>(width) * height);
    }
    catch (const std::bad_alloc&)
    {
        glyph.coverage.clear();
        return false;
    }
    if (GetGlyphOutlineW(dc, code, format, &metrics, size, bits.data(), &identity) == GDI_ERROR)
    {
        glyph.coverage.clear();
        return false;
    }
    for (int y = 0; y < height; ++y)
    {
        const std::uint8_t* row = bits.data() + y * pitch;
        std::uint8_t* out = glyph.coverage.data() + static_cast<std::size_t>(y) * width;
        if (mMonochrome)
        {
            for (int x = 0; x < width; ++x)
                out[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
        }
        else
        {
            // 65 levels: 0..64 scaled to 0..255, rounded; 64 is full coverage.
            for (int x = 0; x < width; ++x)
            {
                const int level = row[x] > 64 ? 64 : row[x];
                out[x] = static_cast<std::uint8_t>((level * 255 + 32) / 64);
            }
        }
    }
    glyph.width = width;
    glyph.height = height;
    return true;
}
