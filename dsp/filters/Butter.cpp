#include "dsp/filters/Butter.h"

#include <cmath>

namespace Dsp
{

bool Butter::Design(const FilterParams& params, Layout& analog) const
{
    const int n = params.order;
    analog.SetPoleCount(n);
    analog.SetZeroCount(n);
    // tan(π/4) as the run time computes it (possibly one ulp below 1).
    const double r = std::tan(kPi / 4);
    for (int i = 0; i < n; ++i)
    {
        const double theta = (2 * i + 1) * kPi / (2 * n) + kPi / 2;
        analog.Pole(i) = Complex(r * std::cos(theta), r * std::sin(theta));
        analog.Zero(i) = infinity;
    }
    analog.SetNormalisation(0, 1);
    return true;
}

} // namespace Dsp
