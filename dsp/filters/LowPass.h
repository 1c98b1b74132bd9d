#pragma once

#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// Bilinear transform of an analog low-pass prototype into a digital
// low-pass with the cutoff prewarped: k = tan(π·fc/fs), s ↦ (1 + k·s)/(1 − k·s),
// zeros at infinity ↦ −1. Returns false (digital layout untouched) unless
// 0 < fc < fs/2 with both finite.
class LowPass
{
  public:
    bool Transform(const FilterParams& params, const Layout& analog, Layout& digital) const;
};

} // namespace Dsp
