#pragma once

#include "raster/IBitmap.h"

#include <cstdint>

// A bitmap that GDI can draw into: a 32-bit top-down DIB section (BI_RGB,
// bytes blue, green, red, alpha as in every IBitmap) selected into a memory
// device context that is created once with the bitmap and lives as long as
// it. The window layer copies it to the screen through DeviceContext(); the
// direct text path draws into it with GDI.
//
// Storage: the DIB section is allocated with its width rounded up to a
// multiple of 4, which is also the row span. Resize keeps the section while
// the new size fits into the allocated one (only the reported size changes,
// the row span stays that of the section) and recreates it at the new size
// (width rounded up to 4) otherwise; a zero or negative side leaves no pixels
// (0 x 0). When a section cannot be created the bitmap is left empty as
// well: it never reports a size without pixels behind it. Pixel contents
// after a resize are unspecified.
//
// Before reading pixels that GDI drew, call GdiFlush (the direct text path
// does). GUI thread only.
class ISystemBitmap : public IBitmap
{
  public:
    ISystemBitmap(int width = 0, int height = 0);
    ~ISystemBitmap() override;
    ISystemBitmap(const ISystemBitmap&) = delete;
    ISystemBitmap& operator=(const ISystemBitmap&) = delete;

    std::uint32_t* Bits() override;
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    int RowSpan() const override { return mAllocatedWidth; }
    bool Resize(int width, int height) override;
    // The memory device context (HDC) with the section selected; null only
    // when the context itself could not be created.
    void* DeviceContext() override { return mDc; }

    // Size of the DIB section behind the pixels (for tests of the resize
    // rules).
    int AllocatedWidth() const { return mAllocatedWidth; }
    int AllocatedHeight() const { return mAllocatedHeight; }

  private:
    void ReleaseSection();
    bool CreateSection(int width, int height);

    void* mDc = nullptr;            // HDC
    void* mSection = nullptr;       // HBITMAP, selected into mDc while set
    void* mInitialBitmap = nullptr; // the context's own bitmap, put back before deletion
    std::uint32_t* mBits = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mAllocatedWidth = 0;
    int mAllocatedHeight = 0;
};
