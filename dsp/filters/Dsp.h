#pragma once

// The Dsp IIR filter library: z-plane layouts realised as biquad cascades,
// Butterworth, Chebyshev I and Bessel prototypes with low-pass and high-pass
// bilinear transforms, and a direct one-section high-shelf design.

#include "dsp/filters/Bessel.h"
#include "dsp/filters/BesselLowPass.h"
#include "dsp/filters/BesselSolver.h"
#include "dsp/filters/ButterHighPass.h"
#include "dsp/filters/Cascade.h"
#include "dsp/filters/CascadeSpace.h"
#include "dsp/filters/ChebyILowPass.h"
#include "dsp/filters/Complex.h"
#include "dsp/filters/CpuFeatures.h"
#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"
#include "dsp/filters/LayoutSpace.h"
#include "dsp/filters/PoleFilterSpace.h"
#include "dsp/filters/SingleSectionFilter.h"
