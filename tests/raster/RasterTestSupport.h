#pragma once

#include "raster/IBitmap.h"
#include "raster/IRaster.h"

#include <cstdint>
#include <random>
#include <vector>

// A bitmap surrounded by guard pixels: rows of guard above and below, guard
// columns left and right, and a row span wider than the width. Any write
// outside the bitmap lands on a guard pixel and is caught by GuardsIntact.
class GuardedBitmap : public IBitmap
{
  public:
    static constexpr std::uint32_t kGuard = 0x5aa5c33cu;
    static constexpr int kPad = 8;

    GuardedBitmap(int width, int height, int extraSpan = 3)
        : mWidth(width), mHeight(height), mSpan(width + extraSpan + 2 * kPad),
          mStore(static_cast<std::size_t>(mSpan) * (height + 2 * kPad), kGuard)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                At(x, y) = 0;
    }

    std::uint32_t* Bits() override { return mStore.data() + kPad * mSpan + kPad; }
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    int RowSpan() const override { return mSpan; }
    bool Resize(int, int) override { return false; }

    std::uint32_t& At(int x, int y) { return Bits()[y * mSpan + x]; }
    std::uint32_t At(int x, int y) const { return mStore[(kPad + y) * mSpan + kPad + x]; }

    bool GuardsIntact() const
    {
        for (int y = 0; y < mHeight + 2 * kPad; ++y)
            for (int x = 0; x < mSpan; ++x)
            {
                const bool inside =
                    y >= kPad && y < kPad + mHeight && x >= kPad && x < kPad + mWidth;
                if (!inside && mStore[static_cast<std::size_t>(y) * mSpan + x] != kGuard)
                    return false;
            }
        return true;
    }

    void Randomise(std::mt19937& rng)
    {
        for (int y = 0; y < mHeight; ++y)
            for (int x = 0; x < mWidth; ++x)
                At(x, y) = static_cast<std::uint32_t>(rng());
    }

    // Random pixels whose alpha is often 0 or 255, the two special cases.
    void RandomiseWithSpecialAlphas(std::mt19937& rng)
    {
        Randomise(rng);
        for (int y = 0; y < mHeight; ++y)
            for (int x = 0; x < mWidth; ++x)
            {
                const unsigned pick = rng() % 4;
                if (pick == 0) At(x, y) &= 0x00ffffffu;
                if (pick == 1) At(x, y) |= 0xff000000u;
            }
    }

    std::vector<std::uint32_t> Pixels() const
    {
        std::vector<std::uint32_t> out;
        for (int y = 0; y < mHeight; ++y)
            for (int x = 0; x < mWidth; ++x)
                out.push_back(At(x, y));
        return out;
    }

  private:
    int mWidth;
    int mHeight;
    int mSpan;
    std::vector<std::uint32_t> mStore;
};

inline std::uint32_t Argb(int a, int r, int g, int b)
{
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

inline int ByteOf(std::uint32_t p, int i)
{
    return static_cast<int>((p >> (8 * i)) & 0xff);
}

inline std::uint32_t FromBytes(const int b[4])
{
    return Argb(b[3], b[2], b[1], b[0]);
}
