#pragma once

#include "dsp/ModelPasses.h"

#include "dsp/Oversampler.h"
#include "dsp/SidechainFilter.h"
#include "dsp/analogue_block.h"
#include "dsp/filters/Dsp.h"

// Feedback compressor with fixed timing ("Model Type" OPTO): the detector
// takes the sum of the output channels after the gain (or half the external
// sidechain's sum) through a 6 dB high shelf at 1 kHz, the envelope rises with
// a 10 ms attack and falls at 60 ms for the first tenth of its fall, at
// 600 ms below that. Only "Threshold" reaches it (as the detector drive).
// One gain for both channels; no make-up gain.
//
// Holds its oversampling buffers by value (about 0.5 MB): construct it on the
// heap or inside an object that is.
class VintageOptoCompressor final
{
  public:
    // Frames per internal pass (see VCACompressor::kMaxChunkFrames).
    static constexpr int kMaxChunkFrames = kModelPassFrames;

    VintageOptoCompressor();

    // Audio or GUI thread, under the plug-in's lock, before every block.
    virtual void SetStereoFlag(bool on) { stereo = on; }

    // Host rate in Hz (> 0, truncated to an integer).
    void SetSampleRate(double rate);
    void SetOversampling(bool on);

    // Normalised "Sidechain Filter" 0..1.
    void SetSidechainFilter(float n);

    // Threshold factor 10^(-3 n), n the normalised "Threshold".
    void SetThreshold(double factorValue) { thresholdFactor = factorValue; }
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
    // pass with the default settings would give them. The time coefficients
    // start at 0 (the envelope follows the detector at once) until the first
    // SetSampleRate.
    bool oversamplingOn = false;
    int sampleRate = 44100;
    double gain = 1.0;
    double attackCoeff = 0.0;
    double fastReleaseCoeff = 0.0;
    double slowReleaseCoeff = 0.0;
    double envelope = 0.0;
    double releaseSplit = 0.0;
    bool attackPhase = false;
    double thresholdFactor = 0.0;
    int factor = Oversampler::kFactor;
    double rightOffset;
    double gainReduction = 1.0;
    bool analogOn = true;
    analogue_block analog;
    Dsp::SingleSectionFilter detectorShelf;
    Oversampler oversampler;
    SidechainFilter sidechainFilter;
    double detectorDrive = 0.0;
    bool stereo = false;
    bool externalSidechain = false;

  private:
    template <class Model> friend void ProcessModelInPasses(Model&, double*, int, const double*);
    void ProcessChunk(double* frames, int frameCount, const double* sidechain);
    void RunGainComputer(double* x, int frameCount, const double* y);
    template <bool External, bool Filtered>
    void GainComputer(double* x, int frameCount, const double* y);
    void DesignShelf(double rate);
};
