#include "dsp/filters/HighPass.h"

#include <cmath>

namespace Dsp
{

namespace
{
// 0 < fc < fs/2, both finite (see LowPass).
bool ValidCutoff(const FilterParams& p)
{
    return std::isfinite(p.sampleRate) && std::isfinite(p.cutoffFrequency) && p.sampleRate > 0 &&
           p.cutoffFrequency > 0 && p.cutoffFrequency < 0.5 * p.sampleRate;
}
} // namespace

bool HighPass::Transform(const FilterParams& params, const Layout& analog, Layout& digital) const
{
    if (!ValidCutoff(params)) return false;
    const double k = std::tan(params.cutoffFrequency * kTwoPi / params.sampleRate * 0.5);
    if (!std::isfinite(k) || !(k > 0)) return false;
    const double invK = 1 / k;
    if (!std::isfinite(invK)) return false;

    digital.SetPoleCount(analog.GetPoleCount());
    digital.SetZeroCount(analog.GetZeroCount());
    auto map = [invK](Complex s)
    {
        if (s == infinity) return Complex(1, 0);
        const Complex sk(s.re * invK, s.im * invK);
        return -((Complex(1) + sk) / (Complex(1) - sk));
    };
    for (int i = 0; i < analog.GetPoleCount(); ++i)
        digital.Pole(i) = map(analog.Pole(i));
    for (int i = 0; i < analog.GetZeroCount(); ++i)
        digital.Zero(i) = map(analog.Zero(i));
    digital.SetNormalisation(kPi - analog.GetNormalisationFrequency(),
                             analog.GetNormalisationGain());
    return true;
}

} // namespace Dsp
