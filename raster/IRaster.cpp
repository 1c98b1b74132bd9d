#include "raster/IRaster.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

// Pixels are 0xAARRGGBB values; channel c of a pixel is (p >> 8c) & 0xff with
// c = 0 blue, 1 green, 2 red, 3 alpha. Every divide by 256 below is C's
// integer division of a signed value, i.e. it truncates toward zero; that is
// what "x / 256" in the formulas of this file means, and the tests' naive
// references spell it the same way.

namespace
{

// A bitmap's pixels as this file walks them: a valid surface has pixels and
// a row span at least as wide as a row.
struct Surface
{
    std::uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int span = 0;
    bool flipped = false;

    // Row y counted from the top of the image. A flipped bitmap stores its
    // rows bottom-up from the start of its block.
    std::uint32_t* Row(int y) const
    {
        const int stored = flipped ? height - 1 - y : y;
        return bits + static_cast<std::ptrdiff_t>(stored) * span;
    }
};

bool Open(IBitmap* bitmap, Surface& out)
{
    if (bitmap == nullptr) return false;
    out.bits = bitmap->Bits();
    out.width = bitmap->Width();
    out.height = bitmap->Height();
    out.span = bitmap->RowSpan();
    out.flipped = bitmap->IsFlipped();
    return out.bits != nullptr && out.width > 0 && out.height > 0 && out.span >= out.width;
}

inline int Channel(std::uint32_t p, int shift)
{
    return static_cast<int>((p >> shift) & 0xffu);
}

inline std::uint32_t Pack(int b, int g, int r, int a)
{
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// s + (d - s) * keep / 256: blend toward s keeping keep/256 of d.
inline int Toward(int s, int d, int keep)
{
    return s + (d - s) * keep / 256;
}

// Per-byte halves and quarters of a packed pixel, each byte on its own.
inline std::uint32_t Half(std::uint32_t p)
{
    return (p >> 1) & 0x7f7f7f7fu;
}
inline std::uint32_t Quarter(std::uint32_t p)
{
    return (p >> 2) & 0x3f3f3f3fu;
}

// The opacity of the fill: weight (times A / 255 with the alpha flag) in
// 256ths, truncated. Blits of add and dodge use the same value per source
// alpha so that a blit of one pixel matches a fill with that pixel's colour.
int FillAlpha(float weight, int colourAlpha, bool useAlpha)
{
    float w = weight;
    if (useAlpha) w = weight * (static_cast<float>(colourAlpha) / 255.0f);
    return static_cast<int>(w * 256.0f);
}

// Saturating add of k * alpha / 256.
inline int AddChannel(int d, int k, int alpha)
{
    return std::min(255, d + k * alpha / 256);
}

// Colour dodge: d * 256 / (256 - k * alpha / 256), saturating; a divisor
// below 2 saturates every non-zero d.
inline int DodgeChannel(int d, int k, int alpha)
{
    const int t = k * alpha / 256;
    if (t > 254) return d > 0 ? 255 : 0;
    return std::min(255, d * 256 / (256 - t));
}

// The area both bitmaps agree on, after clipping.
struct Area
{
    int destX, destY, sourceX, sourceY, width, height;
};

// Weight as the integer 0..256 the pixel arithmetic uses; false when nothing
// is to be drawn (0, negative or not a number). Weights above 1 count as 1.
bool IntegerWeight(float& weight, int& w)
{
    if (!(weight > 0.0f)) return false;
    if (weight > 1.0f) weight = 1.0f;
    w = static_cast<int>(weight * 256.0f);
    return true;
}

// Runs f(destPixel&, sourcePixel) over every pixel of the area, row by row.
template <class F> void ForEach(const Surface& dest, const Surface& source, const Area& a, F f)
{
    for (int y = 0; y < a.height; ++y)
    {
        std::uint32_t* d = dest.Row(a.destY + y) + a.destX;
        const std::uint32_t* s = source.Row(a.sourceY + y) + a.sourceX;
        for (int x = 0; x < a.width; ++x)
            f(d[x], s[x]);
    }
}

template <class F> void ForEachDest(const Surface& dest, int x0, int y0, int width, int height, F f)
{
    for (int y = 0; y < height; ++y)
    {
        std::uint32_t* d = dest.Row(y0 + y) + x0;
        for (int x = 0; x < width; ++x)
            f(d[x]);
    }
}

void BlitCopy(const Surface& dest, const Surface& source, const Area& a, float weight, int w)
{
    if (w == 256)
    {
        for (int y = 0; y < a.height; ++y)
            std::memcpy(dest.Row(a.destY + y) + a.destX, source.Row(a.sourceY + y) + a.sourceX,
                        static_cast<std::size_t>(a.width) * 4);
        return;
    }
    if (weight == 0.5f)
    {
        // The per-byte average (s >> 1) + (d >> 1).
        ForEach(dest, source, a, [](std::uint32_t& d, std::uint32_t s) { d = Half(s) + Half(d); });
        return;
    }
    // d' = s + (d - s) * (256 - w) / 256 on all four channels.
    const int keep = 256 - w;
    ForEach(dest, source, a,
            [keep](std::uint32_t& d, std::uint32_t s)
            {
                d = Pack(Toward(Channel(s, 0), Channel(d, 0), keep),
                         Toward(Channel(s, 8), Channel(d, 8), keep),
                         Toward(Channel(s, 16), Channel(d, 16), keep),
                         Toward(Channel(s, 24), Channel(d, 24), keep));
            });
}

void BlitCopySourceAlpha(const Surface& dest, const Surface& source, const Area& a, int w)
{
    if (w == 256)
    {
        // Opaque pixels replace, transparent ones leave d; in between each
        // colour is s + (d - s) * (255 - a) / 256 and alpha min(255, d.a + a).
        ForEach(dest, source, a,
                [](std::uint32_t& d, std::uint32_t s)
                {
                    const int alpha = static_cast<int>(s >> 24);
                    if (alpha == 0) return;
                    if (alpha == 255)
                    {
                        d = s;
                        return;
                    }
                    const int keep = 255 - alpha;
                    d = Pack(Toward(Channel(s, 0), Channel(d, 0), keep),
                             Toward(Channel(s, 8), Channel(d, 8), keep),
                             Toward(Channel(s, 16), Channel(d, 16), keep),
                             std::min(255, Channel(d, 24) + alpha));
                });
        return;
    }
    // h = w * (a + 1) / 256; colour s + (d - s) * (256 - h) / 256, alpha
    // min(255, d.a + h).
    ForEach(dest, source, a,
            [w](std::uint32_t& d, std::uint32_t s)
            {
                const int alpha = static_cast<int>(s >> 24);
                if (alpha == 0) return;
                const int h = w * (alpha + 1) / 256;
                const int keep = 256 - h;
                d = Pack(Toward(Channel(s, 0), Channel(d, 0), keep),
                         Toward(Channel(s, 8), Channel(d, 8), keep),
                         Toward(Channel(s, 16), Channel(d, 16), keep),
                         std::min(255, Channel(d, 24) + h));
            });
}

// Add and dodge with the source pixel as the colour: the fill's per-channel
// arithmetic at the opacity the fill would use for that pixel's alpha. The
// alpha channel takes the opacity itself as its colour, as in the fill.
template <class Op>
void BlitChannelOp(const Surface& dest, const Surface& source, const Area& a, float weight,
                   bool useAlpha, Op op)
{
    int opacity[256];
    for (int alpha = 0; alpha < 256; ++alpha)
        opacity[alpha] = FillAlpha(weight, alpha, useAlpha);
    ForEach(dest, source, a,
            [&opacity, op](std::uint32_t& d, std::uint32_t s)
            {
                const int alpha = opacity[s >> 24];
                if (alpha <= 0) return;
                d = Pack(op(Channel(d, 0), Channel(s, 0), alpha),
                         op(Channel(d, 8), Channel(s, 8), alpha),
                         op(Channel(d, 16), Channel(s, 16), alpha),
                         op(Channel(d, 24), alpha, alpha));
            });
}

} // namespace

namespace IRaster
{

void Blit(IBitmap* dest, IBitmap* source, int destX, int destY, const IRasterBox* sourceBox,
          float weight, int mode)
{
    Surface d;
    Surface s;
    if (!Open(dest, d) || !Open(source, s)) return;
    int w = 0;
    if (!IntegerWeight(weight, w)) return;

    // Clip in 64 bits: no sum of caller values can wrap.
    std::int64_t sx = 0, sy = 0, width = s.width, height = s.height;
    if (sourceBox != nullptr)
    {
        sx = sourceBox->left;
        sy = sourceBox->top;
        width = static_cast<std::int64_t>(sourceBox->right) - sourceBox->left;
        height = static_cast<std::int64_t>(sourceBox->bottom) - sourceBox->top;
    }
    std::int64_t dx = destX, dy = destY;
    // A negative position on either side shrinks the area and moves the
    // other side's start by as much.
    if (sx < 0)
    {
        dx -= sx;
        width += sx;
        sx = 0;
    }
    if (sy < 0)
    {
        dy -= sy;
        height += sy;
        sy = 0;
    }
    if (dx < 0)
    {
        sx -= dx;
        width += dx;
        dx = 0;
    }
    if (dy < 0)
    {
        sy -= dy;
        height += dy;
        dy = 0;
    }
    width = std::min({width, s.width - sx, d.width - dx});
    height = std::min({height, s.height - sy, d.height - dy});
    if (width <= 0 || height <= 0) return;
    Area area{static_cast<int>(dx), static_cast<int>(dy),    static_cast<int>(sx),
              static_cast<int>(sy), static_cast<int>(width), static_cast<int>(height)};

    // A bitmap blitted onto itself reads a copy of its source area, so that
    // overlapping rows are never read after they were written.
    std::vector<std::uint32_t> copy;
    if (dest == source)
    {
        try
        {
            copy.resize(static_cast<std::size_t>(area.width) * area.height);
        }
        catch (const std::bad_alloc&)
        {
            return;
        }
        for (int y = 0; y < area.height; ++y)
            std::memcpy(copy.data() + static_cast<std::size_t>(y) * area.width,
                        s.Row(area.sourceY + y) + area.sourceX,
                        static_cast<std::size_t>(area.width) * 4);
        s.bits = copy.data();
        s.width = s.span = area.width;
        s.height = area.height;
        s.flipped = false;
        area.sourceX = area.sourceY = 0;
    }

    const bool useAlpha = (mode & kUseSourceAlpha) != 0;
    switch (mode & kOperationMask)
    {
    case kCopy:
        if (useAlpha)
            BlitCopySourceAlpha(d, s, area, w);
        else
            BlitCopy(d, s, area, weight, w);
        break;
    case kAdd:
        BlitChannelOp(d, s, area, weight, useAlpha, AddChannel);
        break;
    case kColourDodge:
        BlitChannelOp(d, s, area, weight, useAlpha, DodgeChannel);
        break;
    default:
        // Multiply and the other operations are not part of this layer.
        break;
    }
}

void FillRect(IBitmap* dest, int x, int y, int width, int height, std::uint32_t colour,
              float weight, int mode)
{
    Surface d;
    if (!Open(dest, d)) return;
    int unused = 0;
    if (!IntegerWeight(weight, unused)) return;

    std::int64_t left = x, top = y;
    std::int64_t right = left + width, bottom = top + height;
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, d.width);
    bottom = std::min<std::int64_t>(bottom, d.height);
    if (right <= left || bottom <= top) return;
    const int x0 = static_cast<int>(left);
    const int y0 = static_cast<int>(top);
    const int w = static_cast<int>(right - left);
    const int h = static_cast<int>(bottom - top);

