#pragma once

#include "dsp/ModelStages.h"

// Feed-forward compressor ("Model Type" VCA): the detector takes the RMS
// level of the mono sum of the input (before the gain) or of the external
// sidechain, smooths it with attack and release, and a hard knee divides the
// linear excess over the threshold by the ratio. One gain for both channels;
// no make-up gain.
//
// Owns a set of oversampling buffers (about 0.5 MB, on the heap) until
// stages.oversampler.UseBuffers hands it a shared set.
class VCACompressor final
{
  public:
    // Analog stage, oversampler, sidechain high-pass, switches and the
    // gain-reduction value (Process runs through it). Constructed first: it
    // draws the right-channel offset.
    ModelStages stages;

    VCACompressor();

    // Audio or GUI thread, under the plug-in's lock, before every block.
    virtual void SetStereoFlag(bool on) { stages.SetStereoFlag(on); }

    // Host rate in Hz (> 0). Designs the oversampling filters (for factor 3
    // whether or not oversampling is on) and the sidechain high-pass (for
    // factor 3); the attack and release coefficients follow in
    // SetOversampling, which the plug-in calls next.
    void SetSampleRate(int rate);
    void SetOversampling(bool on);

    // Normalised knob positions 0..1.
    void SetAttack(float n);
    void SetRelease(float n);
    void SetSidechainFilter(float n) { stages.SetSidechainFilter(n); }

    // Linear threshold 0.001..1 and ratio 1..20, as the plug-in computes them.
    void SetThreshold(double linear) { threshold = linear; }
    void SetRatio(double value) { ratio = value; }

    // Main frames in place; the sidechain frames are read only while the
    // external sidechain is on (and may then not be null). Interleaved
    // stereo, any frame count.
    void Process(double* frames, int frameCount, const double* sidechain);

    // Recovery from non-finite input (a NaN or infinity from the host, or a
    // finite value so large that it overflows inside): after every pass of
    // up to kModelPassFrames frames Process checks the recursion state; when
    // any of it is not finite it returns the state to its constructed values
    // with ResetState and silences the whole pass, whose samples from the
    // fault on cannot be trusted (a clamped curve can turn a NaN envelope
    // into a finite but wrong gain). The check reads the state once per
    // pass and changes nothing on finite data. Settings, coefficients, the
    // right-channel offset and the analog stage's noise words are kept.
    bool IsStateFinite() const;
    void ResetState();

    // The recursion state, read-only: the gain for the next frame, the
    // smoothed level and the running mean square of the detector.
    double Gain() const { return gain; }
    double Envelope() const { return envelope; }
    double MeanSquare() const { return meanSquare; }
    double AttackMs() const { return attackMs; }
    double ReleaseMs() const { return releaseMs; }

  private:
    friend class ModelStages;
    // The gain computer works a buffer in two passes (envelopes, then gains),
    // not frame by frame.
    static constexpr bool kFrameSteps = false;
    template <bool External, bool Filtered>
    void GainComputer(double* x, int frameCount, const double* y);
    template <bool External, bool Filtered>
    void TrackEnvelope(const double* x, int frameCount, const double* y, double* envelopes);
    void ApplyGains(double* x, int frameCount, const double* envelopes);

  public:
    // The gains pass four frames per step on 256-bit vectors (AVX2), for
    // processors that have them (chosen once at load): the same operations
    // per value as the two-frame form, so the same bits. Works the first
    // multiple of four of frameCount frames and answers how many it did;
    // previous and smallest carry in and out as in ApplyGains. Public for
    // the tests that hold it to the two-frame form; 0 where unavailable.
    static int ApplyGainsWide(double* x, int frameCount, const double* envelopes, double threshold,
                              double ratio, double offset, double& previous, double& smallest);
    static bool HasWideGains();
    // Whether ApplyGains uses the wide form where it is available (on by
    // default; the tests switch it off for the baseline).
    static void UseWideGains(bool on);

  private:
    // Frames per envelope-then-gains step of the gain computer; its envelope
    // buffer (2 KB) lives on the stack.
    static constexpr int kGainPiece = 256;

    // Members that no setter has reached yet hold what the first parameter
    // pass with the default settings would give them, so every call order
    // is defined.
    double attackCoeff;
    double releaseCoeff;
    double rmsCoeff;
    double attackMs = 1.0;
    double releaseMs = 100.0;
    double ratio = 1.0;
    // The first parameter pass sets 1 ("Threshold" at 0 dB); starting from 1
    // rather than 0 keeps the gain at exactly 1 (not 0/0 on silence) when a
    // block arrives before it.
    double threshold = 1.0;
    double gain = 1.0;
    double envelope = 0.0;
    double meanSquare = 0.0;
};
