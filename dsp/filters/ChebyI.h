#pragma once

#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// Chebyshev type I analog low-pass prototype with params.rippleDb of
// passband ripple; the gain at DC is 1 for odd orders and 10^(−ripple/20)
// for even ones. Returns false when the ripple gives non-finite poles
// (ripple 0, negative or not finite); the layout is then unusable.
class ChebyI
{
  public:
    bool Design(const FilterParams& params, Layout& analog) const;
};

} // namespace Dsp
