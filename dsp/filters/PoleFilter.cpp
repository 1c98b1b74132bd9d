#include "dsp/filters/PoleFilter.h"

#include <cmath>

namespace Dsp
{

const Stage* PoleFilter::RealiseOrRestore(const Stage* saved, int savedCount)
{
    ApplyLayout(GetDigitalLayout());
    bool finite = true;
    for (int i = 0; i < GetStageCount(); ++i)
    {
        const Stage& s = GetStage(i);
        finite = finite && std::isfinite(s.a[1]) && std::isfinite(s.a[2]) &&
                 std::isfinite(s.b[0]) && std::isfinite(s.b[1]) && std::isfinite(s.b[2]);
    }
    if (finite) return GetStages();
    for (int i = 0; i < GetStageMax(); ++i)
        GetStage(i) = saved[i];
    SetStageCount(savedCount);
    return nullptr;
}

} // namespace Dsp
