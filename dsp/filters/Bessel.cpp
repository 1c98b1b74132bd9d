#include "dsp/filters/Bessel.h"

#include "dsp/filters/BesselSolver.h"

#include <cmath>

namespace Dsp
{

namespace
{
double Factorial(int n)
{
    return n <= 1 ? 1.0 : n * Factorial(n - 1);
}

double PowerOfTwo(int e)
{
    double result = 1;
    double base = 2;
    while (e > 0)
    {
        if (e & 1) result *= base;
        base *= base;
        e >>= 1;
    }
    return result;
}
} // namespace

double Bessel::PolynomialCoefficient(int order, int k)
{
    return Factorial(2 * order - k) / (PowerOfTwo(order - k) * Factorial(k) * Factorial(order - k));
}

bool Bessel::Design(const FilterParams& params, Layout& analog) const
{
    const int n = params.order;
    analog.SetPoleCount(n);
    analog.SetZeroCount(n);

    BesselSolver solver(n);
    for (int k = 0; k <= n; ++k)
        solver.Coefficient(k) = Complex(PolynomialCoefficient(n, k));
    if (!solver.Solve(false, false)) return false;

    // Scaled so the magnitude is −3 dB near s = j (the usual Bessel
    // normalisation), so that cutoffs compare with the other prototypes.
    const double scale = 1 / std::sqrt(std::log(2.0) * (2 * n - 1));
    for (int i = 0; i < n; ++i)
    {
        analog.Pole(i) = solver.Root(i) * scale;
        analog.Zero(i) = infinity;
    }
    analog.SetNormalisation(0, 1);
    return true;
}

} // namespace Dsp
