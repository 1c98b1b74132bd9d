#include "dsp/filters/LowPass.h"

#include <cmath>

namespace Dsp
{

namespace
{
// 0 < fc < fs/2, both finite: otherwise tan(π·fc/fs) is zero, negative,
// beyond the pole of tan or not finite, and the design would be garbage.
bool ValidCutoff(const FilterParams& p)
{
    return std::isfinite(p.sampleRate) && std::isfinite(p.cutoffFrequency) && p.sampleRate > 0 &&
           p.cutoffFrequency > 0 && p.cutoffFrequency < 0.5 * p.sampleRate;
}
} // namespace

bool LowPass::Transform(const FilterParams& params, const Layout& analog, Layout& digital) const
{
    if (!ValidCutoff(params)) return false;
    const double k = std::tan(params.cutoffFrequency * kTwoPi / params.sampleRate * 0.5);
    if (!std::isfinite(k) || !(k > 0)) return false;

    digital.SetPoleCount(analog.GetPoleCount());
    digital.SetZeroCount(analog.GetZeroCount());
    auto map = [k](Complex s)
    {
        if (s == infinity) return Complex(-1, 0);
        const Complex ks(k * s.re, k * s.im);
        return (Complex(1) + ks) / (Complex(1) - ks);
    };
    for (int i = 0; i < analog.GetPoleCount(); ++i)
        digital.Pole(i) = map(analog.Pole(i));
    for (int i = 0; i < analog.GetZeroCount(); ++i)
        digital.Zero(i) = map(analog.Zero(i));
    digital.SetNormalisation(analog.GetNormalisationFrequency(), analog.GetNormalisationGain());
    return true;
}

} // namespace Dsp
