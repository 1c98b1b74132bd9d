#include "dsp/saturator.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr double kBandLimitPerSample = 0.064;
constexpr double kBandLimitRippleDb = 0.5;
} // namespace

void saturator::SetDrive(double driveAmount)
{
    bandLimit.Setup(1.0, kBandLimitPerSample, kBandLimitRippleDb);
    drive = driveAmount;
    flag = false;
}

void saturator::Process(double* frames, int frameCount)
{
    double work[2 * kMaxFrames];
    for (int done = 0; done < frameCount; done += kMaxFrames)
    {
        const int n = std::min(kMaxFrames, frameCount - done);
        double* x = frames + 2 * done;
        std::memcpy(work, x, sizeof(double) * 2 * static_cast<size_t>(n));
        bandLimit.Process(n, work);
        const double k = drive;
        for (int i = 0; i < 2 * n; ++i)
            x[i] = Shape(x[i], work[i], k);
    }
}
