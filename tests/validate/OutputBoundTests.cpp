// The validator's output bound for our plug-in (from its profile) against the
// real analog stage: a hot input legitimately comes out far louder than ten
// times its peak (the harmonics grow with the sixth power), and the bound
// must still hold it, with its whole safety margin to spare.

#include "dsp/analogue_block.h"
#include "tools/validate/Profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{

// Peak of the FET stage's output for silence followed by a ±2 square wave of
// the given half period (a step is the band-limit filter's worst overshoot,
// and the silence before it lets the DC blocker pass the new DC whole).
double HotSquarePeak(int halfPeriod, int rate)
{
    analogue_block stage;
    stage.SetSampleRate(rate, analogue_block::kFET);
    std::vector<double> frames(2 * 4096, 0.0);
    double peak = 0.0;
    for (int block = 0; block < 8; ++block)
    {
        for (int i = 0; i < 4096; ++i)
        {
            const long n = long(block) * 4096 + i;
            const double x = block < 2 ? 0.0 : ((n / halfPeriod) % 2 ? -2.0 : 2.0);
            frames[2 * i] = frames[2 * i + 1] = x;
        }
        stage.Process(frames.data(), 4096);
        for (double v : frames)
            peak = std::max(peak, std::fabs(v));
    }
    return peak;
}

} // namespace

TEST(OutputPeakBound, HoldsTheAnalogStageOnHotInputWithItsMarginToSpare)
{
    // The bound as the validator applies it to our plug-in: its built-in profile.
    const validate::Profile* profile = validate::ProfileChoice().For(VstFourCC('B', 'k', 'K', 'v'));
    ASSERT_NE(profile, nullptr);
    double loudest = 0.0;
    for (int rate : {8000, 44100, 192000})
        for (int halfPeriod : {1, 3, 8, 16, 64, 1000})
            loudest = std::max(loudest, HotSquarePeak(halfPeriod, rate));
    // Louder than the no-analog bound: a plain ten-times check false-alarms.
    EXPECT_GT(loudest, profile->OutputPeakBound(2.0, false));
    // Within the analog bound even before its tenfold margin.
    EXPECT_LT(10.0 * loudest, profile->OutputPeakBound(2.0, true));
}
