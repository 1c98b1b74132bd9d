#pragma once

#include "dsp/DCBlocker.h"
#include "dsp/NoiseGenerator.h"
#include "dsp/saturator.h"

// The analog stage every model runs over its block (at the base rate, before
// any oversampling) when "Analog Emulation" is on: saturator, DC blocker,
// then the same tiny noise on both channels. Its state is never reset after
// construction.
class analogue_block final
{
  public:
    // Model kinds passed to SetSampleRate; they pick the saturator's drive.
    enum Kind
    {
        kVCA = 0,
        kFET = 1,
        kOpto = 2
    };

    analogue_block() = default;

    // `rate` is the owning model's processing rate (three times the base rate
    // while oversampling is on), although the stage itself always runs at the
    // base rate: the DC blocker's corner is then 5 Hz instead of 15 Hz.
    // Reseeds the C library's rand() with the current time, which makes the
    // right-channel offsets of models constructed later differ between runs.
    // Also clears the stereo flag and sets the saturator's drive for `kind`.
    void SetSampleRate(int rate, int kind);

    // In place over interleaved stereo frames.
    void Process(double* frames, int frameCount);

    // Finite-state check and the way back to the constructed state after
    // non-finite input: the saturator's band limit and the DC blocker. The
    // noise words are integers, always valid, and keep running, so a reset
    // does not replay the noise sequence from its start.
    bool IsStateFinite() const;
    void ResetState();

    // Stored and cleared by SetSampleRate; the stage does not read it.
    virtual void SetStereoFlag(bool on) { stereo = on; }

    int sampleRate = 44100;
    DCBlocker dcBlocker;
    saturator harmonics;
    NoiseGenerator noise;
    bool stereo = false;

  private:
    // Process on packed doubles in one pass (x86-64), picked when the band
    // limit has its two sections.
    void ProcessPacked(double* frames, int frameCount);
};
