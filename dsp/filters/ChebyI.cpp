#include "dsp/filters/ChebyI.h"

#include <cmath>

namespace Dsp
{

bool ChebyI::Design(const FilterParams& params, Layout& analog) const
{
    const int n = params.order;
    analog.SetPoleCount(n);
    analog.SetZeroCount(n);

    const double ripple = params.rippleDb;
    const double e0 = std::exp(-0.1 * ripple * std::log(10.0)); // 10^(−R/10)
    const double epsInv = 1 / std::sqrt(1 / e0 - 1);
    const double mu = std::log(epsInv + std::sqrt(epsInv * epsInv + 1)) / n;
    const double sh = std::sinh(mu);
    const double ch = std::cosh(mu);

    bool finite = true;
    for (int i = 0; i < n; ++i)
    {
        const int k = 2 * i + 1 - n;
        const double theta = k * kPi / (2 * n);
        const Complex pole(-sh * std::cos(theta), ch * std::sin(theta));
        finite = finite && IsFinite(pole);
        analog.Pole(i) = pole;
        analog.Zero(i) = infinity;
    }
    const double gain = (n % 2 == 1) ? 1.0 : std::pow(10.0, -ripple / 20);
    analog.SetNormalisation(0, gain);
    // Ripple 0 makes 1/ε infinite, a negative ripple makes it NaN.
    return finite && std::isfinite(gain) && gain > 0;
}

} // namespace Dsp
