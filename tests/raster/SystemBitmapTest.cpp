// The DIB-section bitmap of the Windows build.
#ifdef _WIN32

#include "raster/win32/ISystemBitmap.h"

#include "raster/win32/WindowsApi.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace
{

// What GDI itself says about the bitmap selected into the context.
DIBSECTION SelectedSection(ISystemBitmap& bitmap)
{
    DIBSECTION section = {};
    HGDIOBJ selected = GetCurrentObject(static_cast<HDC>(bitmap.DeviceContext()), OBJ_BITMAP);
    EXPECT_EQ(GetObjectA(selected, sizeof(section), &section), int{sizeof(section)});
    return section;
}

} // namespace

TEST(SystemBitmap, IsATopDown32BitSectionSelectedIntoItsContext)
{
    ISystemBitmap bitmap(10, 5);
    ASSERT_NE(bitmap.DeviceContext(), nullptr);
    ASSERT_NE(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.Width(), 10);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_EQ(bitmap.RowSpan(), 12);
    EXPECT_FALSE(bitmap.IsFlipped());
    const DIBSECTION section = SelectedSection(bitmap);
    EXPECT_EQ(section.dsBm.bmBits, bitmap.Bits());
    EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(section.dsBmih.biWidth, 12);
    EXPECT_EQ(section.dsBm.bmWidthBytes, 12 * 4);
    EXPECT_EQ(section.dsBmih.biCompression, DWORD{BI_RGB});
}

TEST(SystemBitmap, GdiDrawingThroughTheContextLandsInTheRowsTopDownAsArgb)
{
    ISystemBitmap bitmap(7, 6);
    HDC dc = static_cast<HDC>(bitmap.DeviceContext());
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x)
            bitmap.Bits()[y * bitmap.RowSpan() + x] = 0;
    // COLORREF is 0x00BBGGRR; the bitmap's pixel is 0xAARRGGBB.
    SetPixelV(dc, 2, 0, RGB(0x12, 0x34, 0x56));
    SetPixelV(dc, 6, 4, RGB(0xab, 0xcd, 0xef));
    RECT rect = {1, 5, 4, 6};
    HBRUSH brush = CreateSolidBrush(RGB(0xff, 0x00, 0x80));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
    GdiFlush();
    const std::uint32_t* bits = bitmap.Bits();
    const int span = bitmap.RowSpan();
    EXPECT_EQ(bits[0 * span + 2] & 0xffffffu, 0x123456u);
    EXPECT_EQ(bits[4 * span + 6] & 0xffffffu, 0xabcdefu);
    for (int x = 1; x < 4; ++x)
        EXPECT_EQ(bits[5 * span + x] & 0xffffffu, 0xff0080u);
    EXPECT_EQ(bits[5 * span + 0], 0u);
    EXPECT_EQ(bits[5 * span + 4], 0u);
    EXPECT_EQ(bits[0 * span + 3], 0u);
}

TEST(SystemBitmap, ResizeKeepsTheSectionWhileTheSizeFitsAndRecreatesItOtherwise)
{
    ISystemBitmap bitmap(10, 5);
    std::uint32_t* const first = bitmap.Bits();
    void* const dc = bitmap.DeviceContext();
    EXPECT_FALSE(bitmap.Resize(10, 5));

    // Smaller: only the reported size changes; rows stay 12 pixels apart.
    EXPECT_TRUE(bitmap.Resize(6, 3));
    EXPECT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(bitmap.Height(), 3);
    EXPECT_EQ(bitmap.RowSpan(), 12);
    EXPECT_EQ(bitmap.Bits(), first);
    EXPECT_TRUE(bitmap.Resize(12, 5)); // the full allocated width still fits
    EXPECT_EQ(bitmap.Bits(), first);

    // Taller: a new section at exactly the new size, in the same context.
    EXPECT_TRUE(bitmap.Resize(12, 6));
    EXPECT_EQ(bitmap.AllocatedWidth(), 12);
    EXPECT_EQ(bitmap.AllocatedHeight(), 6);
    EXPECT_TRUE(bitmap.Resize(13, 2));
    EXPECT_EQ(bitmap.AllocatedWidth(), 16);
    EXPECT_EQ(bitmap.AllocatedHeight(), 2);
    EXPECT_EQ(bitmap.RowSpan(), 16);
    EXPECT_EQ(bitmap.DeviceContext(), dc);
    const DIBSECTION section = SelectedSection(bitmap);
    EXPECT_EQ(section.dsBm.bmBits, bitmap.Bits());
    EXPECT_EQ(section.dsBmih.biWidth, 16);
    // Wine reports the height without the top-down sign; the row order is
    // what the drawing test checks.
    EXPECT_EQ(section.dsBmih.biHeight < 0 ? -section.dsBmih.biHeight : section.dsBmih.biHeight, 2);
    // The pixels are writable to the last one.
    bitmap.Bits()[1 * 16 + 15] = 0xffffffffu;
}

TEST(SystemBitmap, AZeroOrNegativeSideLeavesNoPixels)
{
    ISystemBitmap bitmap(8, 8);
    EXPECT_TRUE(bitmap.Resize(0, 8));
    EXPECT_EQ(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.AllocatedWidth(), 0);
    EXPECT_FALSE(bitmap.Resize(-3, 4));
    EXPECT_NE(bitmap.DeviceContext(), nullptr);
    // Growing again from nothing.
    EXPECT_TRUE(bitmap.Resize(3, 3));
    ASSERT_NE(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.RowSpan(), 4);

    ISystemBitmap empty;
    EXPECT_EQ(empty.Bits(), nullptr);
    EXPECT_NE(empty.DeviceContext(), nullptr);
}

TEST(SystemBitmap, ASizeGdiCannotHoldLeavesTheBitmapEmptyNotHalfSized)
{
    ISystemBitmap bitmap(4, 4);
    // 2^31 bytes and more: no section can be made.
    EXPECT_TRUE(bitmap.Resize(65536, 65536));
    EXPECT_EQ(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_TRUE(bitmap.Resize(4, 4));
    EXPECT_NE(bitmap.Bits(), nullptr);
}

#endif
