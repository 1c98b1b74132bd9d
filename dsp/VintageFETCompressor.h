#pragma once

#include "dsp/ModelPasses.h"

#include "dsp/Oversampler.h"
#include "dsp/SidechainFilter.h"
#include "dsp/analogue_block.h"

// Feedback compressor ("Model Type" FET): the detector takes the sum of the
// two output channels after the gain (or half the external sidechain's sum),
// drives a peak envelope with attack and release, and a fixed rational curve
// turns the envelope into the gain. "Threshold" and "Ratio" together set how
// hard the detector is driven. One gain for both channels; no make-up gain.
//
// Holds its oversampling buffers by value (about 0.5 MB): construct it on the
// heap or inside an object that is.
class VintageFETCompressor final
{
  public:
    // Frames per internal pass (see VCACompressor::kMaxChunkFrames).
    static constexpr int kMaxChunkFrames = kModelPassFrames;

    VintageFETCompressor();

    // Audio or GUI thread, under the plug-in's lock, before every block.
    virtual void SetStereoFlag(bool on) { stereo = on; }

    // Host rate in Hz (> 0, truncated to an integer). The attack and release
    // coefficients are computed for the base rate here; SetOversampling,
    // which the plug-in calls next, corrects them.
    void SetSampleRate(double rate);
    void SetOversampling(bool on);

    // Normalised knob positions 0..1.
    void SetAttack(float n);
    void SetRelease(float n);
    void SetSidechainFilter(float n);

    // Threshold factor 10^(-3 n) and ratio amount n ("Ratio" normalised).
    void SetThreshold(double factorValue) { thresholdFactor = factorValue; }
    void SetRatio(double amount) { ratioAmount = amount; }
    void SetAnalogEmulation(bool on) { analogOn = on; }
    void SetExternalSidechain(bool on) { externalSidechain = on; }

    // Main frames in place; the sidechain frames are read only while the
    // external sidechain is on (and may then not be null). Interleaved
    // stereo, any frame count.
    void Process(double* frames, int frameCount, const double* sidechain);

    // Smallest gain applied during the last Process call (1 = no reduction).
    double GainReduction() const { return gainReduction; }
    double RightChannelOffset() const { return rightOffset; }

    // Recovery from non-finite input (a NaN or infinity from the host, or a
    // finite value so large that it overflows inside): after every pass of
    // up to kMaxChunkFrames frames Process checks the recursion state; when
    // any of it is not finite it returns the state to its constructed values
    // with ResetState and silences the whole pass, whose samples from the
    // fault on cannot be trusted (a clamped curve can turn a NaN envelope
    // into a finite but wrong gain). The check reads the state once per
    // pass and changes nothing on finite data. Settings, coefficients, the
    // right-channel offset and the analog stage's noise words are kept.
    bool IsStateFinite() const;
    void ResetState();

    // Members that no setter has reached yet hold what the first parameter
    // pass with the default settings would give them.
    bool oversamplingOn = false;
    double attackCoeff;
    double releaseCoeff;
    int sampleRate = 44100;
    double attackMs = static_cast<double>(0.02f);
    double releaseMs = 50.0;
    double ratioAmount = 0.0;
    double gain = 1.0;
    double detectorSample = 0.0;
    double envelope = 0.0;
    double thresholdFactor = 0.0;
    analogue_block analog;
    bool analogOn = true;
    int factor = Oversampler::kFactor;
    double rightOffset;
    Oversampler oversampler;
    double gainReduction = 1.0;
    bool stereo = false;
    bool externalSidechain = false;
    SidechainFilter sidechainFilter;

  private:
    template <class Model> friend void ProcessModelInPasses(Model&, double*, int, const double*);
    void ProcessChunk(double* frames, int frameCount, const double* sidechain);
    void RunGainComputer(double* x, int frameCount, const double* y);
    template <bool External, bool Filtered>
    void GainComputer(double* x, int frameCount, const double* y);
};
