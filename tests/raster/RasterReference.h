#pragma once

// Naive per-pixel references for blit and fill, written channel by channel
// from the arithmetic the raster layer promises, independently of its loops.

#include "RasterTestSupport.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Reference
{

// Opacity in 256ths of add and dodge (and of every fill): weight, times
// A / 255 when the alpha counts, times 256, truncated.
inline int Opacity(float weight, int colourAlpha, bool useAlpha)
{
    const float w = useAlpha ? weight * (static_cast<float>(colourAlpha) / 255.0f) : weight;
    return static_cast<int>(w * 256.0f);
}

inline int Add(int d, int k, int alpha)
{
    return std::min(255, d + k * alpha / 256);
}

inline int Dodge(int d, int k, int alpha)
{
    const int t = k * alpha / 256;
    if (t > 254) return std::min(255, d * 256);
    return std::min(255, d * 256 / (256 - t));
}

// Weight as the blit and fill take it: nothing at or below 0, at most 1.
inline bool Weight(float& weight)
{
    if (!(weight > 0.0f)) return false;
    weight = std::min(weight, 1.0f);
    return true;
}

inline std::uint32_t BlitPixel(std::uint32_t d, std::uint32_t s, float weight, int mode)
{
    int sc[4], dc[4], out[4];
    for (int i = 0; i < 4; ++i)
    {
        sc[i] = ByteOf(s, i);
        dc[i] = ByteOf(d, i);
    }
    const int w = static_cast<int>(weight * 256.0f);
    const bool useAlpha = (mode & IRaster::kUseSourceAlpha) != 0;
    switch (mode & IRaster::kOperationMask)
    {
    case IRaster::kCopy:
        if (!useAlpha)
        {
            if (weight == 1.0f) return s;
            for (int i = 0; i < 4; ++i)
                out[i] = weight == 0.5f ? (sc[i] >> 1) + (dc[i] >> 1)
                                        : sc[i] + (dc[i] - sc[i]) * (256 - w) / 256;
            return FromBytes(out);
        }
        else
        {
            const int a = sc[3];
            if (a == 0) return d;
            if (weight == 1.0f)
            {
                if (a == 255) return Argb(255, sc[2], sc[1], sc[0]);
                for (int i = 0; i < 3; ++i)
                    out[i] = sc[i] + (dc[i] - sc[i]) * (255 - a) / 256;
                out[3] = std::min(255, dc[3] + a);
                return FromBytes(out);
            }
            const int h = w * (a + 1) / 256;
            for (int i = 0; i < 3; ++i)
                out[i] = sc[i] + (dc[i] - sc[i]) * (256 - h) / 256;
            out[3] = std::min(255, dc[3] + h);
            return FromBytes(out);
        }
    case IRaster::kAdd:
    case IRaster::kColourDodge:
    {
        const int alpha = Opacity(weight, sc[3], useAlpha);
        const int k[4] = {sc[0], sc[1], sc[2], alpha};
        for (int i = 0; i < 4; ++i)
            out[i] = (mode & IRaster::kOperationMask) == IRaster::kAdd ? Add(dc[i], k[i], alpha)
                                                                       : Dodge(dc[i], k[i], alpha);
        return FromBytes(out);
    }
    default:
        return d;
    }
}

inline std::uint32_t FillPixel(std::uint32_t d, std::uint32_t colour, float weight, int mode)
{
    int kc[4], dc[4], out[4];
    for (int i = 0; i < 4; ++i)
    {
        kc[i] = ByteOf(colour, i);
        dc[i] = ByteOf(d, i);
    }
    const int alpha = Opacity(weight, kc[3], (mode & IRaster::kUseSourceAlpha) != 0);
    switch (mode & IRaster::kOperationMask)
    {
    case IRaster::kCopy:
        if (alpha == 256) return colour;
        for (int i = 0; i < 4; ++i)
        {
            if (alpha == 128)
                out[i] = (kc[i] >> 1) + (dc[i] >> 1);
            else if (alpha == 64)
                out[i] = (kc[i] >> 2) + (dc[i] >> 1) + (dc[i] >> 2);
            else if (alpha == 192)
                out[i] = (kc[i] >> 1) + (kc[i] >> 2) + (dc[i] >> 2);
            else
            {
                const int k = i == 3 ? alpha : kc[i];
                out[i] = k + (dc[i] - k) * (256 - alpha) / 256;
            }
        }
        return FromBytes(out);
    case IRaster::kAdd:
    case IRaster::kColourDodge:
        for (int i = 0; i < 4; ++i)
        {
            const int k = i == 3 ? alpha : kc[i];
            out[i] = (mode & IRaster::kOperationMask) == IRaster::kAdd ? Add(dc[i], k, alpha)
                                                                       : Dodge(dc[i], k, alpha);
        }
        return FromBytes(out);
    default:
        return d;
    }
}

// The blit over whole bitmaps: destination pixel (x, y) takes part when it
// lies in the source box moved to (destX, destY) and its source pixel lies in
// the source; everything else stays.
inline void Blit(GuardedBitmap& dest, const GuardedBitmap& source, int destX, int destY,
                 const IRasterBox* box, float weight, int mode)
{
    if (!Weight(weight)) return;
    const std::int64_t left = box ? box->left : 0;
    const std::int64_t top = box ? box->top : 0;
    const std::int64_t width =
        box ? static_cast<std::int64_t>(box->right) - box->left : source.Width();
    const std::int64_t height =
        box ? static_cast<std::int64_t>(box->bottom) - box->top : source.Height();
    for (int y = 0; y < dest.Height(); ++y)
        for (int x = 0; x < dest.Width(); ++x)
        {
            const std::int64_t u = x - static_cast<std::int64_t>(destX);
            const std::int64_t v = y - static_cast<std::int64_t>(destY);
            if (u < 0 || v < 0 || u >= width || v >= height) continue;
            const std::int64_t sx = left + u;
            const std::int64_t sy = top + v;
            if (sx < 0 || sy < 0 || sx >= source.Width() || sy >= source.Height()) continue;
            dest.At(x, y) = BlitPixel(
                dest.At(x, y), source.At(static_cast<int>(sx), static_cast<int>(sy)), weight, mode);
        }
}

inline void Fill(GuardedBitmap& dest, int x0, int y0, int width, int height, std::uint32_t colour,
                 float weight, int mode)
{
    if (!Weight(weight)) return;
    for (int y = 0; y < dest.Height(); ++y)
        for (int x = 0; x < dest.Width(); ++x)
        {
            const std::int64_t u = x - static_cast<std::int64_t>(x0);
            const std::int64_t v = y - static_cast<std::int64_t>(y0);
            if (u < 0 || v < 0 || u >= width || v >= height) continue;
            dest.At(x, y) = FillPixel(dest.At(x, y), colour, weight, mode);
        }
}

} // namespace Reference
