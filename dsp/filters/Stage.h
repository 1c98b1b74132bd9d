#pragma once

namespace Dsp
{

// One biquad section: (b[0] + b[1]z⁻¹ + b[2]z⁻²) / (1 − a[1]z⁻¹ − a[2]z⁻²).
// a[1], a[2] carry the sign under which they are ADDED in the recursion;
// a[0] is never written or read (the leading denominator term is always 1).
struct Stage
{
    double a[3];
    double b[3];
};

} // namespace Dsp
