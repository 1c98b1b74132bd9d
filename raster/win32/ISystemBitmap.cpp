#include "raster/win32/ISystemBitmap.h"

#include "raster/win32/WindowsApi.h"

#include <cstdint>
#include <limits>

ISystemBitmap::ISystemBitmap(int width, int height)
{
    mDc = CreateCompatibleDC(nullptr);
    Resize(width, height);
}

ISystemBitmap::~ISystemBitmap()
{
    ReleaseSection();
    if (mDc != nullptr) DeleteDC(static_cast<HDC>(mDc));
}

std::uint32_t* ISystemBitmap::Bits()
{
    return mWidth > 0 && mHeight > 0 ? mBits : nullptr;
}

void ISystemBitmap::ReleaseSection()
{
    if (mSection != nullptr)
    {
        // A bitmap still selected into a context cannot be deleted.
        if (mInitialBitmap != nullptr)
            SelectObject(static_cast<HDC>(mDc), static_cast<HGDIOBJ>(mInitialBitmap));
        DeleteObject(static_cast<HGDIOBJ>(mSection));
    }
    mSection = nullptr;
    mInitialBitmap = nullptr;
    mBits = nullptr;
    mAllocatedWidth = mAllocatedHeight = 0;
}

bool ISystemBitmap::CreateSection(int width, int height)
{
    if (mDc == nullptr) return false;
    // Row span in pixels: the width rounded up to a multiple of 4. The
    // section's byte size must fit GDI's 32-bit sizes.
    const std::int64_t span = (static_cast<std::int64_t>(width) + 3) & ~std::int64_t{3};
    if (span * height > std::numeric_limits<std::int32_t>::max() / 4) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = static_cast<LONG>(span);
    info.bmiHeader.biHeight = -height; // negative: rows from top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section =
        CreateDIBSection(static_cast<HDC>(mDc), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr || bits == nullptr)
    {
        if (section != nullptr) DeleteObject(section);
        return false;
    }
    HGDIOBJ previous = SelectObject(static_cast<HDC>(mDc), section);
    if (previous == nullptr || previous == HGDI_ERROR)
    {
        DeleteObject(section);
        return false;
    }
    mSection = section;
    mInitialBitmap = previous;
    mBits = static_cast<std::uint32_t*>(bits);
    mAllocatedWidth = static_cast<int>(span);
    mAllocatedHeight = height;
    return true;
}

bool ISystemBitmap::Resize(int width, int height)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (width == mWidth && height == mHeight) return false;
    const bool wasEmpty = mWidth == 0 && mHeight == 0;

    if (width > 0 && height > 0)
    {
        if (width <= mAllocatedWidth && height <= mAllocatedHeight)
        {
            mWidth = width;
            mHeight = height;
            return true;
        }
        ReleaseSection();
        if (CreateSection(width, height))
        {
            mWidth = width;
            mHeight = height;
            return true;
        }
    }
    ReleaseSection();
    mWidth = mHeight = 0;
    return !wasEmpty;
}
