#pragma once

namespace Dsp
{

// Direct form I memory of one section on one channel: the previous two
// inputs and the previous two outputs.
struct SectionState
{
    double x1;
    double x2;
    double y1;
    double y2;
};

} // namespace Dsp
