#pragma once

#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// Low-pass to high-pass bilinear transform: k = tan(π·fc/fs),
// s ↦ −(1 + s/k)/(1 − s/k), zeros at infinity ↦ +1, normalised at Nyquist.
// Returns false (digital layout untouched) unless 0 < fc < fs/2 with both
// finite.
class HighPass
{
  public:
    bool Transform(const FilterParams& params, const Layout& analog, Layout& digital) const;
};

} // namespace Dsp
