#pragma once

#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// Bessel analog low-pass prototype: the roots of the reverse Bessel
// polynomial of degree params.order, scaled by 1/sqrt(ln 2 · (2n − 1)),
// zeros at infinity, unit gain at DC. Returns false only if the root search
// fails to converge (it does not for the orders in use).
class Bessel
{
  public:
    bool Design(const FilterParams& params, Layout& analog) const;

    // c_k = (2n−k)! / (2^(n−k) · k! · (n−k)!), the coefficient of s^k.
    static double PolynomialCoefficient(int order, int k);
};

} // namespace Dsp
