#pragma once

#include "dsp/filters/Complex.h"

namespace Dsp
{

// All roots of a complex polynomial of degree ≤ m_maxdegree by Laguerre's
// method with deflation. Lives on the stack of one design call.
class BesselSolver
{
  public:
    static constexpr int m_maxdegree = 100;

    explicit BesselSolver(int degree);

    int GetDegree() const { return m_degree; }
    // Coefficient of s^k, k = 0..degree.
    Complex& Coefficient(int k) { return m_a[k]; }

    // Fills Root(0..degree−1). Polishing refines each root on the undeflated
    // polynomial; sorting orders them by ascending real part. Returns false
    // if a root search does not converge within 80 iterations.
    bool Solve(bool polish, bool sort);
    const Complex& Root(int i) const { return m_root[i]; }

    // One Laguerre search for a root of a[0..degree] starting from x.
    static bool Laguerre(const Complex* a, int degree, Complex& x);

  private:
    int m_degree;
    Complex m_a[m_maxdegree + 1] = {};
    Complex m_ad[m_maxdegree + 1] = {};
    Complex m_root[m_maxdegree] = {};
};

} // namespace Dsp
