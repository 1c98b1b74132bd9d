#pragma once

#include <cstddef>

// Peak and RMS of a stereo (or mono) signal over everything added since the
// last Reset. The host's own meter: a VST 2 plug-in's meters are not
// visible to a host, so levels and gain reduction are measured outside.
class LevelMeter
{
  public:
    void Reset();
    // Adds frames samples of each channel; right may be null for mono.
    void Add(const double* left, const double* right, size_t frames);

    double Peak() const { return peak_; } // linear, largest magnitude
    double Rms() const;                   // linear, over all samples of both channels
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    size_t Samples() const { return samples_; }

    // Level in dBFS; silence reads as the floor rather than minus infinity.
    static double ToDb(double linear);
    static constexpr double kFloorDb = -144.0;

  private:
    double peak_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
    double sumOfSquares_ = 0.0;
    size_t samples_ = 0;
};
