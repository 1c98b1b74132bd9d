#include "RasterReference.h"
#include "RasterTestSupport.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IRaster.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace
{

const int kModes[] = {IRaster::kCopy,        IRaster::kCopy | IRaster::kUseSourceAlpha,
                      IRaster::kAdd,         IRaster::kAdd | IRaster::kUseSourceAlpha,
                      IRaster::kColourDodge, IRaster::kColourDodge | IRaster::kUseSourceAlpha};

float PickWeight(std::mt19937& rng)
{
    static const float special[] = {0.0f,   0.25f,  0.5f, 1.0f,  0.5000001f,
                                    0.999f, 0.001f, 1.5f, -0.25f};
    if (rng() % 2 == 0) return special[rng() % (sizeof special / sizeof special[0])];
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng);
}

// Runs one blit on a guarded copy and the naive reference on another, and
// compares every pixel and the guards.
void ExpectBlitMatchesReference(const GuardedBitmap& source, const GuardedBitmap& destBefore,
                                int destX, int destY, const IRasterBox* box, float weight, int mode)
{
    GuardedBitmap actual = destBefore;
    GuardedBitmap expected = destBefore;
    GuardedBitmap sourceCopy = source;
    IRaster::Blit(&actual, &sourceCopy, destX, destY, box, weight, mode);
    Reference::Blit(expected, source, destX, destY, box, weight, mode);
    ASSERT_TRUE(actual.GuardsIntact());
    ASSERT_TRUE(sourceCopy.GuardsIntact());
    ASSERT_EQ(sourceCopy.Pixels(), source.Pixels()) << "the source was written";
    const std::vector<std::uint32_t> a = actual.Pixels();
    const std::vector<std::uint32_t> e = expected.Pixels();
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], e[i]) << "pixel " << i << " mode " << std::hex << mode << std::dec
                              << " weight " << weight << " at " << destX << "," << destY;
}

} // namespace

TEST(Blit, EveryOperationMatchesTheNaiveFormulaOnRandomBitmaps)
{
    std::mt19937 rng(1234);
    auto in = [&rng](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    for (int round = 0; round < 4000; ++round)
    {
        GuardedBitmap source(in(1, 11), in(1, 11), in(0, 2));
        GuardedBitmap dest(in(1, 11), in(1, 11), in(0, 2));
        source.RandomiseWithSpecialAlphas(rng);
        dest.RandomiseWithSpecialAlphas(rng);
        IRasterBox box{in(-6, 12), in(-6, 12), 0, 0};
        box.right = box.left + in(-2, 16);
        box.bottom = box.top + in(-2, 16);
        const bool whole = rng() % 5 == 0;
        ExpectBlitMatchesReference(source, dest, in(-12, 12), in(-12, 12), whole ? nullptr : &box,
                                   PickWeight(rng), kModes[rng() % 6]);
        if (HasFatalFailure()) return;
    }
}

TEST(Blit, SourceAlphaZeroKeepsTheDestinationAndAlpha255ReplacesIt)
{
    GuardedBitmap source(2, 1);
    source.At(0, 0) = Argb(0, 200, 100, 50);
    source.At(1, 0) = Argb(255, 1, 2, 3);
    GuardedBitmap dest(2, 1);
    dest.At(0, 0) = Argb(17, 9, 9, 9);
    dest.At(1, 0) = Argb(17, 9, 9, 9);
    for (float weight : {1.0f, 0.7f})
    {
        GuardedBitmap d = dest;
        IRaster::Blit(&d, &source, 0, 0, nullptr, weight,
                      IRaster::kCopy | IRaster::kUseSourceAlpha);
        EXPECT_EQ(d.At(0, 0), Argb(17, 9, 9, 9));
        if (weight == 1.0f)
        {
            EXPECT_EQ(d.At(1, 0), Argb(255, 1, 2, 3));
        }
    }
}

TEST(Blit, QuarterWeightOfAnOpaquePixelKeepsThreeQuartersOfTheDestination)
{
    GuardedBitmap source(1, 1);
    source.At(0, 0) = Argb(255, 0, 0, 0);
    GuardedBitmap dest(1, 1);
    dest.At(0, 0) = Argb(100, 200, 128, 40);
    IRaster::Blit(&dest, &source, 0, 0, nullptr, 0.25f, IRaster::kCopy | IRaster::kUseSourceAlpha);
    // h = 64 * 256 / 256 = 64: d * 192 / 256, alpha 100 + 64.
    EXPECT_EQ(dest.At(0, 0), Argb(164, 150, 96, 30));
}

TEST(Blit, HalfWeightAveragesBytesByShiftsAndNearbyWeightsDoNot)
{
    GuardedBitmap source(1, 1);
    source.At(0, 0) = 0xffffffffu;
    GuardedBitmap dest(1, 1);
    dest.At(0, 0) = 0x01010101u;
    GuardedBitmap other = dest;
    IRaster::Blit(&dest, &source, 0, 0, nullptr, 0.5f, IRaster::kCopy);
    EXPECT_EQ(dest.At(0, 0), 0x7f7f7f7fu);
    // 255 + (1 - 255) * 128 / 256 = 128 on every byte.
    IRaster::Blit(&other, &source, 0, 0, nullptr, 0.5000001f, IRaster::kCopy);
    EXPECT_EQ(other.At(0, 0), 0x80808080u);
}

TEST(Blit, AddAndDodgeOfOnePixelMatchAFillWithThatPixelsColour)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 3000; ++round)
    {
        const std::uint32_t colour = static_cast<std::uint32_t>(rng());
        const int mode = kModes[2 + rng() % 4];
        const float weight = PickWeight(rng);
        GuardedBitmap source(1, 1);
        source.At(0, 0) = colour;
        GuardedBitmap blitted(1, 1);
        blitted.Randomise(rng);
        GuardedBitmap filled = blitted;
        IRaster::Blit(&blitted, &source, 0, 0, nullptr, weight, mode);
        IRaster::FillRect(&filled, 0, 0, 1, 1, colour, weight, mode);
        ASSERT_EQ(blitted.At(0, 0), filled.At(0, 0)) << std::hex << colour << " " << mode;
    }
}

