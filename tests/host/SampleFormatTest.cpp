// The conversion of rendered samples to PCM, against the analytic moments of
// TPDF dither and the exactness a 24-bit grid allows.
#include "SampleFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace
{

struct Moments
{
    double mean = 0.0;
    double variance = 0.0;
    double largest = 0.0; // largest magnitude
};

// The error Q(x) - x in LSB over n samples of signal(i).
template <class Signal> Moments ErrorMoments(PcmQuantiser& quantiser, size_t n, Signal signal)
{
    double sum = 0.0, sumSquares = 0.0, largest = 0.0;
    for (size_t i = 0; i < n; ++i)
    {
        const double x = signal(i);
        const double error = quantiser.Quantise(x) - x * quantiser.FullScale();
        sum += error;
        sumSquares += error * error;
        largest = std::max(largest, std::fabs(error));
    }
    Moments m;
    m.mean = sum / static_cast<double>(n);
    m.variance = sumSquares / static_cast<double>(n) - m.mean * m.mean;
    m.largest = largest;
    return m;
}

} // namespace

TEST(SampleFormat, NamesParseAndOthersAreRefused)
{
    SampleFormat format = SampleFormat::Float;
    EXPECT_TRUE(ParseSampleFormat("pcm16", format));
    EXPECT_EQ(format, SampleFormat::Pcm16);
    EXPECT_TRUE(ParseSampleFormat("pcm24", format));
    EXPECT_EQ(format, SampleFormat::Pcm24);
    EXPECT_TRUE(ParseSampleFormat("float", format));
    EXPECT_EQ(format, SampleFormat::Float);
    EXPECT_FALSE(ParseSampleFormat("pcm32", format));
    EXPECT_FALSE(ParseSampleFormat("PCM16", format));
    EXPECT_EQ(format, SampleFormat::Float);
}

// TPDF of +-1 LSB (two uniform +-1/2 LSB values) before rounding makes the
// total error's mean 0 and its variance 1/12 + 2/12 = 1/4 LSB^2 for any
// input, including constants between two codes, where rounding alone would
// leave a fixed offset and no noise at all.
TEST(SampleFormat, SixteenBitDitherErrorHasZeroMeanAndAQuarterLsbSquaredWhateverTheSignal)
{
    constexpr size_t kSamples = 400000;
    // Standard error of the mean sqrt(1/4 / n) = 0.0008 LSB; of the
    // variance about sqrt(2/n) * 1/4 at most, 0.0006 LSB^2.
    const double lsb = 1.0 / 32768.0;
    for (double offset : {0.0, 0.25, 0.5, 0.3, -0.7, 1234.6})
    {
        PcmQuantiser quantiser(SampleFormat::Pcm16);
        Moments m = ErrorMoments(quantiser, kSamples, [&](size_t) { return offset * lsb; });
        EXPECT_NEAR(m.mean, 0.0, 0.005) << "offset " << offset << " LSB";
        EXPECT_NEAR(m.variance, 0.25, 0.005) << "offset " << offset << " LSB";
        EXPECT_LE(m.largest, 1.5 + 1e-9) << "offset " << offset << " LSB";
        EXPECT_EQ(quantiser.Clipped(), 0u);
    }
    PcmQuantiser quantiser(SampleFormat::Pcm16);
    Moments sine =
        ErrorMoments(quantiser, kSamples, [](size_t i) { return 0.5 * std::sin(0.0123 * i); });
    EXPECT_NEAR(sine.mean, 0.0, 0.005);
    EXPECT_NEAR(sine.variance, 0.25, 0.005);
    EXPECT_LE(sine.largest, 1.5 + 1e-9);
}

TEST(SampleFormat, SixteenBitDitherIsTriangularAndTheSameForEveryFile)
{
    // A constant exactly on a code: the error is the rounded dither itself,
    // -1, 0 or +1 LSB with the triangle's probabilities 1/8, 3/4, 1/8.
    constexpr size_t kSamples = 200000;
    PcmQuantiser first(SampleFormat::Pcm16), second(SampleFormat::Pcm16);
    size_t counts[3] = {0, 0, 0};
    for (size_t i = 0; i < kSamples; ++i)
    {
        const std::int32_t code = first.Quantise(100.0 / 32768.0);
        ASSERT_GE(code, 99);
        ASSERT_LE(code, 101);
        ++counts[code - 99];
        ASSERT_EQ(second.Quantise(100.0 / 32768.0), code) << "sample " << i;
    }
    EXPECT_NEAR(counts[0] / double(kSamples), 0.125, 0.005);
    EXPECT_NEAR(counts[1] / double(kSamples), 0.75, 0.005);
    EXPECT_NEAR(counts[2] / double(kSamples), 0.125, 0.005);
}

TEST(SampleFormat, TwentyFourBitKeepsSamplesOnItsGridExactly)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> codes(-8388608, 8388607);
    PcmQuantiser quantiser(SampleFormat::Pcm24);
    for (int i = 0; i < 100000; ++i)
    {
        const std::int32_t code = codes(random);
        ASSERT_EQ(quantiser.Quantise(code / 8388608.0), code);
    }
    // 16-bit material carried in 24 bits: the low byte stays zero.
    for (std::int32_t code16 : {-32768, -1, 0, 1, 12345, 32767})
        EXPECT_EQ(quantiser.Quantise(code16 / 32768.0), code16 * 256);
    // Between codes: the nearest, halves upward.
    EXPECT_EQ(quantiser.Quantise(10.4 / 8388608.0), 10);
    EXPECT_EQ(quantiser.Quantise(10.5 / 8388608.0), 11);
    EXPECT_EQ(quantiser.Quantise(-10.6 / 8388608.0), -11);
    EXPECT_EQ(quantiser.Clipped(), 0u);
}

TEST(SampleFormat, LevelsBeyondFullScaleClipAndAreCounted)
{
    PcmQuantiser pcm24(SampleFormat::Pcm24);
    EXPECT_EQ(pcm24.Quantise(1.0), 8388607);
    EXPECT_EQ(pcm24.Quantise(2.5), 8388607);
    EXPECT_EQ(pcm24.Quantise(-1.0), -8388608);
    EXPECT_EQ(pcm24.Quantise(-3.0), -8388608);
    EXPECT_EQ(pcm24.Quantise(std::nan("")), 0);
    EXPECT_EQ(pcm24.Clipped(), 4u);

    PcmQuantiser pcm16(SampleFormat::Pcm16);
    for (int i = 0; i < 1000; ++i)
    {
        const std::int32_t high = pcm16.Quantise(1.2);
        const std::int32_t low = pcm16.Quantise(-1.2);
        ASSERT_EQ(high, 32767);
        ASSERT_EQ(low, -32768);
    }
    EXPECT_EQ(pcm16.Clipped(), 2000u);
}

TEST(SampleFormat, BuffersAreQuantisedFrameByFrameWithChannelsInterleaved)
{
    AudioBuffer audio;
    audio.channels = {{0.5, -0.25, 0.0}, {0.125, 1.0, -1.0}};
    PcmQuantiser quantiser(SampleFormat::Pcm24);
    const std::vector<std::int32_t> codes = quantiser.QuantiseInterleaved(audio);
    const std::vector<std::int32_t> expected{4194304, 1048576, -2097152, 8388607, 0, -8388608};
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(quantiser.Clipped(), 1u);
}
