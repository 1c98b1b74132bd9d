#include "dsp/filters/BesselSolver.h"

#include "dsp/filters/Invariant.h"

#include <cmath>

namespace Dsp
{

namespace
{
constexpr int kIterationsPerBreak = 10;
constexpr int kMaxIterations = 80;
// Fractional steps that break limit cycles every tenth iteration.
constexpr double kFrac[kMaxIterations / kIterationsPerBreak + 1] = {0.0,  0.5,  0.25, 0.75, 0.13,
                                                                    0.38, 0.62, 0.88, 1.0};
constexpr double kEpsilon = 2.220446049250313e-16; // 2^−52
} // namespace

BesselSolver::BesselSolver(int degree) : m_degree(degree)
{
    DSP_INVARIANT(degree <= m_maxdegree, "degree<=m_maxdegree");
}

bool BesselSolver::Laguerre(const Complex* a, int degree, Complex& x)
{
    const double m = degree;
    for (int it = 1; it <= kMaxIterations; ++it)
    {
        // p(x), p'(x) and p''(x)/2 by Horner, with the rounding bound of p.
        Complex b = a[degree];
        double err = Abs(b);
        Complex d(0);
        Complex f(0);
        const double abx = Abs(x);
        for (int j = degree - 1; j >= 0; --j)
        {
            f = x * f + d;
            d = x * d + b;
            b = x * b + a[j];
            err = Abs(b) + abx * err;
        }
        err *= kEpsilon;
        if (Abs(b) <= err) return true;

        const Complex g = d / b;
        const Complex g2 = g * g;
        const Complex h = g2 - (2.0 * f) / b;
        const Complex sq = Sqrt((m - 1) * (m * h - g2));
        Complex gp = g + sq;
        const Complex gm = g - sq;
        const double abp = Abs(gp);
        const double abm = Abs(gm);
        if (abp < abm) gp = gm;
        const double largest = abp > abm ? abp : abm;
        const Complex dx = largest > 0
                               ? Complex(m) / gp
                               : (1 + abx) * Complex(std::cos(double(it)), std::sin(double(it)));
        const Complex x1 = x - dx;
        if (x1 == x) return true;
        if (it % kIterationsPerBreak != 0)
            x = x1;
        else
            x = x - kFrac[it / kIterationsPerBreak] * dx;
    }
    return false;
}

bool BesselSolver::Solve(bool polish, bool sort)
{
    const int m = m_degree;
    for (int j = 0; j <= m; ++j)
        m_ad[j] = m_a[j];

    for (int j = m - 1; j >= 0; --j)
    {
        Complex x(0);
        if (!Laguerre(m_ad, j + 1, x)) return false;
        if (std::fabs(x.re) * 2e-14 >= std::fabs(x.im)) x.im = 0;
        m_root[j] = x;
        // Synthetic division by (s − x).
        Complex b = m_ad[j + 1];
        for (int jj = j; jj >= 0; --jj)
        {
            const Complex t = m_ad[jj];
            m_ad[jj] = b;
            b = x * b + t;
        }
    }

    if (polish)
        for (int j = 0; j < m; ++j)
            if (!Laguerre(m_a, m, m_root[j])) return false;

    if (sort)
        for (int j = 1; j < m; ++j)
        {
            const Complex x = m_root[j];
            int i = j - 1;
            for (; i >= 0 && m_root[i].re > x.re; --i)
                m_root[i + 1] = m_root[i];
            m_root[i + 1] = x;
        }
    return true;
}

} // namespace Dsp
