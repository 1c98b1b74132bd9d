// The chain's passes around the model: the packed forms against the scalar
// forms bit for bit (values, peaks, signed zeros, NaN payloads) over chunk
// lengths of both parities and chunks carried one after the other, and both
// forms against what the passes are meant to compute, written out plainly.

#include "dsp/ChainPasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace
{
using Peaks = ChainPasses::Peaks;

bool SameBits(const double* a, const double* b, size_t n)
{
    return std::memcmp(a, b, n * sizeof(double)) == 0;
}

bool SamePeaks(const Peaks& a, const Peaks& b)
{
    return SameBits(&a.left, &b.left, 1) && SameBits(&a.right, &b.right, 1);
}

// One host channel: seeded values with exact zeros of both signs, values
// that tie the peak, tiny and huge values; `faults` adds NaNs and
// infinities.
std::vector<double> Channel(size_t n, unsigned seed, bool faults)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-2.0, 2.0);
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = u(gen);
    for (size_t i = 0; i + 8 < n; i += 37)
    {
        x[i] = 0.0;
        x[i + 1] = -0.0;
        x[i + 2] = 1e-310;
        x[i + 3] = x[i + 4] = 1.75;
        x[i + 5] = -1e300;
    }
    if (faults && n > 5)
    {
        x[n / 3] = std::numeric_limits<double>::quiet_NaN();
        x[n / 2] = std::numeric_limits<double>::infinity();
        x[n - 2] = -std::numeric_limits<double>::infinity();
    }
    return x;
}

const int kLengths[] = {0, 1, 2, 3, 4, 7, 64, 333, 4096};
} // namespace

TEST(ChainPasses, PackedInputPassMatchesScalarBitForBit)
{
    for (bool faults : {false, true})
        for (double gain : {1.0, 0.3162, 31.6, 0.0})
        {
            const std::vector<double> l = Channel(4096, 1, faults);
            const std::vector<double> r = Channel(4096, 2, faults);
            std::vector<double> a(2 * 4096), b(2 * 4096);
            // The peaks carry from chunk to chunk, as over one host block;
            // the first starts at -0 so that a tie with +0 has to keep it.
            Peaks pa{-0.0, 0.0}, pb{-0.0, 0.0};
            size_t done = 0;
            for (int n : kLengths)
            {
                if (done + n > l.size()) done = 0;
                ChainPasses::ScaleInput(l.data() + done, r.data() + done, a.data(), n, gain, pa);
                ChainPasses::ScaleInputScalar(l.data() + done, r.data() + done, b.data(), n, gain,
                                              pb);
                ASSERT_TRUE(SameBits(a.data(), b.data(), 2 * static_cast<size_t>(n)))
                    << "n=" << n << " gain=" << gain << " faults=" << faults;
                ASSERT_TRUE(SamePeaks(pa, pb)) << "n=" << n << " gain=" << gain;
                done += n;
            }
        }
}

TEST(ChainPasses, PackedOutputPassMatchesScalarBitForBit)
{
    for (bool faults : {false, true})
        for (double gain : {1.0, 0.001, 31.6})
        {
            const std::vector<double> l = Channel(4096, 3, faults);
            const std::vector<double> r = Channel(4096, 4, false);
            std::vector<double> frames(2 * 4096);
            for (size_t i = 0; i < l.size(); ++i)
            {
                frames[2 * i] = l[i];
                frames[2 * i + 1] = r[i];
            }
            std::vector<double> la(4096), ra(4096), lb(4096), rb(4096);
            Peaks pa, pb;
            size_t done = 0;
            for (int n : kLengths)
            {
                if (done + n > l.size()) done = 0;
                const double* f = frames.data() + 2 * done;
                ChainPasses::ScaleOutput(f, n, gain, pa, la.data(), ra.data());
                ChainPasses::ScaleOutputScalar(f, n, gain, pb, lb.data(), rb.data());
                ASSERT_TRUE(SameBits(la.data(), lb.data(), n) && SameBits(ra.data(), rb.data(), n))
                    << "n=" << n << " gain=" << gain << " faults=" << faults;
                ASSERT_TRUE(SamePeaks(pa, pb)) << "n=" << n << " gain=" << gain;
                done += n;
            }
        }
}

// What the input pass computes, written out: interleaved values times the
// gain plus 1e-24, and the largest value after the gain per channel.
TEST(ChainPasses, InputPassScalesOffsetsAndTakesSignedPeaks)
{
    const double left[] = {0.5, -0.25, 0.75};
    const double right[] = {-0.5, -0.125, -0.0625};
    double frames[6];
    Peaks peak{-1.0, -1.0};
    ChainPasses::ScaleInput(left, right, frames, 3, 2.0, peak);
    EXPECT_EQ(frames[0], 1.0 + 1e-24);
    EXPECT_EQ(frames[1], -1.0 + 1e-24);
    EXPECT_EQ(frames[3], -0.25 + 1e-24);
    EXPECT_EQ(frames[5], -0.125 + 1e-24);
    EXPECT_EQ(peak.left, 1.5);
    EXPECT_EQ(peak.right, -0.125) << "signed maximum, not the magnitude";
}

TEST(ChainPasses, OutputChunkWithANonFiniteValueIsSilencedAndLeavesPeaksAtZero)
{
    const double frames[] = {0.5, 0.25, std::numeric_limits<double>::infinity(), 0.1, 0.2, -0.3};
    double left[3] = {9, 9, 9}, right[3] = {9, 9, 9};
    Peaks peak{-0.5, 0.7};
    ChainPasses::ScaleOutput(frames, 3, 2.0, peak, left, right);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(left[i], 0.0);
        EXPECT_EQ(right[i], 0.0);
    }
    EXPECT_EQ(peak.left, 0.0) << "as scanning a zeroed chunk";
    EXPECT_EQ(peak.right, 0.7) << "the earlier peak stays";

    // A finite chunk is de-interleaved and scaled.
    const double fine[] = {0.5, -0.25, 0.125, 0.0};
    double l2[2], r2[2];
    Peaks p2;
    ChainPasses::ScaleOutput(fine, 2, 4.0, p2, l2, r2);
    EXPECT_EQ(l2[0], 2.0);
    EXPECT_EQ(r2[0], -1.0);
    EXPECT_EQ(l2[1], 0.5);
    EXPECT_EQ(r2[1], 0.0);
    EXPECT_EQ(p2.left, 2.0);
    EXPECT_EQ(p2.right, 0.0);
}

TEST(ChainPasses, InterleaveReadsAMissingChannelAsSilence)
{
    const double left[] = {1.0, 2.0};
    double frames[4] = {9, 9, 9, 9};
    ChainPasses::Interleave(left, nullptr, frames, 2);
    EXPECT_EQ(frames[0], 1.0);
    EXPECT_EQ(frames[1], 0.0);
    EXPECT_EQ(frames[2], 2.0);
    EXPECT_EQ(frames[3], 0.0);
}
