// The oversampler's and the analog stage's one-pass loops against the
// separate passes they replace, bit for bit: stuffing then the general
// filter path; the filter on every frame, then keeping every third;
// saturator, DC blocker and noise one after the other.

#include "dsp/Oversampler.h"
#include "dsp/analogue_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace
{
// Seeded test signal with the values that round or sign differently: exact
// zeros of both signs, tiny and large values.
std::vector<double> TestFrames(int frames, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> u(-1.5, 1.5);
    std::vector<double> x(2 * static_cast<size_t>(frames));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = u(gen);
    for (size_t i = 0; i + 40 < x.size(); i += 97)
    {
        x[i] = 0.0;
        x[i + 3] = -0.0;
        x[i + 10] = 1e-300;
        x[i + 21] = -3e5;
    }
    // A stretch of exact silence, so the recursions reach signed zeros.
    for (size_t i = x.size() / 2; i < x.size() / 2 + 200 && i < x.size(); ++i)
        x[i] = -0.0;
    return x;
}

bool SameBits(const double* a, const double* b, size_t n)
{
    return std::memcmp(a, b, sizeof(double) * n) == 0;
}

bool SameState(const Dsp::BesselLowPass<6, 2>& a, const Dsp::BesselLowPass<6, 2>& b)
{
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < a.GetStageMax(); ++k)
            if (std::memcmp(&a.GetState(ch, k), &b.GetState(ch, k), sizeof(Dsp::SectionState)))
                return false;
    return true;
}

// Stuffing (3x, 0, 0) and the general filter path, as the up-sampler's
// definition reads.
void StuffAndFilter(Dsp::BesselLowPass<6, 2>& f, const double* in, int frames, double* out)
{
    for (int i = 0; i < frames; ++i)
    {
        out[6 * i] = 3 * in[2 * i];
        out[6 * i + 1] = 3 * in[2 * i + 1];
        for (int k = 2; k < 6; ++k)
            out[6 * i + k] = 0.0;
    }
    f.ProcessGeneral(3 * frames, out);
}
} // namespace

TEST(FusedPaths, UpsamplingEqualsStuffingThenFilteringInOddBlocks)
{
    for (double cutoff : {20000.0 / (3 * 44100.0), 20000.0 / (3 * 96000.0), 0.4})
    {
        auto os = std::make_unique<Oversampler>();
        os->Design(cutoff);
        Dsp::BesselLowPass<6, 2> reference(os->mainUp);
        const std::vector<double> in = TestFrames(3000, 7);
        std::vector<double> expected(6 * 3000);
        int done = 0;
        for (int len : {1, 2, 511, 0, 1000, 1486})
        {
            os->UpsampleMain(in.data() + 2 * done, len);
            StuffAndFilter(reference, in.data() + 2 * done, len, expected.data());
            ASSERT_TRUE(SameBits(os->MainBuffer(), expected.data(), 6 * static_cast<size_t>(len)))
                << cutoff << " at frame " << done;
            ASSERT_TRUE(SameState(os->mainUp, reference)) << cutoff << " at frame " << done;
            done += len;
        }
    }
}

TEST(FusedPaths, UpsamplingAfterForeignFilterUseStillMatches)
{
    // Running the up-sampling filter on other data leaves non-zero previous
    // inputs in its first section, which the fused loop does not assume.
    auto os = std::make_unique<Oversampler>();
    os->Design(20000.0 / (3 * 48000.0));
    std::vector<double> other = TestFrames(5, 3);
    os->sidechainUp.Process(5, other.data());
    Dsp::BesselLowPass<6, 2> reference(os->sidechainUp);
    const std::vector<double> in = TestFrames(700, 11);
    std::vector<double> expected(6 * 700);
    for (int pass = 0; pass < 2; ++pass)
    {
        os->UpsampleSidechain(in.data(), 700);
        StuffAndFilter(reference, in.data(), 700, expected.data());
        ASSERT_TRUE(SameBits(os->SidechainBuffer(), expected.data(), expected.size())) << pass;
        ASSERT_TRUE(SameState(os->sidechainUp, reference)) << pass;
    }
}

TEST(FusedPaths, AnalogStageEqualsSaturatorThenDcBlockerThenNoise)
{
    for (int kind : {analogue_block::kVCA, analogue_block::kFET})
    {
        auto stage = std::make_unique<analogue_block>();
        stage->SetSampleRate(3 * 44100, kind);
        auto sat = std::make_unique<saturator>(stage->harmonics);
        DCBlocker dc = stage->dcBlocker;
        NoiseGenerator noise = stage->noise;

        // Longer than the saturator's copy buffer, so the pieces join too.
        const int frames = saturator::kMaxFrames + 1234;
        std::vector<double> x = TestFrames(frames, 5 + kind);
        std::vector<double> expected = x;
        int done = 0;
        for (int len : {frames - 1300, 0, 1, 1299})
        {
            stage->Process(x.data() + 2 * done, len);
            double* e = expected.data() + 2 * done;
            sat->Process(e, len);
            for (int i = 0; i < len; ++i)
            {
                const double l = dc.ProcessSample(0, e[2 * i]);
                const double r = dc.ProcessSample(1, e[2 * i + 1]);
                const double v = noise.Next();
                e[2 * i] = l + v;
                e[2 * i + 1] = r + v;
            }
            done += len;
        }
        EXPECT_TRUE(SameBits(x.data(), expected.data(), x.size())) << kind;
        EXPECT_TRUE(SameBits(stage->dcBlocker.x1, dc.x1, 2) &&
                    SameBits(stage->dcBlocker.y1, dc.y1, 2))
            << kind;
        EXPECT_EQ(stage->noise.s0, noise.s0);
        EXPECT_EQ(stage->noise.s1, noise.s1);
    }
}

TEST(FusedPaths, DownsamplingEqualsFilteringEveryFrameThenKeepingEveryThird)
{
    auto os = std::make_unique<Oversampler>();
    os->Design(20000.0 / (3 * 48000.0));
    Dsp::BesselLowPass<4, 2> reference(os->down);
    const std::vector<double> in = TestFrames(3 * 2000, 13);
    std::vector<double> out(2 * 2000), expected(2 * 2000), scratch(in.size());
    int done = 0;
    for (int len : {1, 0, 999, 1000})
    {
        std::memcpy(os->MainBuffer(), in.data() + 6 * done, sizeof(double) * 6 * len);
        os->Downsample(out.data() + 2 * done, len);
        std::memcpy(scratch.data(), in.data() + 6 * done, sizeof(double) * 6 * len);
        reference.ProcessGeneral(3 * len, scratch.data());
        for (int j = 0; j < len; ++j)
        {
            expected[2 * (done + j)] = scratch[6 * j];
            expected[2 * (done + j) + 1] = scratch[6 * j + 1];
        }
        done += len;
    }
    EXPECT_TRUE(SameBits(out.data(), expected.data(), out.size()));
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < 2; ++k)
            EXPECT_EQ(0, std::memcmp(&os->down.GetState(ch, k), &reference.GetState(ch, k),
                                     sizeof(Dsp::SectionState)));
}
