#pragma once

#include "dsp/filters/CascadeFilter.h"
#include "dsp/filters/FilterParams.h"
#include "dsp/filters/Layout.h"

namespace Dsp
{

// A cascade designed from a pole/zero layout; the Layout base is the
// filter's digital (z-plane) layout.
class PoleFilter : public CascadeFilter, public Layout
{
  public:
    // Prototype → band transform → ApplyLayout. Returns the stage array, or
    // null when the design is invalid (cutoff not inside 0..half the rate,
    // a non-finite parameter or coefficient); the coefficients are then left
    // exactly as they were. The state is never touched.
    virtual const Stage* Design(const FilterParams& params) = 0;

    const Layout& GetDigitalLayout() const { return *this; }

  protected:
    PoleFilter(Stage* stages, int stageMax, SectionState* state, int channels, Complex* poles,
               Complex* zeros, int rootMax)
        : CascadeFilter(stages, stageMax, state, channels), Layout(poles, zeros, rootMax)
    {
    }
    ~PoleFilter() = default;

    // Applies the digital layout; if any resulting coefficient is not
    // finite, restores `saved` (the stageMax sections and `savedCount`
    // taken before) and returns null.
    const Stage* RealiseOrRestore(const Stage* saved, int savedCount);
};

} // namespace Dsp
