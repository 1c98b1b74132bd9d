#pragma once

#include "dsp/ModelStages.h"

// Feedback compressor ("Model Type" FET): the detector takes the sum of the
// two output channels after the gain (or half the external sidechain's sum),
// drives a peak envelope with attack and release, and a fixed rational curve
// turns the envelope into the gain. "Threshold" and "Ratio" together set how
// hard the detector is driven. One gain for both channels; no make-up gain.
//
// Owns a set of oversampling buffers (about 0.5 MB, on the heap) until
// stages.oversampler.UseBuffers hands it a shared set.
class VintageFETCompressor final
{
  public:
    // Analog stage, oversampler, sidechain high-pass, switches and the
    // gain-reduction value (Process runs through it). Constructed first: it
    // draws the right-channel offset.
    ModelStages stages;

    VintageFETCompressor();

    // Host rate in Hz (> 0, truncated to an integer). The attack and release
    // coefficients are computed for the base rate here; SetOversampling,
    // which the plug-in calls next, corrects them.
    void SetSampleRate(double rate);
    void SetOversampling(bool on);

    // Audio or GUI thread, under the plug-in's lock, before every block.
    virtual void SetStereoFlag(bool on) { stages.SetStereoFlag(on); }

    // Threshold factor 10^(-3 n) and ratio amount n ("Ratio" normalised).
    void SetThreshold(double factorValue) { thresholdFactor = factorValue; }
    void SetRatio(double amount) { ratioAmount = amount; }

    // Normalised knob positions 0..1.
    void SetAttack(float n);
    void SetRelease(float n);
    void SetSidechainFilter(float n) { stages.SetSidechainFilter(n); }

    // The recursion state, read-only.
    double Gain() const { return gain; }
    double Envelope() const { return envelope; }
    double AttackMs() const { return attackMs; }
    double ReleaseMs() const { return releaseMs; }

    // Main frames in place, as VCACompressor::Process.
    void Process(double* frames, int frameCount, const double* sidechain);

    // Recovery from non-finite input, as VCACompressor::IsStateFinite: gain,
    // envelope, detector value and the stages' filter memories.
    bool IsStateFinite() const;
    void ResetState();

  private:
    // Members that no setter has reached yet hold what the first parameter
    // pass with the default settings would give them.
    double attackCoeff;
    double releaseCoeff;
    double attackMs = static_cast<double>(0.02f);
    double releaseMs = 50.0;
    double thresholdFactor = 0.0;
    double ratioAmount = 0.0;
    double gain = 1.0;
    double detectorSample = 0.0;
    double envelope = 0.0;

    friend class ModelStages;
    // The gain computer one frame at a time (the oversampler's one-pass
    // loop runs it between up- and down-sampling), and the loop over a
    // buffer of frames that runs the same steps.
    static constexpr bool kFrameSteps = true;
    template <bool External, bool Filtered> class Step;
    template <bool External, bool Filtered>
    void GainComputer(double* x, int frameCount, const double* y);
};
