#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class IMemoryBitmap;

// A PNG image decoded from memory into 32-bit pixels, the raster layer's
// pixel format: each pixel is the value 0xAARRGGBB (bytes in memory blue,
// green, red, alpha on little-endian machines), colours not premultiplied by
// alpha, rows from top to bottom. Every PNG colour type and bit depth is
// brought to that format: palettes and grey are expanded to RGB, a tRNS chunk
// becomes alpha, 16-bit samples keep their high byte, and images without
// alpha are opaque (255).
//
// GUI thread only; an image is a plain value and owns its pixels.
class IPngImage
{
  public:
    // The decoder refuses images wider or taller than this before allocating
    // anything: the panel's largest image is 3584 pixels tall, and a corrupt
    // or hostile header must not make us reserve gigabytes.
    static constexpr int kMaxSide = 32768;
    // Nor more pixels in all than this (64 MB decoded): a header within both
    // side limits could still ask for 4 GB.
    static constexpr std::uint32_t kMaxPixels = 1u << 24;

    // Pixels from one row to the next: the width rounded up to a multiple of
    // 4, the row alignment the editor's bitmaps use.
    static int RowSpanFor(int width) { return (width + 3) & ~3; }

    // True when the data begins with the 8-byte PNG signature.
    static bool HasSignature(const void* data, std::size_t size);

    // Decodes a whole PNG stream. On any failure (no signature, corrupt or
    // truncated data, image too large, out of memory) returns false and leaves
    // the image empty.
    bool Decode(const void* data, std::size_t size);

    // Decodes a whole PNG stream into a new memory bitmap (row alignment 4,
    // pixels as above, padding pixels 0) owned by the caller; null on any
    // failure, as for Decode.
    static IMemoryBitmap* DecodeBitmap(const void* data, std::size_t size);

    bool IsEmpty() const { return mWidth == 0; }
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    int RowSpan() const { return RowSpanFor(mWidth); }
    // First pixel of the top row; null while empty. The padding pixels at the
    // end of each row are 0.
    const std::uint32_t* Pixels() const { return mPixels.empty() ? nullptr : mPixels.data(); }
    // Pixel at column x of row y (0,0 = top left); both must be inside.
    std::uint32_t Pixel(int x, int y) const
    {
        return mPixels[static_cast<std::size_t>(y) * RowSpan() + x];
    }

  private:
    int mWidth = 0;
    int mHeight = 0;
    std::vector<std::uint32_t> mPixels;
};
