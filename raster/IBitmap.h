#pragma once

#include <cstdint>

// A 32-bit raster image: each pixel is the value 0xAARRGGBB (bytes in memory
// blue, green, red, alpha), colours not premultiplied by alpha, rows from top
// to bottom unless IsFlipped says otherwise.
//
// The slot order below is fixed; the window layers add kinds of their own
// (a Windows DIB section, an X11 shared-memory image) behind it.
// GUI thread only.
class IBitmap
{
  public:
    virtual ~IBitmap() {}
    // First pixel of the top row; null while the bitmap holds no pixels.
    virtual std::uint32_t* Bits() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Pixels from one row to the next (at least Width()).
    virtual int RowSpan() const = 0;
    virtual bool IsFlipped() const { return false; }
    // Returns false when the size did not change.
    virtual bool Resize(int width, int height) = 0;
    // The platform drawing context that owns the pixels (a Win32 memory DC),
    // or null.
    virtual void* DeviceContext() { return nullptr; }
    virtual void* Extra() { return nullptr; }
};
