#include "RasterReference.h"
#include "RasterTestSupport.h"
#include "raster/IRaster.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <random>

namespace
{

const int kModes[] = {IRaster::kCopy,        IRaster::kCopy | IRaster::kUseSourceAlpha,
                      IRaster::kAdd,         IRaster::kAdd | IRaster::kUseSourceAlpha,
                      IRaster::kColourDodge, IRaster::kColourDodge | IRaster::kUseSourceAlpha};

void ExpectFillMatchesReference(const GuardedBitmap& before, int x, int y, int width, int height,
                                std::uint32_t colour, float weight, int mode)
{
    GuardedBitmap actual = before;
    GuardedBitmap expected = before;
    IRaster::FillRect(&actual, x, y, width, height, colour, weight, mode);
    Reference::Fill(expected, x, y, width, height, colour, weight, mode);
    ASSERT_TRUE(actual.GuardsIntact());
    ASSERT_EQ(actual.Pixels(), expected.Pixels())
        << std::hex << colour << " mode " << mode << std::dec << " weight " << weight;
}

} // namespace

TEST(FillRect, EveryOperationMatchesTheNaiveFormulaAtRandomAndShiftWeights)
{
    std::mt19937 rng(4321);
    auto in = [&rng](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    // 0.25, 0.5, 0.75 and 1 are the shift paths (opacity 64, 128, 192, 256)
    // when the colour's alpha does not count or is 255.
    const float special[] = {0.25f, 0.5f, 0.75f, 1.0f, 0.0f, 0.2f, 1.25f, 0.9999f, 0.0001f};
    for (int round = 0; round < 4000; ++round)
    {
        GuardedBitmap dest(in(1, 10), in(1, 10), in(0, 2));
        dest.RandomiseWithSpecialAlphas(rng);
        std::uint32_t colour = static_cast<std::uint32_t>(rng());
        if (rng() % 2 == 0) colour |= 0xff000000u;
        if (rng() % 5 == 0) colour &= 0x80ffffffu;
        const float weight = rng() % 2 == 0
                                 ? special[rng() % 9]
                                 : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
        ExpectFillMatchesReference(dest, in(-12, 12), in(-12, 12), in(-3, 20), in(-3, 20), colour,
                                   weight, kModes[rng() % 6]);
        if (HasFatalFailure()) return;
    }
}

TEST(FillRect, FullWeightWithAnOpaqueColourAndTheAlphaFlagStoresTheColour)
{
    GuardedBitmap dest(3, 2);
    std::mt19937 rng(1);
    dest.Randomise(rng);
    IRaster::FillRect(&dest, 0, 0, 3, 2, Argb(255, 12, 34, 56), 1.0f,
                      IRaster::kCopy | IRaster::kUseSourceAlpha);
    for (std::uint32_t p : dest.Pixels())
        EXPECT_EQ(p, Argb(255, 12, 34, 56));
}

TEST(FillRect, QuarterShiftPathsStayWithinTwoOfTheExactMix)
{
    // The shift arithmetic of opacities 64 and 192 loses at most the low bits
    // of each term: within 2 of k * a / 256 + d * (256 - a) / 256.
    std::mt19937 rng(8);
    for (int round = 0; round < 500; ++round)
    {
        const std::uint32_t colour = static_cast<std::uint32_t>(rng());
        const std::uint32_t start = static_cast<std::uint32_t>(rng());
        for (float weight : {0.25f, 0.75f})
        {
            GuardedBitmap dest(1, 1);
            dest.At(0, 0) = start;
            IRaster::FillRect(&dest, 0, 0, 1, 1, colour, weight, IRaster::kCopy);
            const double a = weight;
            for (int i = 0; i < 4; ++i)
            {
                const double exact = ByteOf(colour, i) * a + ByteOf(start, i) * (1.0 - a);
                EXPECT_LE(std::abs(ByteOf(dest.At(0, 0), i) - exact), 2.0);
            }
        }
    }
}

TEST(FillRect, ColourDodgeSaturatesWhenTheColourNearlyFillsTheDivisor)
{
    GuardedBitmap dest(3, 1);
    dest.At(0, 0) = Argb(0, 0, 0, 0);
    dest.At(1, 0) = Argb(0, 1, 1, 1);
    dest.At(2, 0) = Argb(0, 100, 64, 2);
    IRaster::FillRect(&dest, 0, 0, 3, 1, Argb(255, 255, 255, 255), 1.0f, IRaster::kColourDodge);
    // Zero stays zero (the alpha channels here too), anything else saturates.
    EXPECT_EQ(dest.At(0, 0), Argb(0, 0, 0, 0));
    EXPECT_EQ(dest.At(1, 0), Argb(0, 255, 255, 255));
    EXPECT_EQ(dest.At(2, 0), Argb(0, 255, 255, 255));
    // k = 128 at full weight: d * 256 / 128, i.e. doubled and saturated; the
    // alpha channel's colour is the opacity 256 itself, so it saturates.
    GuardedBitmap d2(1, 1);
    d2.At(0, 0) = Argb(10, 100, 64, 2);
    IRaster::FillRect(&d2, 0, 0, 1, 1, Argb(0, 128, 128, 128), 1.0f, IRaster::kColourDodge);
    EXPECT_EQ(d2.At(0, 0), Argb(255, 200, 128, 4));
}

TEST(FillRectClipping, ExtremeRectanglesStayInsideTheBitmap)
{
    std::mt19937 rng(21);
    GuardedBitmap dest(5, 4);
    dest.RandomiseWithSpecialAlphas(rng);
    const int values[] = {INT_MIN, -1000000, -6, -1, 0, 2, 5, 1000000, INT_MAX};
    for (int x : values)
        for (int w : values)
            for (int mode : {kModes[0], kModes[3], kModes[4]})
            {
                ExpectFillMatchesReference(dest, x, -(x / 3), w, INT_MAX, 0x80402010u, 0.6f, mode);
                ExpectFillMatchesReference(dest, w, x, 3, w, 0xff00ff00u, 1.0f, mode);
                if (HasFatalFailure()) return;
            }
}

TEST(FillRectClipping, NothingHappensForEmptyAreasZeroWeightOrANullBitmap)
{
    std::mt19937 rng(22);
    GuardedBitmap dest(4, 4);
    dest.Randomise(rng);
    const auto before = dest.Pixels();
    IRaster::FillRect(nullptr, 0, 0, 4, 4, 0xffffffffu, 1.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, 0, 0, 0, 4, 0xffffffffu, 1.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, 0, 0, 4, -4, 0xffffffffu, 1.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, 4, 0, 4, 4, 0xffffffffu, 1.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, -4, 0, 4, 4, 0xffffffffu, 1.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, 0, 0, 4, 4, 0xffffffffu, 0.0f, IRaster::kCopy);
    IRaster::FillRect(&dest, 0, 0, 4, 4, 0x00ffffffu, 1.0f,
                      IRaster::kAdd | IRaster::kUseSourceAlpha);
    EXPECT_EQ(dest.Pixels(), before);
    EXPECT_TRUE(dest.GuardsIntact());
}
