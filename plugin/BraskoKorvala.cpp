#include "plugin/BraskoKorvala.h"

static_assert(BraskoKorvala::kUniqueId == 0x426B4B76, "'BkKv' as hosts read it");

BraskoKorvala::BraskoKorvala(audioMasterCallback hostCallback)
    : IEffectVST(hostCallback, kNumParams, kChannelConfigs, kNumPresets, kEffectName, kProductName,
                 kMakerName, kVersion, kUniqueId, kMakerId, kLatency, kDoesMidi, kDoesChunks,
                 kIsInstrument)
{
    // The declaration order below is fixed (gains, then the dynamics, then the
    // switches); each InitDouble is followed by the exponent of its knob law.
    GetParam(kInputGain)->InitDouble("Input Gain", 0.0, -60.0, 30.0, 0.1, "dB");
    GetParam(kInputGain)->SetShape(1.0);
    GetParam(kOutputGain)->InitDouble("Output Gain", 0.0, -60.0, 30.0, 0.1, "dB");
    GetParam(kOutputGain)->SetShape(1.0);
    GetParam(kThreshold)->InitDouble("Threshold", 0.0, -60.0, 0.0, 0.1, "dB");
    GetParam(kThreshold)->SetShape(2.0);
    GetParam(kRatio)->InitDouble("Ratio", 1.0, 1.0, 20.0, 1.0, " : 1");
    GetParam(kRatio)->SetShape(1.0);
    // Attack and release start in the FET model's ranges; changing "Model
    // Type" re-declares them for the VCA model.
    GetParam(kAttack)->InitDouble("Attack", 0.02, 0.02, 0.8, 0.01, "ms");
    GetParam(kAttack)->SetShape(2.0);
    GetParam(kRelease)->InitDouble("Release", 50.0, 50.0, 1200.0, 0.1, "ms");
    GetParam(kRelease)->SetShape(2.0);

    GetParam(kModelType)->InitEnum("Model Type", kModelVCA, kNumModels);
    GetParam(kModelType)->SetDisplayText(kModelVCA, "VCA");
    GetParam(kModelType)->SetDisplayText(kModelFET, "FET");
    GetParam(kModelType)->SetDisplayText(kModelOpto, "OPTO");

    GetParam(kOversampling)->InitBool("Oversampling", true);
    GetParam(kAnalogEmulation)->InitBool("Analog Emulation", true);
    GetParam(kSidechainFilter)->InitDouble("Sidechain Filter", 20.0, 20.0, 500.0, 10.0, "Hz");
    GetParam(kExternalSidechain)->InitBool("External Sidechain", false);

    // The single preset holds the defaults just declared.
    MakeDefaultPresets("-", 1);
}

BraskoKorvala::~BraskoKorvala() = default;
