// Stand-in for the raster layer's memory bitmap (see README.md).
#include "raster/IMemoryBitmap.h"

#include <cstdlib>

IMemoryBitmap::IMemoryBitmap(int width, int height, int rowAlignment) : mAlignment(rowAlignment)
{
    Resize(width, height);
}

IMemoryBitmap::~IMemoryBitmap()
{
    std::free(mBits);
}

std::uint32_t* IMemoryBitmap::Bits()
{
    return mWidth > 0 && mHeight > 0 ? mBits : nullptr;
}

bool IMemoryBitmap::Resize(int width, int height)
{
    if (width == mWidth && height == mHeight) return false;
    std::free(mBits);
    mBits = nullptr;
    mAllocated = 0;
    mWidth = width > 0 ? width : 0;
    mHeight = height > 0 ? height : 0;
    mRowSpan = (mWidth + 3) & ~3;
    if (mWidth && mHeight)
    {
        mAllocated = static_cast<std::size_t>(mRowSpan) * mHeight * 4 + 63;
        mBits = static_cast<std::uint32_t*>(std::calloc(1, mAllocated));
    }
    return true;
}
