#include "gui/x11/IX11PixelFormat.h"

#include <cstring>
#include <initializer_list>

namespace
{
int ShiftOf(std::uint32_t mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1u) == 0)
    {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int BitsOf(std::uint32_t mask)
{
    int bits = 0;
    for (; mask != 0; mask &= mask - 1) ++bits;
    return bits;
}

// One channel of a mask: 8-bit value c scaled to the mask's maximum with
// rounding to nearest (c * max / 255 + 1/2, in integers).
struct Channel
{
    int shift;
    std::uint32_t max;

    explicit Channel(std::uint32_t mask) : shift(ShiftOf(mask)), max(mask >> ShiftOf(mask)) {}
    std::uint32_t Place(std::uint32_t c) const { return ((c * max + 127u) / 255u) << shift; }
};

std::uint32_t DepthMask(int depth)
{
    return depth >= 32 ? 0xffffffffu : ((1u << depth) - 1u);
}
} // namespace

bool IX11PixelFormat::IsSupported() const
{
    if (bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    if (depth <= 0 || depth > bitsPerPixel) return false;
    if (scanlinePad != 8 && scanlinePad != 16 && scanlinePad != 32) return false;
    for (std::uint32_t m : {redMask, greenMask, blueMask})
    {
        const int bits = BitsOf(m);
        if (bits == 0 || bits > 16) return false;
        // A mask must be one run of bits.
        if (((m >> ShiftOf(m)) & ((m >> ShiftOf(m)) + 1u)) != 0) return false;
    }
    return true;
}

bool IX11PixelFormat::IsMemoryLayout() const
{
    return bitsPerPixel == 32 && !msbFirst && redMask == 0xff0000u && greenMask == 0xff00u &&
           blueMask == 0xffu && depth <= 24;
}

int IX11PixelFormat::BytesPerRow(int width) const
{
    const int bits = width * bitsPerPixel;
    return (bits + scanlinePad - 1) / scanlinePad * (scanlinePad / 8);
}

void IX11PixelFormat::ConvertRow(const std::uint32_t* src, int count, std::uint8_t* dst) const
{
    if (IsMemoryLayout())
    {
        std::memcpy(dst, src, static_cast<std::size_t>(count) * 4);
        return;
    }
    const Channel r(redMask), g(greenMask), b(blueMask);
    const std::uint32_t spare = DepthMask(depth) & ~(redMask | greenMask | blueMask);
    const int bytes = BytesPerPixel();
    for (int i = 0; i < count; ++i)
    {
        const std::uint32_t argb = src[i];
        const std::uint32_t v = r.Place((argb >> 16) & 0xffu) | g.Place((argb >> 8) & 0xffu) |
                                b.Place(argb & 0xffu) | spare;
        for (int k = 0; k < bytes; ++k)
        {
            const int shift = msbFirst ? 8 * (bytes - 1 - k) : 8 * k;
            dst[k] = static_cast<std::uint8_t>(v >> shift);
        }
        dst += bytes;
    }
}