    const int alpha =
        FillAlpha(weight, static_cast<int>(colour >> 24), (mode & kUseSourceAlpha) != 0);
    if (alpha <= 0) return;
    const int kb = Channel(colour, 0), kg = Channel(colour, 8), kr = Channel(colour, 16);

    switch (mode & kOperationMask)
    {
    case kCopy:
        if (alpha == 256)
        {
            for (int row = 0; row < h; ++row)
                std::fill_n(d.Row(y0 + row) + x0, w, colour);
        }
        else if (alpha == 128)
        {
            const std::uint32_t k = Half(colour);
            ForEachDest(d, x0, y0, w, h, [k](std::uint32_t& p) { p = k + Half(p); });
        }
        else if (alpha == 64)
        {
            // A quarter of k and three quarters of d: (k >> 2) + (d >> 1) + (d >> 2).
            const std::uint32_t k = Quarter(colour);
            ForEachDest(d, x0, y0, w, h, [k](std::uint32_t& p) { p = k + Half(p) + Quarter(p); });
        }
        else if (alpha == 192)
        {
            // Three quarters of k: (k >> 1) + (k >> 2) + (d >> 2).
            const std::uint32_t k = Half(colour) + Quarter(colour);
            ForEachDest(d, x0, y0, w, h, [k](std::uint32_t& p) { p = k + Quarter(p); });
        }
        else
        {
            // Colours k + (d - k) * (256 - a) / 256, alpha a + (d.a - a) * (256 - a) / 256.
            const int keep = 256 - alpha;
            ForEachDest(
                d, x0, y0, w, h,
                [=](std::uint32_t& p)
                {
                    p = Pack(Toward(kb, Channel(p, 0), keep), Toward(kg, Channel(p, 8), keep),
                             Toward(kr, Channel(p, 16), keep), Toward(alpha, Channel(p, 24), keep));
                });
        }
        break;
    case kAdd:
    {
        // min(255, d + k * a / 256) per channel; alpha takes a as its colour.
        const int ab = kb * alpha / 256, ag = kg * alpha / 256, ar = kr * alpha / 256,
                  aa = alpha * alpha / 256;
        ForEachDest(d, x0, y0, w, h,
                    [=](std::uint32_t& p)
                    {
                        p = Pack(
                            std::min(255, Channel(p, 0) + ab), std::min(255, Channel(p, 8) + ag),
                            std::min(255, Channel(p, 16) + ar), std::min(255, Channel(p, 24) + aa));
                    });
        break;
    }
    case kColourDodge:
        ForEachDest(d, x0, y0, w, h,
                    [=](std::uint32_t& p)
                    {
                        p = Pack(DodgeChannel(Channel(p, 0), kb, alpha),
                                 DodgeChannel(Channel(p, 8), kg, alpha),
                                 DodgeChannel(Channel(p, 16), kr, alpha),
                                 DodgeChannel(Channel(p, 24), alpha, alpha));
                    });
        break;
    default:
        break;
    }
}

} // namespace IRaster
