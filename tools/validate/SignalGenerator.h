#pragma once

#include "tools/validate/Random.h"

namespace validate
{

// Finite test audio for the four inputs (main left/right, sidechain
// left/right): a random sequence of segments of noise, sines, bursts,
// impulses, DC and digital silence, with peaks up to about +6 dBFS. The
// sequence continues across calls, so one generator feeds a run of blocks.
class SignalGenerator
{
  public:
    SignalGenerator(uint64_t seed, double sampleRate);

    // Writes n frames into each of the four channel buffers.
    void Fill(double* const channels[4], int n);

  private:
    enum Kind
    {
        Noise,
        Sine,
        Burst,
        Impulses,
        Dc,
        Silence,
        KindCount
    };

    struct Segment
    {
        Kind kind = Silence;
        long remaining = 0; // frames left in this segment
        double amplitude = 0.0;
        double phase = 0.0;
        double phasePerFrame = 0.0; // radians
        long period = 1;            // frames between impulses
        long position = 0;
    };

    void Start(Segment& s);
    double Sample(Segment& s);

    Random mRandom;
    double mSampleRate;
    Segment mMain;
    Segment mSide;
};

} // namespace validate
