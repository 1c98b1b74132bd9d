#pragma once

#include "dsp/filters/ChebyI.h"
#include "dsp/filters/LowPass.h"
#include "dsp/filters/PoleFilterSpace.h"

namespace Dsp
{

template <int order, int channels>
class ChebyILowPass : public PoleFilterSpace<ChebyI, LowPass, order, channels>
{
    using Base = PoleFilterSpace<ChebyI, LowPass, order, channels>;

  public:
    // cutoffFrequency in the unit of sampleRate, rippleDb > 0. False: invalid
    // design, coefficients unchanged.
    bool Setup(double sampleRate, double cutoffFrequency, double rippleDb)
    {
        FilterParams params;
        params.order = order;
        params.sampleRate = sampleRate;
        params.cutoffFrequency = cutoffFrequency;
        params.rippleDb = rippleDb;
        return Base::Design(params) != nullptr;
    }
};

} // namespace Dsp
