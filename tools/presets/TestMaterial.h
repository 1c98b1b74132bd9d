#pragma once

#include "AudioBuffer.h"

#include <string>

// Deterministic stereo test signals that stand in for the material each
// factory preset is meant for (integer noise, no library random, so every
// machine renders the same samples):
//   vocal: a voiced source through three formant resonances, syllables at
//          about 4 per second, phrases alternating between loud and soft
//          (10 dB apart), as a lead vocal a leveller has to even out;
//   drums: kick, snare and hi-hat with varying velocity at 120 BPM;
//   bass:  a plucked bass line with a fast attack, notes varying by 8 dB;
//   mix:   korvala-host's demo signal (drums, bass and a chord).
class TestMaterial
{
  public:
    // False for an unknown kind.
    static bool Generate(const std::string& kind, double sampleRate, double seconds,
                         AudioBuffer& out);
    // A 1 kHz tone peaking at lowDb dBFS for a second, highDb for a second, lowDb
    // again for two seconds: the step response that shows attack and release.
    static AudioBuffer ToneSteps(double sampleRate, double lowDb, double highDb);
};
