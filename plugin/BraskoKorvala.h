#pragma once

#include "dsp/VCACompressor.h"
#include "dsp/VintageFETCompressor.h"
#include "dsp/VintageOptoCompressor.h"
#include "vst/IEffectVST.h"

#include <cstdint>
#include <memory>

// The stereo compressor: eleven parameters, one preset, four inputs (main
// left/right, sidechain left/right) and two outputs. This class is also the
// one place where the plug-in's identity is written down; the entry point,
// the effect record and the tools read it from here.
class BraskoKorvala : public IEffectVST
{
  public:
    // Host parameter numbers. The order is part of every saved project and of
    // the state chunks: never reorder, only append.
    enum Param
    {
        kInputGain = 0,
        kModelType,
        kThreshold,
        kRatio,
        kAttack,
        kRelease,
        kOutputGain,
        kOversampling,
        kAnalogEmulation,
        kSidechainFilter,
        kExternalSidechain,
        kNumParams
    };

    // Values of "Model Type"; the enum's display texts are declared in this order.
    enum Model
    {
        kModelVCA = 0,
        kModelFET,
        kModelOpto,
        kNumModels
    };

    static constexpr const char* kEffectName = "BraskoKorvala";
    static constexpr const char* kProductName = "";
    static constexpr const char* kMakerName = "Brasko";
    // Packed: major in bits 16 and up, minor in bits 8..15, patch in bits 0..7.
    static constexpr int32_t kVersion = 0x00010205;
    // Inputs 3 and 4 carry the external sidechain; every configuration has at
    // most two outputs.
    static constexpr const char* kChannelConfigs = "1-1 2-2 2-1 3-2 4-2";
    static constexpr int kNumPresets = 1;
    static constexpr int kLatency = 0;
    static constexpr bool kDoesMidi = false;
    static constexpr bool kDoesChunks = false;
    static constexpr bool kIsInstrument = false;

    // Four-character codes as hosts read them: 'BkKv' = 0x426B4B76.
    static constexpr int32_t kUniqueId = MakeFourCC('B', 'k', 'K', 'v');
    static constexpr int32_t kMakerId = MakeFourCC('B', 'r', 's', 'k');

    // Frames the chain hands to a model at a time. Host blocks of any length
    // are worked in pieces of this size; the models run frame by frame, so
    // the output is the same for every split.
    static constexpr int kMaxChunkFrames = kModelPassFrames;

    // Indices of the editor's meter and knob controls, in the order the
    // meters receive their values after each block.
    enum MeterControl
    {
        kMeterInLeft = 0,
        kMeterInRight,
        kMeterOutLeft,
        kMeterOutRight,
        kMeterGainReduction,
        kNumMeters
    };
    enum GreyedKnob
    {
        kKnobRatio = 0,
        kKnobAttack,
        kKnobRelease,
        kNumGreyedKnobs
    };

    // Called by the entry point under its process-wide mutex. The object is
    // large (each model holds its oversampling buffers): create it on the heap.
    explicit BraskoKorvala(audioMasterCallback hostCallback);
    ~BraskoKorvala() override;

    BraskoKorvala(const BraskoKorvala&) = delete;
    BraskoKorvala& operator=(const BraskoKorvala&) = delete;

    // Sample-rate, block-size or activation change, and every "Model Type"
    // change. GUI thread (or whichever thread the host uses for the
    // dispatcher); takes the lock.
    void OnReset() override;
    // After parameter idx changed (host, editor or preset). Any thread the
    // host or the editor uses; takes the lock.
    void OnParameterChange(int idx) override;
    // Audio thread, lock held by the binding's process callback. Reads four
    // inputs (main left/right, sidechain left/right) and writes two outputs.
    // Allocates nothing.
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
    // Single precision straight from the host's buffers: the chain's passes
    // widen and narrow, so the output is the same as through the
    // framework's double buffers.
    bool ProcessBlockSingleDirect(float** inputs, float** outputs, int nFrames) override;
    // Restores a state chunk or preset. GUI thread; takes the lock. The saved
    // "Model Type" is looked at first, so that "Attack" and "Release" are read
    // in the ranges they were saved in rather than clamped into the ranges of
    // the model currently selected.
    int UnserializeParams(const IByteChunk& chunk, int pos) override;

    // The models, for tests and tools that look behind the chain.
    const VCACompressor& VCA() const { return mVCA; }
    const VintageFETCompressor& FET() const { return mFET; }
    const VintageOptoCompressor& Opto() const { return mOpto; }
    int IntegerSampleRate() const { return mSampleRate; }

  private:
    // Re-declares "Attack" and "Release" with the ranges of the given model
    // (0 VCA, 1 FET); the opto model keeps whichever ranges are in force.
    void DeclareTimeRanges(int model);
    void GreyOutKnobs(bool grey);
    // The block in either precision: chunk by chunk, the input pass, the
    // model, the output pass; then the meters.
    template <class Sample> void ProcessChain(Sample** inputs, Sample** outputs, int nFrames);
    // Scratch for a missing output pair, by the host's sample type.
    double* Discard(double*) { return mSide; }
    float* Discard(float*) { return mDiscardSingle; }

    // The oversampled frames of whichever model runs: the models run one at a
    // time, so they share one set (made with the plug-in, not cleared),
    // declared before them so that it outlives them.
    std::unique_ptr<Oversampler::Buffers> mOversampled;
    // Constructed in this order: each draws its right-channel offset from
    // rand() in its constructor.
    VintageFETCompressor mFET;
    VCACompressor mVCA;
    VintageOptoCompressor mOpto;
    // The framework's rate truncated, as last accepted by OnReset.
    int mSampleRate = 44100;
    // Control indices in the editor's list; -1 (ignored by the canvas) until
    // the editor is built.
    int mMeterControls[kNumMeters] = {-1, -1, -1, -1, -1};
    int mKnobControls[kNumGreyedKnobs] = {-1, -1, -1};
    // Interleaved stereo work frames of one chunk: main and sidechain.
    // Scratch, written before it is read in every block and never cleared,
    // so that the pages no block reached take no resident memory.
    double mMain[2 * kMaxChunkFrames];
    double mSide[2 * kMaxChunkFrames];
    // Where a missing float output goes (scratch, as mSide for doubles).
    float mDiscardSingle[2 * kMaxChunkFrames];
};
