#pragma once

#include "vst/IEffectVST.h"

#include <cstdint>

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

    // Called by the entry point under its process-wide mutex.
    explicit BraskoKorvala(audioMasterCallback hostCallback);
    ~BraskoKorvala() override;

    BraskoKorvala(const BraskoKorvala&) = delete;
    BraskoKorvala& operator=(const BraskoKorvala&) = delete;
};
