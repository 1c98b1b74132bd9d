// The chain's passes on single-precision host channels against what they
// replace, bit for bit: widening the floats into double channels and running
// the double passes; running the double output pass and narrowing each value
// to float. Packed and scalar forms alike, chunk lengths of both parities,
// peaks carried from chunk to chunk, a chunk with a non-finite value. Also
// the input pass's second offset, which the single-precision entry and the
// double one share, against the model's own offset pass it replaces.

#include "dsp/ChainPasses.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace
{
using Peaks = ChainPasses::Peaks;

template <class T> bool SameBits(const std::vector<T>& a, const std::vector<T>& b)
{
    // Empty vectors may hold null data, which memcmp must not be given.
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SamePeaks(const Peaks& a, const Peaks& b)
{
    return std::memcmp(&a.left, &b.left, sizeof(double)) == 0 &&
           std::memcmp(&a.right, &b.right, sizeof(double)) == 0;
}

// Seeded float channel with zeros of both signs, ties, the largest floats
// and values whose product with the gain overflows a float.
std::vector<float> FloatChannel(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-2.0f, 2.0f);
    std::vector<float> x(n);
    for (float& v : x)
        v = u(gen);
    for (size_t i = 0; i + 8 < n; i += 29)
    {
        x[i] = 0.0f;
        x[i + 1] = -0.0f;
        x[i + 2] = x[i + 3];
        x[i + 5] = std::numeric_limits<float>::max();
        x[i + 7] = 1e-30f;
    }
    return x;
}

std::vector<double> Widen(const std::vector<float>& x)
{
    return std::vector<double>(x.begin(), x.end());
}

std::vector<float> Narrow(const std::vector<double>& x)
{
    std::vector<float> y(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = static_cast<float>(x[i]);
    return y;
}

// Interleaved frames as the model leaves them: doubles beyond the float
// range, tiny values, both zeros; a NaN or infinity when faulty.
std::vector<double> Frames(size_t n, unsigned seed, bool faulty)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-3.0, 3.0);
    std::vector<double> x(2 * n);
    for (double& v : x)
        v = u(gen);
    for (size_t i = 0; i + 8 < x.size(); i += 31)
    {
        x[i] = -0.0;
        x[i + 2] = 1e300;
        x[i + 4] = 3e-320;
        x[i + 6] = 0.1 + 1e-17;
    }
    if (faulty && n > 2) x[n] = std::numeric_limits<double>::infinity();
    return x;
}

const int kLengths[] = {0, 1, 2, 7, 64, 513};
} // namespace

TEST(SinglePrecisionPasses, InputPassEqualsWideningThenTheDoublePass)
{
    for (bool packed : {true, false})
    {
        Peaks single, wide;
        single.left = wide.left = -1.0;
        unsigned seed = 1;
        for (int n : kLengths)
        {
            const std::vector<float> l = FloatChannel(n, seed++), r = FloatChannel(n, seed++);
            std::vector<double> a(2 * n), b(2 * n);
            for (double gain : {1.4125375446227544, 0.001})
            {
                if (packed)
                    ChainPasses::ScaleInput(l.data(), r.data(), a.data(), n, gain, single);
                else
                    ChainPasses::ScaleInputScalar(l.data(), r.data(), a.data(), n, gain, single);
                const std::vector<double> wl = Widen(l), wr = Widen(r);
                ChainPasses::ScaleInputScalar(wl.data(), wr.data(), b.data(), n, gain, wide);
                ASSERT_TRUE(SameBits(a, b)) << packed << " " << n;
                ASSERT_TRUE(SamePeaks(single, wide)) << packed << " " << n;
            }
        }
    }
}

TEST(SinglePrecisionPasses, OutputPassEqualsTheDoublePassThenNarrowing)
{
    for (bool packed : {true, false})
        for (bool faulty : {false, true})
        {
            Peaks single, wide;
            unsigned seed = 40;
            for (int n : kLengths)
            {
                const std::vector<double> frames = Frames(n, seed++, faulty);
                std::vector<float> l(n, 9.0f), r(n, 9.0f);
                std::vector<double> wl(n), wr(n);
                const double gain = 1.5848931924611136;
                if (packed)
                    ChainPasses::ScaleOutput(frames.data(), n, gain, single, l.data(), r.data());
                else
                    ChainPasses::ScaleOutputScalar(frames.data(), n, gain, single, l.data(),
                                                   r.data());
                ChainPasses::ScaleOutputScalar(frames.data(), n, gain, wide, wl.data(), wr.data());
                ASSERT_TRUE(SameBits(l, Narrow(wl))) << packed << faulty << " " << n;
                ASSERT_TRUE(SameBits(r, Narrow(wr))) << packed << faulty << " " << n;
                ASSERT_TRUE(SamePeaks(single, wide)) << packed << faulty << " " << n;
            }
        }
}

TEST(SinglePrecisionPasses, InterleaveWidensAndReadsAMissingChannelAsSilence)
{
    const std::vector<float> l = {1.5f, -0.0f, 3e38f};
    std::vector<double> frames(6, 7.0);
    ChainPasses::Interleave(l.data(), nullptr, frames.data(), 3);
    const std::vector<double> expected = {1.5, 0.0, -0.0, 0.0, static_cast<double>(3e38f), 0.0};
    EXPECT_TRUE(SameBits(frames, expected));
}

TEST(SinglePrecisionPasses, SecondOffsetEqualsTheModelsOwnOffsetPassAfterwards)
{
    // The model's own 1e-24, added by the input pass, against the pass the
    // model would otherwise run over the frames: frames[i] += 1e-24.
    unsigned seed = 70;
    for (int n : kLengths)
    {
        const std::vector<float> l = FloatChannel(n, seed++), r = FloatChannel(n, seed++);
        std::vector<double> wl = Widen(l), wr = Widen(r);
        // Values whose sum with 1e-24 rounds differently once or twice.
        if (n > 4)
        {
            wl[1] = 3e-24;
            wr[2] = -1.5e-24;
            wl[3] = 1e-40;
        }
        Peaks reference;
        std::vector<double> expected(2 * n);
        ChainPasses::ScaleInputScalar(wl.data(), wr.data(), expected.data(), n, 0.5, reference);
        for (double& v : expected)
            v += ChainPasses::kDenormalOffset;
        for (bool packed : {true, false})
        {
            Peaks peak;
            std::vector<double> frames(2 * n);
            if (packed)
                ChainPasses::ScaleInput(wl.data(), wr.data(), frames.data(), n, 0.5, peak, true);
            else
                ChainPasses::ScaleInputScalar(wl.data(), wr.data(), frames.data(), n, 0.5, peak,
                                              true);
            ASSERT_TRUE(SameBits(frames, expected)) << packed << " " << n;
            ASSERT_TRUE(SamePeaks(peak, reference)) << packed << " " << n;
        }
        Peaks single, wide;
        std::vector<double> a(2 * n), b(2 * n);
        ChainPasses::ScaleInput(l.data(), r.data(), a.data(), n, 0.5, single, true);
        const std::vector<double> el = Widen(l), er = Widen(r);
        ChainPasses::ScaleInputScalar(el.data(), er.data(), b.data(), n, 0.5, wide);
        for (double& v : b)
            v += ChainPasses::kDenormalOffset;
        ASSERT_TRUE(SameBits(a, b)) << n;
        ASSERT_TRUE(SamePeaks(single, wide)) << n;
    }
}
