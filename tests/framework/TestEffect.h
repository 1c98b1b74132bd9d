#pragma once

// A plug-in on the bare framework: the binding operations record what they
// are asked, and the constructor declares BraskoKorvala's eleven parameters
// and its single preset the way the real plug-in class does.

#include "framework/IEffectBase.h"

#include <functional>
#include <string>
#include <vector>

enum TestParam
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
    kNumTestParams
};

class TestEffect : public IEffectBase
{
  public:
    struct HostCall
    {
        std::string mWhat;
        int mIdx;
        double mValue;
    };

    // The plug-in's own identity and channel configurations; the parameters
    // are declared only when declareParams (other counts test the base).
    explicit TestEffect(const char* channelIO = "1-1 2-2 2-1 3-2 4-2", int nPresets = 1,
                        bool declareParams = true, int nParams = kNumTestParams)
        : IEffectBase(nParams, channelIO, nPresets, "BraskoKorvala", "", "Brasko", 0x00010205,
                      MakeFourCC('B', 'k', 'K', 'v'), MakeFourCC('B', 'r', 's', 'k'), 0, false,
                      false, false)
    {
        if (!declareParams) return;
        GetParam(kInputGain)->InitDouble("Input Gain", 0.0, -60.0, 30.0, 0.1, "dB");
        GetParam(kInputGain)->SetShape(1.0);
        GetParam(kOutputGain)->InitDouble("Output Gain", 0.0, -60.0, 30.0, 0.1, "dB");
        GetParam(kOutputGain)->SetShape(1.0);
        GetParam(kThreshold)->InitDouble("Threshold", 0.0, -60.0, 0.0, 0.1, "dB");
        GetParam(kThreshold)->SetShape(2.0);
        GetParam(kRatio)->InitDouble("Ratio", 1.0, 1.0, 20.0, 1.0, " : 1");
        GetParam(kRatio)->SetShape(1.0);
        GetParam(kAttack)->InitDouble("Attack", 0.02, 0.02, 0.8, 0.01, "ms");
        GetParam(kAttack)->SetShape(2.0);
        GetParam(kRelease)->InitDouble("Release", 50.0, 50.0, 1200.0, 0.1, "ms");
        GetParam(kRelease)->SetShape(2.0);
        GetParam(kModelType)->InitEnum("Model Type", 0, 3);
        GetParam(kModelType)->SetDisplayText(0, "VCA");
        GetParam(kModelType)->SetDisplayText(1, "FET");
        GetParam(kModelType)->SetDisplayText(2, "OPTO");
        GetParam(kOversampling)->InitBool("Oversampling", true);
        GetParam(kAnalogEmulation)->InitBool("Analog Emulation", true);
        GetParam(kSidechainFilter)->InitDouble("Sidechain Filter", 20.0, 20.0, 500.0, 10.0, "Hz");
        GetParam(kExternalSidechain)->InitBool("External Sidechain", false);
        MakeDefaultPresets("-", 1);
    }

    void OnParameterChange(int idx) override
    {
        IEffectBase::OnParameterChange(idx);
        mChanged.push_back(idx);
    }
    void OnPresetsChanged() override { ++mPresetsChanged; }

    void BeginParameterEdit(int idx) override { mHost.push_back({"begin", idx, 0.0}); }
    void InformHostOfParameterChange(int idx, double v) override
    {
        mHost.push_back({"automate", idx, v});
        if (mOnInform) mOnInform();
    }
    void EndParameterEdit(int idx) override { mHost.push_back({"end", idx, 0.0}); }
    void InformHostOfPresetChange() override { mHost.push_back({"preset", -1, 0.0}); }
    int GetSamplePosition() override { return 0; }
    double GetTempo() override { return 0.0; }
    void GetTimeSignature(int* num, int* den) override { *num = *den = 0; }
    void GetTimeInfo(ITimeInfo*) override {}
    void UpdateEditorRect() override {}
    void HostSpecificInit() override {}
    bool SendMidiMessage(const IMidiMessage& msg) override
    {
        mSentMidi.push_back(msg);
        return true;
    }
    bool SendMidiMessages(const IMidiMessage* msgs, int count) override
    {
        for (int i = 0; i < count; ++i)
            SendMidiMessage(msgs[i]);
        return true;
    }

    std::vector<int> mChanged;
    std::vector<HostCall> mHost;
    std::vector<IMidiMessage> mSentMidi;
    int mPresetsChanged = 0;
    std::function<void()> mOnInform;
};
