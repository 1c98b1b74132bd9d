#pragma once

#include "dsp/filters/Butter.h"
#include "dsp/filters/HighPass.h"
#include "dsp/filters/PoleFilterSpace.h"

namespace Dsp
{

template <int order, int channels>
class ButterHighPass : public PoleFilterSpace<Butter, HighPass, order, channels>
{
    using Base = PoleFilterSpace<Butter, HighPass, order, channels>;

  public:
    // cutoffFrequency in the unit of sampleRate. False: invalid design,
    // coefficients unchanged.
    bool Setup(double sampleRate, double cutoffFrequency)
    {
        FilterParams params;
        params.order = order;
        params.sampleRate = sampleRate;
        params.cutoffFrequency = cutoffFrequency;
        return Base::Design(params) != nullptr;
    }
};

} // namespace Dsp
