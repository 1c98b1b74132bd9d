#pragma once

#include "dsp/Oversampler.h"
#include "dsp/SidechainFilter.h"
#include "dsp/analogue_block.h"
#include "dsp/saturator.h"

#include <algorithm>

// Every model works a host block in passes of at most kModelPassFrames
// frames; the models are sequential per frame, so any split gives the same
// output.
constexpr int kModelPassFrames = 4096;
static_assert(kModelPassFrames <= Oversampler::kMaxFrames,
              "a pass fits the oversampled buffers in one call");

// What the three compressor models share around their gain computers: the
// analog stage, the oversampler, the sidechain high-pass, the switches that
// route a block through them, the right channel's gain offset and the
// gain-reduction value, and the pass loop that runs a block through them.
// A model holds one by value and keeps to itself only what differs: its gain
// computer with its recursion state and coefficients, and its order of
// stages (whether it adds a 1e-24 denormal offset of its own before the gain
// computer).
//
// The model is handed to Process as a template argument, so the per-frame
// gain computer is inlined into the pass loop; a model declares
//   template <bool External, bool Filtered>
//   void GainComputer(double* x, int frameCount, const double* y);
//   bool IsStateFinite() const;  void ResetState();
//   static constexpr bool kFrameSteps;
// and befriends this class for the gain computer. A model whose gain
// computer is a sequence of per-frame steps sets kFrameSteps and declares
//   template <bool External, bool Filtered> class Step;
// (constructed from the model, Frame as Oversampler::RunFused calls it, and
// Store, which puts the pass's state back); its oversampled path then runs
// in one loop per base frame.
//
// Only state lives here; the oversampler's buffers are scratch, its own or a
// set shared with the plug-in's other models.
class ModelStages final
{
  public:
    // The buffer form of a frame-step model's gain computer: its steps over
    // the pass's interleaved frames x (and sidechain y when External), then
    // the state put back. The models' GainComputer is this, so both paths
    // run the very same per-frame arithmetic.
    template <bool External, class Step>
    static void RunSteps(Step& step, double* x, int frameCount, const double* y)
    {
        for (int i = 0; i < frameCount; ++i)
            step.Frame(x[2 * i], x[2 * i + 1], External ? y[2 * i] : 0.0,
                       External ? y[2 * i + 1] : 0.0);
        step.Store();
    }

    // What a model adds between its analog stage and its gain computer.
    enum Order
    {
        kNoOwnOffset,
        kOwnDenormalOffset
    };

    // Draws the right-channel offset from the C library's rand(): the order
    // in which models are constructed decides which draw each gets.
    // `analogKind` is the analogue_block kind (it picks the saturator's
    // drive).
    ModelStages(int analogKind, Order order);

    // Host rate in Hz (> 0; stored truncated to an integer). Designs the
    // oversampling filters and the sidechain high-pass for three times the
    // untruncated rate, whether or not oversampling is on, and sets the
    // analog stage up for the integer rate.
    void SetSampleRate(double rate);
    // Sets the analog stage up for the rate in force (the base rate or three
    // times it); the filter designs stay.
    void SetOversampling(bool on);
    // Normalised "Sidechain Filter" 0..1: the corner n * 300 Hz, designed for
    // three times the base rate whether or not oversampling is on.
    void SetSidechainFilter(float n);
    void SetStereoFlag(bool on) { stereo = on; }
    void SetAnalogEmulation(bool on) { analogOn = on; }
    void SetExternalSidechain(bool on) { externalSidechain = on; }
    // Whether a model with per-frame steps runs its oversampled path in one
    // loop per base frame (on from construction) or in the three passes
    // through the oversampler's buffers. Both give the same bits; the
    // passes stay as the reference the one-pass loop is held to.
    void SetOnePassOversampling(bool on) { onePassOversampling = on; }
    // Whether the caller's input pass adds this model's own 1e-24 (after the
    // chain's) where that is the next thing done to the frames: while the
    // analog stage is off. OwnOffsetInChain says whether it is to do so for
    // the next block; the model then skips its own pass.
    void SetOwnOffsetInChain(bool on) { offsetInChain = on; }
    bool OwnOffsetInChain() const { return ownDenormalOffset && offsetInChain && !analogOn; }

    int SampleRate() const { return sampleRate; }
    // The rate the gain computer runs at: three times the base rate while
    // oversampling is on.
    int ProcessingRate() const
    {
        return oversamplingOn ? Oversampler::kFactor * sampleRate : sampleRate;
    }
    bool OversamplingOn() const { return oversamplingOn; }
    bool ExternalSidechain() const { return externalSidechain; }

    // The offset drawn at construction, and what the gain computers add to
    // the right channel's gain: that offset while analog emulation and the
    // stereo flag are on, else 0 (adding 0 leaves every gain unchanged, so
    // the loops need no branch on it).
    double RightChannelOffset() const { return rightOffset; }
    double RightGainOffset() const { return (analogOn && stereo) ? rightOffset : 0.0; }
    // Replaces the drawn offset, so that one model can be made to match
    // another (a fresh model compared with one that recovered from a fault).
    void SetRightChannelOffset(double offset) { rightOffset = offset; }

