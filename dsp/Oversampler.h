#pragma once

#include "dsp/filters/Dsp.h"

// Threefold up- and down-sampling of interleaved stereo frames: zero-stuffing
// with a gain of 3 followed by a sixth-order Bessel low-pass on the way up, a
// fourth-order Bessel low-pass and decimation on the way down. The main and
// the sidechain signals have their own up-sampling filters; filter states are
// never cleared, so switching oversampling off and on mid-stream resumes from
// what the filters last held. There is no delay compensation.
class Oversampler
{
  public:
    static constexpr int kFactor = 3;
    // Frames at the oversampled rate per buffer, hence at most
    // kMaxOversampledFrames / kFactor = 5461 base frames per call.
    static constexpr int kMaxOversampledFrames = 16384;
    static constexpr int kMaxFrames = kMaxOversampledFrames / kFactor;
    static_assert(kMaxFrames * kFactor <= kMaxOversampledFrames,
                  "a full call's oversampled frames fit the buffers");
    // The three filters' cutoff: 20 kHz at the oversampled rate.
    static constexpr double kCutoffHz = 20000.0;

    Oversampler() = default;

    // Designs the three filters for the base rate in Hz (> 0), for factor 3
    // whether or not oversampling is on; switching it does not redesign them.
    void SetSampleRate(double baseRate) { Design(kCutoffHz / (kFactor * baseRate)); }

    // The three filters' cutoff in cycles per oversampled sample (20 kHz at
    // three times the base rate is 20000 / (3 * rate)). At base rates of
    // 13333 Hz and below that reaches half the oversampled rate, where a
    // design is not valid; the filters are then designed at the base rate's
    // Nyquist frequency (1/6 at the oversampled rate), the band an
    // interpolator by 3 must keep, so the chain stays finite and band-limited.
    void Design(double cutoffPerSample);

    // Writes kFactor * frameCount frames (frameCount <= kMaxFrames).
    void UpsampleMain(const double* frames, int frameCount)
    {
        Upsample(frames, frameCount, mainBuffer, mainUp);
    }
    void UpsampleSidechain(const double* frames, int frameCount)
    {
        Upsample(frames, frameCount, sidechainBuffer, sidechainUp);
    }

    // Filters kFactor * frameCount frames of the main buffer and keeps the
    // first of every three. The main buffer is scratch afterwards (it may or
    // may not hold the filtered frames).
    void Downsample(double* frames, int frameCount);

    // The three filters' memory: finite-state check and the way back to the
    // constructed state (designs kept). The buffers are scratch.
    bool IsStateFinite() const
    {
        return mainUp.IsStateFinite() && sidechainUp.IsStateFinite() && down.IsStateFinite();
    }
    void ResetState()
    {
        mainUp.ResetState();
        sidechainUp.ResetState();
        down.ResetState();
    }

    double* MainBuffer() { return mainBuffer; }
    double* SidechainBuffer() { return sidechainBuffer; }

    Dsp::BesselLowPass<6, 2> mainUp;
    Dsp::BesselLowPass<6, 2> sidechainUp;
    Dsp::BesselLowPass<4, 2> down;
    double mainBuffer[2 * kMaxOversampledFrames] = {};
    double sidechainBuffer[2 * kMaxOversampledFrames] = {};

  private:
    static void Upsample(const double* in, int frameCount, double* out,
                         Dsp::BesselLowPass<6, 2>& filter);
    // Stuffing folded into the filter, on packed doubles: the same bits as
    // stuffing and filtering, without the stuffing pass and the products
    // with the stuffed zeros. False (nothing done) where it does not apply.
    static bool UpsampleFused(const double* in, int frameCount, double* out,
                              Dsp::BesselLowPass<6, 2>& filter);
};
