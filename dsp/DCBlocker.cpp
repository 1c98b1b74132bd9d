#include "dsp/DCBlocker.h"

#include <cmath>

namespace
{
constexpr double kPi = 3.14159265358979323846;
constexpr int kNominalRate = 44100;
} // namespace

// The coefficients start out valid for the nominal rate, so a stage used
// before its first set-up still passes audio.
DCBlocker::DCBlocker()
{
    SetSampleRate(kNominalRate);
}

bool DCBlocker::IsStateFinite() const
{
    return std::isfinite(x1[0]) && std::isfinite(x1[1]) && std::isfinite(y1[0]) &&
           std::isfinite(y1[1]);
}

void DCBlocker::ResetState()
{
    x1[0] = x1[1] = 0.0;
    y1[0] = y1[1] = 0.0;
}

void DCBlocker::SetSampleRate(int rate)
{
    const float cornerPerSample = 15.0f / static_cast<float>(rate);
    const double f = std::exp(-2.0 * kPi * static_cast<double>(cornerPerSample));
    b0 = (1.0 + f) / 2.0;
    b1 = -(1.0 + f) / 2.0;
    a1 = f;
}
