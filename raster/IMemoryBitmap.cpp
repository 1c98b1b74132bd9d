#include "raster/IMemoryBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace
{

// The alignment as a power of two between 1 and 16; a value that is no power
// of two is rounded up to the next one.
int NormalisedAlignment(int alignment)
{
    if (alignment < 2) return 1;
    if (alignment >= 16) return 16;
    int a = 2;
    while (a < alignment)
        a <<= 1;
    return a;
}

} // namespace

IMemoryBitmap::IMemoryBitmap(int width, int height, int rowAlignment)
    : mAlignment(NormalisedAlignment(rowAlignment))
{
    Resize(width, height);
}

IMemoryBitmap::~IMemoryBitmap()
{
    Release();
}

void* IMemoryBitmap::AllocateBlock(std::size_t bytes)
{
    return std::malloc(bytes);
}

std::uint32_t* IMemoryBitmap::Bits()
{
    return mWidth > 0 && mHeight > 0 ? mBits : nullptr;
}

void IMemoryBitmap::Release()
{
    std::free(mBits);
    mBits = nullptr;
    mAllocated = 0;
}

bool IMemoryBitmap::Resize(int width, int height)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (width == mWidth && height == mHeight) return false;

    const int oldWidth = mWidth;
    const int oldHeight = mHeight;
    auto empty = [&]
    {
        Release();
        mWidth = mHeight = mRowSpan = 0;
        return oldWidth != 0 || oldHeight != 0;
    };
    if (width == 0 || height == 0) return empty();

    // Row span and block size in 64 bits; a size the address space cannot
    // hold fails like any other allocation.
    const std::int64_t span = (static_cast<std::int64_t>(width) + mAlignment - 1) &
                              ~static_cast<std::int64_t>(mAlignment - 1);
    if (span > std::numeric_limits<int>::max()) return empty();
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(span) * static_cast<std::uint64_t>(height);
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()) / 8;
    if (pixels > limit / 4) return empty();
    const std::size_t need = static_cast<std::size_t>(pixels * 4 + kSlackBytes);

    if (need > mAllocated)
    {
        Release();
        const std::size_t grown = need + need / 4;
        void* block = AllocateBlock(grown);
        std::size_t got = grown;
        if (block == nullptr)
        {
            block = AllocateBlock(need);
            got = need;
        }
        if (block == nullptr) return empty();
        mBits = static_cast<std::uint32_t*>(block);
        mAllocated = got;
    }
    mWidth = width;
    mHeight = height;
    mRowSpan = static_cast<int>(span);
    return true;
}