    // Smallest gain applied during the last Process call (1 = no reduction).
    // The gain computers take the running minimum from here and put it back.
    double GainReduction() const { return gainReduction; }
    void SetGainReduction(double smallest) { gainReduction = smallest; }

    // The stages' filter memories (analog stage, oversampler, sidechain
    // high-pass): finite-state check and the way back to the constructed
    // state, designs and settings kept.
    bool IsStateFinite() const;
    void ResetState();

    // Runs model over the block pass by pass and recovers from non-finite
    // input after each pass: when the model's state is no longer finite it
    // returns to its constructed values (ResetState) and the pass is
    // silenced, since its samples from the fault on cannot be trusted. The
    // check reads the state once per pass and changes nothing on finite
    // data. Main frames in place; the sidechain frames are read only while
    // the external sidechain is on (and may then not be null). Audio thread,
    // plug-in lock held.
    template <class Model>
    void Process(Model& model, double* frames, int frameCount, const double* sidechain)
    {
        gainReduction = 1.0;
        for (int done = 0; done < frameCount; done += kModelPassFrames)
        {
            const int n = std::min(kModelPassFrames, frameCount - done);
            double* pass = frames + 2 * done;
            ProcessPass(model, pass, n, sidechain ? sidechain + 2 * done : nullptr);
            if (!model.IsStateFinite())
            {
                model.ResetState();
                std::fill(pass, pass + 2 * n, 0.0);
            }
        }
    }

    // The building blocks, each with its own state; the models' gain
    // computers run the sidechain high-pass frame by frame.
    analogue_block analog;
    Oversampler oversampler;
    SidechainFilter sidechainFilter;

  private:
    // The order of stages: analog stage at the base rate, the model's own
    // denormal offset, up-sampling (sidechain only while it is read), the
    // gain computer, down-sampling.
    template <class Model>
    void ProcessPass(Model& model, double* frames, int frameCount, const double* sidechain)
    {
        if (analogOn)
        {
            analog.SetStereoFlag(stereo);
            analog.Process(frames, frameCount);
        }
        if (ownDenormalOffset && !OwnOffsetInChain()) AddDenormalOffset(frames, frameCount);

        if (oversamplingOn)
        {
            if constexpr (Model::kFrameSteps)
                if (onePassOversampling && RunFused(model, frames, frameCount, sidechain)) return;
            if (externalSidechain) oversampler.UpsampleSidechain(sidechain, frameCount);
            oversampler.UpsampleMain(frames, frameCount);
            RunGainComputer(model, oversampler.MainBuffer(), frameCount * Oversampler::kFactor,
                            oversampler.SidechainBuffer());
            oversampler.Downsample(frames, frameCount);
        }
        else
        {
            RunGainComputer(model, frames, frameCount, sidechain);
        }
    }

    // The detector's source and the high-pass are fixed for a pass, so each
    // combination has a loop of its own.
    template <class Model>
    void RunGainComputer(Model& model, double* x, int frameCount, const double* y)
    {
        const bool filtered = sidechainFilter.IsOn();
        if (externalSidechain)
            filtered ? model.template GainComputer<true, true>(x, frameCount, y)
                     : model.template GainComputer<true, false>(x, frameCount, y);
        else
            filtered ? model.template GainComputer<false, true>(x, frameCount, y)
                     : model.template GainComputer<false, false>(x, frameCount, y);
    }

    // The oversampled path in one loop per base frame (up-sampling, the
    // model's steps, down-sampling) for a model whose gain computer runs
    // frame by frame; false, with nothing done, where the oversampler's
    // one-pass loop does not apply, and the passes run instead.
    template <class Model>
    bool RunFused(Model& model, double* frames, int frameCount, const double* sidechain)
    {
        const bool filtered = sidechainFilter.IsOn();
        if (externalSidechain)
            return filtered ? RunFused<Model, true, true>(model, frames, frameCount, sidechain)
                            : RunFused<Model, true, false>(model, frames, frameCount, sidechain);
        return filtered ? RunFused<Model, false, true>(model, frames, frameCount, sidechain)
                        : RunFused<Model, false, false>(model, frames, frameCount, sidechain);
    }

    template <class Model, bool External, bool Filtered>
    bool RunFused(Model& model, double* frames, int frameCount, const double* sidechain)
    {
        if (!oversampler.CanRunFused(External)) return false;
        typename Model::template Step<External, Filtered> step(model);
        oversampler.RunFused<External>(frames, frameCount, sidechain, step);
        step.Store();
        return true;
    }

    static void AddDenormalOffset(double* frames, int frameCount);

    int analogKind;
    bool ownDenormalOffset;
    int sampleRate = 44100;
    bool oversamplingOn = false;
    // What the first parameter pass with the default settings gives them.
    bool analogOn = true;
    bool stereo = false;
    bool externalSidechain = false;
    bool onePassOversampling = true;
    bool offsetInChain = false;
    double rightOffset;
    double gainReduction = 1.0;
};
