// The analog stage: noise floor, DC removal, harmonics by drive.

#include "dsp/analogue_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// M_PI is not standard C++ (mingw leaves it out in strict mode).
static constexpr double kPi = 3.14159265358979323846;

namespace
{
// Amplitude of harmonic h of a tone with `period` samples, by correlation
// over whole periods.
double Harmonic(const std::vector<double>& frames, int channel, int start, int periods, int period,
                int h)
{
    double re = 0, im = 0;
    const int n = periods * period;
    for (int i = 0; i < n; ++i)
    {
        const double ph = 2 * kPi * h * i / period;
        re += frames[2 * (start + i) + channel] * std::cos(ph);
        im += frames[2 * (start + i) + channel] * std::sin(ph);
    }
    return 2 * std::hypot(re, im) / n;
}
} // namespace

TEST(AnalogStage, SilenceGivesOnlyTinyNoiseIdenticalOnBothChannels)
{
    auto stage = std::make_unique<analogue_block>();
    stage->SetSampleRate(44100, analogue_block::kFET);
    std::vector<double> x(2 * 20000, 0.0);
    stage->Process(x.data(), 20000);
    double peak = 0;
    bool moves = false;
    for (int i = 0; i < 20000; ++i)
    {
        ASSERT_EQ(x[2 * i], x[2 * i + 1]) << "frame " << i;
        peak = std::max(peak, std::fabs(x[2 * i]));
        moves = moves || x[2 * i] != x[0];
    }
    EXPECT_LT(peak, 1e-5);
    EXPECT_GT(peak, 1e-7); // the noise is really there (about -100 dB)
    EXPECT_TRUE(moves);
}

TEST(AnalogStage, EveryInstanceStartsTheSameNoiseSequence)
{
    auto a = std::make_unique<analogue_block>();
    auto b = std::make_unique<analogue_block>();
    a->SetSampleRate(48000, analogue_block::kVCA);
    b->SetSampleRate(96000, analogue_block::kOpto);
    std::vector<double> xa(2 * 64, 0.0), xb(2 * 64, 0.0);
    a->Process(xa.data(), 64);
    b->Process(xb.data(), 64);
    // The first values are dominated by the noise; the DC blockers differ by
    // rate only in the 1e-23 offset's response.
    for (int i = 0; i < 64; ++i)
        EXPECT_NEAR(xa[2 * i], xb[2 * i], 1e-20);
    // Independent recurrence of the first words: w = s1; s0 ^= s1; s1 = s0 + old s1.
    uint32_t s0 = 0x67452301u, s1 = 0xEFCDAB89u;
    for (int i = 0; i < 64; ++i)
    {
        const double v = std::ldexp((double)(int32_t)s1, -31) * 1e-5;
        const uint32_t old = s1;
        s0 ^= old;
        s1 = s0 + old;
        EXPECT_NEAR(xa[2 * i], v, 1e-20) << "frame " << i;
    }
}

TEST(AnalogStage, ConstantInputDecaysWithTheFifteenHertzCorner)
{
    auto stage = std::make_unique<analogue_block>();
    stage->SetSampleRate(44100, analogue_block::kVCA);
    const int n = 44100;
    std::vector<double> x(2 * n, 0.25);
    stage->Process(x.data(), n);
    // Time constant 1 / (2 pi 15 Hz) = 10.6 ms = 468 frames.
    const double tau = 44100.0 / (2 * kPi * 15.0);
    const double start = x[0];
    EXPECT_NEAR(x[2 * (int)tau] / start, std::exp(-1.0), 0.01);
    EXPECT_LT(std::fabs(x[2 * (n - 1)]), 1e-5);
}

TEST(AnalogStage, DriveSetsTheSecondHarmonicOddOnesStayFixed)
{
    const int period = 80; // 551.25 Hz at 44.1 kHz, well below the band limit
    const int frames = 200 * period;
    std::vector<double> tone(2 * frames);
    for (int i = 0; i < frames; ++i)
        tone[2 * i] = tone[2 * i + 1] = 0.5 * std::sin(2 * kPi * i / period);

    std::vector<double> vca = tone, fet = tone;
    auto a = std::make_unique<analogue_block>();
    auto b = std::make_unique<analogue_block>();
    a->SetSampleRate(44100, analogue_block::kVCA);
    b->SetSampleRate(44100, analogue_block::kFET);
    a->Process(vca.data(), frames);
    b->Process(fet.data(), frames);

    const double h2Vca = Harmonic(vca, 0, 100 * period, 100, period, 2);
    const double h2Fet = Harmonic(fet, 0, 100 * period, 100, period, 2);
    const double h3Vca = Harmonic(vca, 0, 100 * period, 100, period, 3);
    const double h3Fet = Harmonic(fet, 0, 100 * period, 100, period, 3);
    // Drive 0.5 against 0.005: the even harmonic scales with it (40 dB).
    EXPECT_GT(h2Fet, 1e-3);
    EXPECT_NEAR(20 * std::log10(h2Fet / h2Vca), 40.0, 1.0);
    // -0.15 b^3 gives about 0.15 * A^3 / 4 of third harmonic whatever the drive.
    EXPECT_NEAR(h3Fet, h3Vca, 1e-9);
    EXPECT_NEAR(h3Vca, 0.15 * 0.125 / 4, 0.15 * 0.125 / 4 * 0.25);
}

TEST(AnalogStage, LongBlocksEqualTheSameAudioInPieces)
{
    const int n = 10000; // beyond the 4096-frame copy buffer
    std::vector<double> x(2 * n);
    for (int i = 0; i < 2 * n; ++i)
        x[i] = 0.8 * std::sin(0.0137 * i) * std::cos(0.00071 * i);
    std::vector<double> y = x;
    auto a = std::make_unique<analogue_block>();
    auto b = std::make_unique<analogue_block>();
    a->SetSampleRate(44100, analogue_block::kOpto);
    b->SetSampleRate(44100, analogue_block::kOpto);
    a->Process(x.data(), n);
    for (int done = 0, len = 1; done < n; done += len, len = len * 3 % 1000 + 1)
        b->Process(y.data() + 2 * done, std::min(len, n - done));
    EXPECT_EQ(0, std::memcmp(x.data(), y.data(), sizeof(double) * x.size()));
}
