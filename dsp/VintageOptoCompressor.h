#pragma once

#include "dsp/ModelStages.h"
#include "dsp/filters/Dsp.h"

// Feedback compressor with fixed timing ("Model Type" OPTO): the detector
// takes the sum of the output channels after the gain (or half the external
// sidechain's sum) through a 6 dB high shelf at 1 kHz, the envelope rises with
// a 10 ms attack and falls at 60 ms for the first tenth of its fall, at
// 600 ms below that. Only "Threshold" reaches it (as the detector drive).
// One gain for both channels; no make-up gain.
//
// Owns a set of oversampling buffers (about 0.5 MB, on the heap) until
// stages.oversampler.UseBuffers hands it a shared set.
class VintageOptoCompressor final
{
  public:
    // Analog stage, oversampler, sidechain high-pass, switches and the
    // gain-reduction value (Process runs through it). Constructed first: it
    // draws the right-channel offset.
    ModelStages stages;

    VintageOptoCompressor();

    // Host rate in Hz (> 0, truncated to an integer).
    void SetSampleRate(double rate);
    void SetOversampling(bool on);
    // Normalised "Sidechain Filter" 0..1.
    void SetSidechainFilter(float n) { stages.SetSidechainFilter(n); }

    // Threshold factor 10^(-3 n), n the normalised "Threshold".
    void SetThreshold(double factorValue) { thresholdFactor = factorValue; }

    // Audio or GUI thread, under the plug-in's lock, before every block.
    virtual void SetStereoFlag(bool on) { stages.SetStereoFlag(on); }

    // Main frames in place, as VCACompressor::Process.
    void Process(double* frames, int frameCount, const double* sidechain);

    // Recovery from non-finite input, as VCACompressor::IsStateFinite: gain,
    // envelope, release split, the detector shelf and the stages' filter
    // memories.
    bool IsStateFinite() const;
    void ResetState();

    // The recursion state, read-only.
    double Envelope() const { return envelope; }
    double Gain() const { return gain; }
    double ReleaseSplit() const { return releaseSplit; }

  private:
    friend class ModelStages;
    // The gain computer one frame at a time (the oversampler's one-pass
    // loop runs it between up- and down-sampling), and the loop over a
    // buffer of frames that runs the same steps.
    static constexpr bool kFrameSteps = true;
    template <bool External, bool Filtered> class Step;
    template <bool External, bool Filtered>
    void GainComputer(double* x, int frameCount, const double* y);
    // The time coefficients and the detector shelf for the rate in force.
    void SetTimeCoefficients(double rate);

    // Members that no setter has reached yet hold what the first parameter
    // pass with the default settings would give them. The time coefficients
    // start at 0 (the envelope follows the detector at once) until the first
    // SetSampleRate.
    double attackCoeff = 0.0;
    double fastReleaseCoeff = 0.0;
    double slowReleaseCoeff = 0.0;
    double thresholdFactor = 0.0;
    double detectorDrive = 0.0;
    Dsp::SingleSectionFilter detectorShelf;
    double gain = 1.0;
    double envelope = 0.0;
    double releaseSplit = 0.0;
    bool attackPhase = false;
};
