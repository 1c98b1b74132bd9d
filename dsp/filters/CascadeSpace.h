#pragma once

#include "dsp/filters/Cascade.h"

namespace Dsp
{

// A Cascade owning the (N+1)/2 sections an order-N layout needs.
template <int N> class CascadeSpace : public Cascade
{
    static_assert(N >= 1, "a cascade holds at least one section");

  public:
    static constexpr int kStages = (N + 1) / 2;

    CascadeSpace() : Cascade(m_stageSpace, kStages) {}
    CascadeSpace(const CascadeSpace& other) : Cascade(m_stageSpace, kStages)
    {
        CopyStagesFrom(other);
    }
    CascadeSpace& operator=(const CascadeSpace& other)
    {
        CopyStagesFrom(other);
        return *this;
    }

  private:
    Stage m_stageSpace[kStages] = {};
};

} // namespace Dsp
