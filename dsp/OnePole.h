#pragma once

#include <cmath>

// Coefficients of the one-pole smoother y := (1 - a) * x + a * y.
// `rate` is the rate at which the recursion runs (three times the host's rate
// while oversampling is on), so a time constant means the same time in both
// modes.
class OnePole
{
  public:
    // a = e^(-1 / (rate * timeMs / 1000)), all in double precision.
    static double CoefficientMs(double timeMs, double rate)
    {
        return std::exp(-1.0 / (rate * timeMs / 1000.0));
    }

    // The opto model's variant: the exponent is rounded to single precision,
    // the exponential is taken in single precision and the result widened.
    static double CoefficientSingle(double seconds, double rate)
    {
        return static_cast<double>(std::exp(static_cast<float>(-1.0 / (rate * seconds))));
    }
};
