#pragma once

// First-order high-pass over interleaved stereo frames that removes the DC the
// saturator's even-order terms add. Each channel keeps its own previous input
// and output. 1e-23 is added to every input so the recursion never decays
// into denormal numbers on silence.
class DCBlocker
{
  public:
    // Added to every input; far below any audible level.
    static constexpr double kOffset = 1e-23;

    DCBlocker();

    // Corner at 15 Hz for the given rate (frames per second); 15/rate is
    // rounded to single precision before the exponential.
    void SetSampleRate(int rate);

    // One frame, channel 0 or 1, in place.
    double ProcessSample(int channel, double value)
    {
        const double x = value + kOffset;
        const double y = b0 * x + b1 * x1[channel] + a1 * y1[channel];
        x1[channel] = x;
        y1[channel] = y;
        return y;
    }

    // Finite-state check and the way back to the constructed state after
    // non-finite input; the coefficients are kept.
    bool IsStateFinite() const;
    void ResetState();

    double b0 = 0.0;
    double b1 = 0.0;
    double a1 = 0.0;
    double x1[2] = {0.0, 0.0};
    double y1[2] = {0.0, 0.0};
};
