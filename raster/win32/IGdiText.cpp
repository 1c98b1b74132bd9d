#include "raster/win32/IGdiText.h"

#include "raster/win32/ISystemBitmap.h"

#include "raster/win32/WindowsApi.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace
{

// Flags of the cached font that are not DrawText's.
constexpr int kForegroundAlpha = 0x40000000;

// The scratch bitmap that gives a device context to bitmaps without one.
// Process-wide, created on first use, freed when the module unloads.
struct Scratch
{
    std::mutex mutex;
    ISystemBitmap bitmap;
};

Scratch& TheScratch()
{
    static Scratch scratch;
    return scratch;
}

// Copies the rows of a bitmap as they appear on screen (top row first
// whether or not the bitmap stores them flipped).
void CopyRows(IBitmap* from, IBitmap* to, int width, int height)
{
    const std::uint32_t* source = from->Bits();
    std::uint32_t* target = to->Bits();
    for (int y = 0; y < height; ++y)
    {
        const int fromRow = from->IsFlipped() ? from->Height() - 1 - y : y;
        const int toRow = to->IsFlipped() ? to->Height() - 1 - y : y;
        std::memcpy(target + static_cast<std::ptrdiff_t>(toRow) * to->RowSpan(),
                    source + static_cast<std::ptrdiff_t>(fromRow) * from->RowSpan(),
                    static_cast<std::size_t>(width) * 4);
    }
}

// DrawTextA for plain ASCII; DrawTextW after UTF-8 -> UTF-16 otherwise (the
// 64-bit build only runs on the NT family, where DrawTextW is native).
int DrawString(HDC dc, const char* text, int bytes, RECT* rect, UINT format)
{
    bool multiByte = false;
    for (int i = 0; i < bytes && !multiByte; ++i)
        multiByte = static_cast<unsigned char>(text[i]) >= 0x80;
    if (!multiByte) return DrawTextA(dc, text, bytes, rect, format);

    // Up to 1024 UTF-16 units on the stack, on the heap for longer text.
    constexpr int kStackUnits = 1024;
    wchar_t stackUnits[kStackUnits];
    int units = MultiByteToWideChar(CP_UTF8, 0, text, bytes, stackUnits, kStackUnits);
    if (units > 0) return DrawTextW(dc, stackUnits, units, rect, format);
    units = MultiByteToWideChar(CP_UTF8, 0, text, bytes, nullptr, 0);
    if (units <= 0) return 0;
    std::unique_ptr<wchar_t[]> heapUnits(new (std::nothrow) wchar_t[units]);
    if (!heapUnits) return 0;
    units = MultiByteToWideChar(CP_UTF8, 0, text, bytes, heapUnits.get(), units);
    return units > 0 ? DrawTextW(dc, heapUnits.get(), units, rect, format) : 0;
}

// Draws into dc, clipped to the top-left width x height pixels: the part of
// the section that the bitmap reports (a shrunk system bitmap, or the
// scratch, may hold more).
int DrawIntoContext(HDC dc, int width, int height, HFONT font, std::uint32_t argb, const char* text,
                    int bytes, const IRasterBox& box, int flags)
{
    const int saved = SaveDC(dc);
    if (saved == 0) return 0;
    IntersectClipRect(dc, 0, 0, width, height);
    int drawn = 0;
    const HGDIOBJ previous = SelectObject(dc, font);
    if (previous != nullptr && previous != HGDI_ERROR)
    {
        SetTextColor(dc, RGB((argb >> 16) & 0xff, (argb >> 8) & 0xff, argb & 0xff));
        SetBkMode(dc, TRANSPARENT);
        RECT rect = {box.left, box.top, box.right, box.bottom};
        const UINT format = static_cast<UINT>(flags & ~kForegroundAlpha) | DT_NOPREFIX;
        drawn = DrawString(dc, text, bytes, &rect, format);
    }
    RestoreDC(dc, saved);
    // GDI may batch its drawing: the pixels must be in the bitmap before the
    // caller (or the copy back below) reads them.
    GdiFlush();
    return drawn;
}

} // namespace

namespace IGdiText
{

bool RunningUnderWine()
{
    static const bool underWine = []
    {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }();
    return underWine;
}

int DrawDirect(void* systemFont, std::uint32_t argb, IBitmap* dest, const char* text,
               std::size_t bytes, const IRasterBox& box, int flags)
{
    if (systemFont == nullptr || dest == nullptr || text == nullptr || bytes == 0) return 0;
    const int width = dest->Width();
    const int height = dest->Height();
    if (dest->Bits() == nullptr || width <= 0 || height <= 0) return 0;
    const int length = static_cast<int>(std::min<std::size_t>(bytes, INT_MAX));
    const HFONT font = static_cast<HFONT>(systemFont);

    if (void* dc = dest->DeviceContext())
        return DrawIntoContext(static_cast<HDC>(dc), width, height, font, argb, text, length, box,
                               flags);

    // The text may reach past its box (DT_NOCLIP, wide text centred), so the
    // whole bitmap makes the round trip.
    Scratch& scratch = TheScratch();
    std::lock_guard<std::mutex> lock(scratch.mutex);
    ISystemBitmap& bitmap = scratch.bitmap;
    bitmap.Resize(std::max(width, bitmap.Width()), std::max(height, bitmap.Height()));
    if (bitmap.Bits() == nullptr || bitmap.Width() < width || bitmap.Height() < height ||
        bitmap.DeviceContext() == nullptr)
        return 0;
    CopyRows(dest, &bitmap, width, height);
    const int drawn = DrawIntoContext(static_cast<HDC>(bitmap.DeviceContext()), width, height, font,
                                      argb, text, length, box, flags);
    CopyRows(&bitmap, dest, width, height);
    return drawn;
}

} // namespace IGdiText
