#pragma once

#include <cstdint>

// How the X server wants the pixels of a window: a TrueColor visual's channel
// masks, the bits per pixel of its depth, the row padding and the byte order
// of image data. Converts rows of the off-screen bitmap (0xAARRGGBB values)
// into that layout. Knows nothing of X itself, so it is tested on its own.
struct IX11PixelFormat
{
    int depth = 24;
    int bitsPerPixel = 32; // 16, 24 or 32
    int scanlinePad = 32;  // bits
    bool msbFirst = false; // server image byte order
    std::uint32_t redMask = 0xff0000u;
    std::uint32_t greenMask = 0x00ff00u;
    std::uint32_t blueMask = 0x0000ffu;

    // Every layout this class can write: 16, 24 or 32 bits per pixel with
    // three non-empty masks of at most 16 bits each.
    bool IsSupported() const;
    // True when a row can be copied as it is: 32 bits, little-endian, the
    // masks 0xff0000/0xff00/0xff and no alpha bits in the depth (the server
    // ignores the top byte of a 24-bit depth).
    bool IsMemoryLayout() const;
    int BytesPerPixel() const { return bitsPerPixel / 8; }
    // Bytes of one row of width pixels, padded to the scanline unit.
    int BytesPerRow(int width) const;
    // Writes count pixels from src (0xAARRGGBB) to dst in the server's layout.
    // Each channel is scaled from 0..255 to its mask's range with rounding,
    // c * max / 255 to the nearest integer; bits of the depth outside the
    // three masks (alpha of a 32-bit visual) are set, so the pixel is opaque.
    void ConvertRow(const std::uint32_t* src, int count, std::uint8_t* dst) const;
};
