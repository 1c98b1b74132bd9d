#pragma once

#include "AudioBuffer.h"

// A deterministic, music-like stereo test signal: a drum pattern of sharp
// transients (kick, snare, hi-hat) at 120 BPM, a bass line and a sustained
// chord. Its level changes quickly and often, which is what makes a
// compressor's action visible; the same seconds and rate give the same
// samples on every machine (an integer noise generator, no library random).
class DemoSignal
{
  public:
    static AudioBuffer Generate(double sampleRate, double seconds);
};
