#pragma once

#include "raster/IBitmap.h"

#include <cstddef>
#include <cstdint>

// A bitmap in one heap block: row span = width rounded up to the row
// alignment (a power of two; below 2 none, above 16 counts as 16), plus 63
// bytes of slack after the last row. Resize keeps the block while it is large
// enough, grows it to 5/4 of the need otherwise (exactly the need when that
// fails) and frees it at zero size. When even the exact need cannot be had
// the bitmap is left empty (0 x 0, no pixels); it never holds a size without
// the pixels behind it. Pixel contents after a resize are unspecified.
class IMemoryBitmap : public IBitmap
{
  public:
    explicit IMemoryBitmap(int width = 0, int height = 0, int rowAlignment = 4);
    ~IMemoryBitmap() override;
    IMemoryBitmap(const IMemoryBitmap&) = delete;
    IMemoryBitmap& operator=(const IMemoryBitmap&) = delete;

    std::uint32_t* Bits() override;
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    int RowSpan() const override { return mRowSpan; }
    // Negative sides count as 0. Returns whether the reported size changed.
    bool Resize(int width, int height) override;

    // Bytes held by the block (for tests of the growth rule).
    std::size_t AllocatedBytes() const { return mAllocated; }
    // The row alignment in effect (1, 2, 4, 8 or 16).
    int RowAlignment() const { return mAlignment; }

    // Bytes behind the last row that reads may touch without harm.
    static constexpr std::size_t kSlackBytes = 63;

  protected:
    // The block's allocator, malloc by default; a test overrides it to see
    // how a failed allocation is handled. Whatever it returns is released
    // with std::free. The constructor's first allocation always uses this
    // base version (the derived part does not exist yet).
    virtual void* AllocateBlock(std::size_t bytes);

  private:
    void Release();

    int mWidth = 0;
    int mHeight = 0;
    int mRowSpan = 0;
    int mAlignment = 4;
    std::uint32_t* mBits = nullptr;
    std::size_t mAllocated = 0;
};