TEST(Blit, OverlappingBlitWithinOneBitmapReadsTheSourceAsItWasBefore)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round)
    {
        GuardedBitmap bitmap(9, 9);
        bitmap.RandomiseWithSpecialAlphas(rng);
        const GuardedBitmap before = bitmap;
        GuardedBitmap expected = bitmap;
        const IRasterBox box{static_cast<int>(rng() % 5), static_cast<int>(rng() % 5), 7, 8};
        const int dx = static_cast<int>(rng() % 5) - 1, dy = static_cast<int>(rng() % 5) - 1;
        const int mode = kModes[rng() % 6];
        const float weight = PickWeight(rng);
        IRaster::Blit(&bitmap, &bitmap, dx, dy, &box, weight, mode);
        Reference::Blit(expected, before, dx, dy, &box, weight, mode);
        ASSERT_EQ(bitmap.Pixels(), expected.Pixels());
        ASSERT_TRUE(bitmap.GuardsIntact());
    }
}

TEST(BlitClipping, ExtremePositionsAndBoxesStayInsideBothBitmaps)
{
    std::mt19937 rng(3);
    GuardedBitmap source(6, 5);
    source.RandomiseWithSpecialAlphas(rng);
    GuardedBitmap dest(7, 4);
    dest.RandomiseWithSpecialAlphas(rng);
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1000000, -7,          -1,     0,
                            3,       6,           1000000,  INT_MAX - 1, INT_MAX};
    for (int a : extremes)
        for (int b : extremes)
        {
            const IRasterBox boxes[] = {
                {a, b, INT_MAX, INT_MAX}, {INT_MIN, INT_MIN, a, b}, {a, 0, b, 5}, {0, a, 6, b}};
            for (const IRasterBox& box : boxes)
                for (int mode : {kModes[0], kModes[1], kModes[3]})
                {
                    ExpectBlitMatchesReference(source, dest, a, b, &box, 1.0f, mode);
                    ExpectBlitMatchesReference(source, dest, b, -(a / 2), &box, 0.5f, mode);
                    if (HasFatalFailure()) return;
                }
        }
}

TEST(BlitClipping, SourceBoxLargerThanBothBitmapsIsCutToWhatBothHold)
{
    std::mt19937 rng(11);
    GuardedBitmap source(3, 3);
    source.Randomise(rng);
    GuardedBitmap dest(4, 2);
    dest.Randomise(rng);
    const GuardedBitmap before = dest;
    const IRasterBox box{-2, -1, 50, 50};
    IRaster::Blit(&dest, &source, 1, 0, &box, 1.0f, IRaster::kCopy);
    // Source (0, 0) lands at (3, 1): the box's origin is at (1, 0) and the
    // source begins 2 right and 1 below it.
    EXPECT_EQ(dest.At(3, 1), source.At(0, 0));
    EXPECT_EQ(dest.At(2, 1), before.At(2, 1));
    EXPECT_EQ(dest.At(3, 0), before.At(3, 0));
    EXPECT_TRUE(dest.GuardsIntact());
}

TEST(BlitClipping, NothingHappensForNullOrEmptyBitmapsZeroWeightOrEmptyAreas)
{
    std::mt19937 rng(13);
    GuardedBitmap source(4, 4);
    source.Randomise(rng);
    GuardedBitmap dest(4, 4);
    dest.Randomise(rng);
    const std::vector<std::uint32_t> before = dest.Pixels();
    IMemoryBitmap empty(0, 0);
    IMemoryBitmap failed(5, 0);
    IRaster::Blit(&dest, nullptr, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(nullptr, &source, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &empty, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &failed, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(&empty, &source, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &source, 0, 0, nullptr, 0.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &source, 0, 0, nullptr, -1.0f, IRaster::kAdd);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    IRaster::Blit(&dest, &source, 0, 0, nullptr, nan, IRaster::kCopy);
    const IRasterBox inverted{3, 3, 1, 1};
    IRaster::Blit(&dest, &source, 0, 0, &inverted, 1.0f, IRaster::kCopy);
    const IRasterBox zeroWide{2, 0, 2, 4};
    IRaster::Blit(&dest, &source, 0, 0, &zeroWide, 1.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &source, 4, 0, nullptr, 1.0f, IRaster::kCopy);
    IRaster::Blit(&dest, &source, 0, -4, nullptr, 1.0f, IRaster::kCopy);
    // Multiply and the operations above it are not offered: no change.
    for (int op = 3; op <= 5; ++op)
        IRaster::Blit(&dest, &source, 0, 0, nullptr, 1.0f, op);
    EXPECT_EQ(dest.Pixels(), before);
    EXPECT_TRUE(dest.GuardsIntact());
}
