#pragma once

// The rational curve of the FET and opto models:
//   o(m) = m / (kSquare * m^2 + kConstant) + kLinear * m,  gain = 1 - o,
// with o clamped into -1..1. o reaches 1 (gain 0) at m of about 4.414. The
// FET model feeds it m = 2 env^2, the opto model the envelope itself; each
// model writes out its own evaluation order, which is part of its output.
class GainCurve
{
  public:
    static constexpr double kSquare = 0.37011709966;
    static constexpr double kConstant = 1.1605589854;
    static constexpr double kLinear = 0.1071000671;
};
