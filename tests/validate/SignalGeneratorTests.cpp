#include "tools/validate/SignalGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(SignalGenerator, SameSeedSameAudioAcrossAnyBlockSplit)
{
    validate::SignalGenerator a(42, 48000.0), b(42, 48000.0);
    std::vector<double> whole(4 * 9000), split(4 * 9000);
    double* wa[4] = {&whole[0], &whole[9000], &whole[18000], &whole[27000]};
    a.Fill(wa, 9000);
    for (int done = 0; done < 9000;)
    {
        const int n = done % 7 == 0 ? 1 : 1234;
        const int k = n < 9000 - done ? n : 9000 - done;
        double* wb[4] = {&split[done], &split[9000 + done], &split[18000 + done],
                         &split[27000 + done]};
        b.Fill(wb, k);
        done += k;
    }
    EXPECT_EQ(whole, split);
}

TEST(SignalGenerator, IsFiniteLoudEnoughAndSometimesSilent)
{
    validate::SignalGenerator g(3, 44100.0);
    std::vector<double> c(4 * 44100);
    double* ch[4] = {&c[0], &c[44100], &c[88200], &c[132300]};
    g.Fill(ch, 44100);
    double peak = 0.0;
    long zeros = 0;
    for (int i = 0; i < 44100; ++i)
    {
        ASSERT_TRUE(std::isfinite(ch[0][i]) && std::isfinite(ch[2][i]));
        peak = std::fmax(peak, std::fabs(ch[0][i]));
        zeros += ch[0][i] == 0.0;
    }
    EXPECT_GT(peak, 0.5);
    EXPECT_LT(peak, 4.0);
    EXPECT_GT(zeros, 0);
}
