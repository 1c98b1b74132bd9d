#pragma once

#include "dsp/filters/Bessel.h"
#include "dsp/filters/LowPass.h"
#include "dsp/filters/PoleFilterSpace.h"

namespace Dsp
{

template <int order, int channels>
class BesselLowPass : public PoleFilterSpace<Bessel, LowPass, order, channels>
{
    using Base = PoleFilterSpace<Bessel, LowPass, order, channels>;

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
