#pragma once

#include "dsp/filters/CascadeFilter.h"

namespace Dsp
{

// A free-standing one-section, one-channel cascade with its own state, for
// direct designs. Constructed with stage count 1 and zero coefficients, so it
// outputs zeros until designed.
class SingleSectionFilter : public CascadeFilter
{
  public:
    SingleSectionFilter();
    SingleSectionFilter(const SingleSectionFilter& other);
    SingleSectionFilter& operator=(const SingleSectionFilter& other);

    // Second-order high shelf written straight into section 0: unit gain at
    // DC, gainDb at Nyquist. frequency in cycles per sample (cutoff / rate),
    // slope > 0 (1 is the steepest without overshoot). Uses the approximate
    // sine, cosine and square root of FastApprox.h, which belong to the
    // design. The state is not touched.
    void DesignHighShelf(double frequency, double gainDb, double slope);

    double ProcessSample(double in) { return Tick(m_stage, m_state, in); }
    void Process(int frameCount, double* samples, int skip = 0);

  private:
    Stage m_stage = {};
    SectionState m_state = {};
};

} // namespace Dsp
