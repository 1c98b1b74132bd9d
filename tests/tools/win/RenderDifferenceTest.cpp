#include "tools/win/RenderDifference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

// The sample-by-sample agreement korvala-crosscheck compare-wav demands of the
// Linux and Windows renders.

namespace
{
AudioBuffer Render(int channels, int frames)
{
    AudioBuffer audio;
    audio.channels.assign(static_cast<size_t>(channels), std::vector<double>(frames));
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < frames; ++i)
            audio.channels[c][i] = static_cast<float>(std::sin(0.01 * i + c) * 0.8);
    return audio;
}
} // namespace

TEST(RenderDifference, IdenticalRendersAgreeEverywhere)
{
    const AudioBuffer a = Render(2, 500);
    const RenderDifference d = CompareRenders(a, a);
    EXPECT_TRUE(d.sameShape);
    EXPECT_EQ(d.samples, 1000u);
    EXPECT_EQ(d.largest, 0.0);
    EXPECT_EQ(d.beyondOneRounding, 0u);
}

TEST(RenderDifference, EachSampleIsHeldToItsOwnMagnitude)
{
    const AudioBuffer a = Render(2, 500);
    AudioBuffer b = a;
    // Within 2^-24 of the sample's magnitude: agreement.
    b.channels[0][10] = 0.5 + std::ldexp(1.0, -26);
    AudioBuffer a2 = a;
    a2.channels[0][10] = 0.5;
    EXPECT_EQ(CompareRenders(a2, b).beyondOneRounding, 0u);
    // The same absolute difference on a sample 256 times smaller is too much.
    a2.channels[1][20] = 0.5 / 256;
    b.channels[1][20] = 0.5 / 256 + std::ldexp(1.0, -26);
    const RenderDifference d = CompareRenders(a2, b);
    EXPECT_EQ(d.beyondOneRounding, 1u);
    EXPECT_EQ(d.largest, std::ldexp(1.0, -26));
}

TEST(RenderDifference, ANaNOnOneSideOnlyAndShapeMismatchesAreDisagreements)
{
    const AudioBuffer a = Render(2, 100);
    AudioBuffer b = a;
    b.channels[1][7] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(CompareRenders(a, b).beyondOneRounding, 1u);
    EXPECT_EQ(CompareRenders(b, b).beyondOneRounding, 0u);

    EXPECT_FALSE(CompareRenders(a, Render(2, 99)).sameShape);
    EXPECT_FALSE(CompareRenders(a, Render(1, 100)).sameShape);
    EXPECT_FALSE(CompareRenders(Render(2, 0), Render(2, 0)).sameShape);
}
