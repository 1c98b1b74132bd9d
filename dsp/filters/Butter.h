#pragma once

#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// Butterworth analog low-pass prototype: params.order poles on the unit
// circle in the left half plane, zeros at infinity, unit gain at DC.
class Butter
{
  public:
    bool Design(const FilterParams& params, Layout& analog) const;
};

} // namespace Dsp
