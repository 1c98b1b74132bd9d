#pragma once

#include <cstdlib>

// The small gain difference of the right channel while analog emulation is
// on, drawn once per model from the C library's rand(): b is 0.01 to 2.00 in
// steps of 0.01, the offset +-0.005 * b (positive for b above 1).
class RightChannelOffset
{
  public:
    static double Draw()
    {
        const double b = (std::rand() % 200 + 1) / 100.0;
        return b > 1.0 ? 0.01 * b / 2.0 : -0.01 * b / 2.0;
    }
};
