// The VST 2 binding on small probe plug-ins: what a host gets for other
// configurations (MIDI, chunks, instruments, an editor), the order of the
// framework calls behind the dispatcher, and every request the binding makes
// of the host with what it takes from the answers.

#include "vst/IEffectVST.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace
{
// A scripted host: answers product, version and time; records every request.
struct ScriptedHost
{
    std::string product = "Test Host";
    VstIntPtr vendorVersion = 10000;
    VstTimeInfo time{};
    bool answerTime = true;
    VstIntPtr eventAnswer = 1;
    struct Call
    {
        VstInt32 opcode, index;
        VstIntPtr value;
        float opt;
    };
    std::vector<Call> calls;
    std::vector<VstMidiEvent> midi;

    int Count(VstInt32 opcode) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.opcode == opcode;
        return n;
    }
};
ScriptedHost* gHost = nullptr;

VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void* ptr, float opt)
{
    ScriptedHost& h = *gHost;
    h.calls.push_back({opcode, index, value, opt});
    switch (opcode)
    {
    case audioMasterGetProductString:
        std::strcpy(static_cast<char*>(ptr), h.product.c_str());
        return 1;
    case audioMasterGetVendorVersion:
        return h.vendorVersion;
    case audioMasterGetTime:
        return h.answerTime ? reinterpret_cast<VstIntPtr>(&h.time) : 0;
    case audioMasterProcessEvents:
    {
        const VstEvents* list = static_cast<const VstEvents*>(ptr);
        for (VstInt32 i = 0; i < list->numEvents; ++i)
            h.midi.push_back(*reinterpret_cast<const VstMidiEvent*>(list->events[i]));
        return h.eventAnswer;
    }
    default:
        return 0;
    }
}

// Logs the framework calls that the dispatcher makes.
class Probe : public IEffectVST
{
  public:
    Probe(const char* config, int nPresets = 1, bool midi = false, bool chunks = false,
          bool instrument = false)
        : IEffectVST(HostCallback, 2, config, nPresets, "Probe", "Probe Product", "Maker",
                     0x00020304, MakeFourCC('P', 'r', 'b', '1'), MakeFourCC('M', 'k', 'r', '1'), 0,
                     midi, chunks, instrument)
    {
        GetParam(0)->InitDouble("Gain", 0.0, -10.0, 10.0, 0.5, "dB");
        GetParam(1)->InitBool("Switch", false);
    }
    ~Probe() override { ++destroyed; }

    void OnReset() override { log.push_back("reset"); }
    void OnActivate(bool active) override { log.push_back(active ? "on" : "off"); }
    void OnParameterChange(int idx) override { log.push_back("param" + std::to_string(idx)); }
    void OnEditorOpened() override { log.push_back("opened"); }
    void OnEditorClosing() override { log.push_back("closing"); }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f)
    {
        return GetAEffect()->dispatcher(GetAEffect(), opcode, index, value, ptr, opt);
    }

    std::vector<std::string> log;
    static int destroyed;
};
int Probe::destroyed = 0;

// An editor of fixed size that logs what the binding asks of it.
class FakeCanvas : public IEditorView
{
  public:
    explicit FakeCanvas(std::vector<std::string>& log) : mLog(log) {}
    void SetParameterFromPlugin(int idx, double value, bool normalized) override
    {
        mLog.push_back("canvas" + std::to_string(idx) + (normalized ? " n " : " p ") +
                       std::to_string(value));
    }
    void PrepareDrawing() override {}
    void SetAllControlsDirty() override {}
    void SetControlFromPlugin(int, double) override {}
    void GrayOutControl(int, bool) override {}
    int Width() const override { return 552; }
    int Height() const override { return 200; }
    void* OpenWindow(void* parent) override { return parent; }
    void CloseWindow() override { mLog.push_back("close window"); }

  private:
    std::vector<std::string>& mLog;
};

class Binding : public ::testing::Test
{
  protected:
    void SetUp() override { gHost = &host; }
    void TearDown() override { gHost = nullptr; }
    ScriptedHost host;
};
} // namespace

TEST_F(Binding, RecordFlagsFollowTheConfiguration)
{
    Probe mono("1-1 2-2");
    EXPECT_EQ(mono.GetAEffect()->flags,
              effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsCanMono);
    EXPECT_EQ(mono.Dispatch(effGetPlugCategory), kPlugCategEffect);

    Probe synth("2-2", 1, true, true, true);
    EXPECT_EQ(synth.GetAEffect()->flags, effFlagsCanReplacing | effFlagsCanDoubleReplacing |
                                             effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_EQ(synth.Dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(synth.GetAEffect()->version, 20304);
    EXPECT_EQ(synth.GetAEffect()->uniqueID, IEffectBase::MakeFourCC('P', 'r', 'b', '1'));
    EXPECT_EQ(synth.GetAEffect()->object, static_cast<void*>(static_cast<IEffectVST*>(&synth)));
    // The constructor asks the host nothing.
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(Binding, ArrangementsFollowTheChannelCounts)
{
    struct Case
    {
        const char* config;
        VstInt32 inType, outType;
    };
    for (const Case& c : {Case{"0-0", kSpeakerArrEmpty, kSpeakerArrEmpty},
                          Case{"1-1", kSpeakerArrMono, kSpeakerArrMono},
                          Case{"1-2", kSpeakerArrMono, kSpeakerArrStereo},
                          Case{"6-3", kSpeakerArrUserDefined, kSpeakerArrUserDefined}})
    {
        SCOPED_TRACE(c.config);
        Probe p(c.config);
        VstSpeakerArrangement* in = nullptr;
        VstSpeakerArrangement* out = nullptr;
        p.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
        EXPECT_EQ(in->type, c.inType);
        EXPECT_EQ(out->type, c.outType);
        EXPECT_EQ(in->numChannels, p.NInChannels());
        EXPECT_EQ(out->numChannels, p.NOutChannels());
    }
}

TEST_F(Binding, MidiCapabilitiesAndRequestsOnlyForAMidiPlugin)
{
    Probe plain("2-2");
    Probe midi("2-2", 1, true);
    char text[] = "receiveVstMidiEvent";
    EXPECT_EQ(plain.Dispatch(effCanDo, 0, 0, text), 0);
    EXPECT_EQ(midi.Dispatch(effCanDo, 0, 0, text), 1);
    for (const char* name : {"sendVstEvents", "sendVstMidiEvent", "receiveVstEvents"})
    {
        std::string copy = name;
        EXPECT_EQ(midi.Dispatch(effCanDo, 0, 0, &copy[0]), 1) << name;
        EXPECT_EQ(plain.Dispatch(effCanDo, 0, 0, &copy[0]), 0) << name;
    }

    float l[8] = {}, r[8] = {};
    float* ins[2] = {l, r};
    float* outs[2] = {l, r};
    double dl[8] = {}, dr[8] = {};
    double* dins[2] = {dl, dr};
    double* douts[2] = {dl, dr};
    plain.GetAEffect()->processReplacing(plain.GetAEffect(), ins, outs, 8);
    EXPECT_EQ(host.Count(audioMasterWantMidi), 0);
    midi.GetAEffect()->processReplacing(midi.GetAEffect(), ins, outs, 8);
    midi.GetAEffect()->process(midi.GetAEffect(), ins, outs, 8);
    midi.GetAEffect()->processDoubleReplacing(midi.GetAEffect(), dins, douts, 8);
    EXPECT_EQ(host.Count(audioMasterWantMidi), 3);
}

TEST_F(Binding, SuspendResetsAfterDeactivatingAndResumeDoesNot)
{
    Probe p("2-2");
    p.Dispatch(effMainsChanged, 0, 0);
    EXPECT_EQ(p.log, (std::vector<std::string>{"off", "reset"}));
    p.log.clear();
    p.Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(p.log, (std::vector<std::string>{"on"}));
}

TEST_F(Binding, RateAndBlockSizeAreStoredBeforeTheReset)
{
    Probe p("2-2");
    EXPECT_EQ(p.GetBlockSize(), 1024);
    p.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(p.GetSampleRate(), 96000.0);
    p.Dispatch(effSetBlockSize, 0, 256);
    EXPECT_EQ(p.GetBlockSize(), 256);
    EXPECT_EQ(p.log, (std::vector<std::string>{"reset", "reset"}));
    // Rates and sizes that cannot be right keep the current ones.
    p.Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
    p.Dispatch(effSetSampleRate, 0, 0, nullptr, -44100.0f);
    p.Dispatch(effSetBlockSize, 0, 0);
    p.Dispatch(effSetBlockSize, 0, -64);
    EXPECT_EQ(p.GetSampleRate(), 96000.0);
    EXPECT_EQ(p.GetBlockSize(), 256);
}

TEST_F(Binding, OpenIdentifiesTheHostOnceAndResendsEveryParameter)
{
    host.product = "REAPER";
    host.vendorVersion = 60500;
    Probe p("2-2");
    p.Dispatch(effOpen);
    EXPECT_EQ(p.GetHostId(), HostReaper);
    EXPECT_EQ(p.GetHostVersion(), 6 * 65536 + 5 * 256);
    EXPECT_EQ(p.log, (std::vector<std::string>{"param0", "param1"}));
    p.Dispatch(effOpen);
    EXPECT_EQ(p.GetHost(), HostReaper);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 1);
}

TEST_F(Binding, HostVersionIsPackedFromItsDecimalAnswer)
{
    struct Case
    {
        VstIntPtr decimal;
        int32_t packed;
    };
    for (const Case& c : {Case{2400, 0x1800}, Case{60500, 394496}, Case{10205, 0x10205}, Case{0, 0},
                          Case{99, 99}, Case{123456, 12 * 65536 + 34 * 256 + 56}})
    {
        host.calls.clear();
        host.vendorVersion = c.decimal;
        Probe p("2-2");
        p.GetHost();
        EXPECT_EQ(p.GetHostVersion(), c.packed) << c.decimal;
    }
}

TEST_F(Binding, AnEmptyProductIsUnknownAndAskedOnlyOnce)
{
    host.product = "";
    Probe p("2-2");
    EXPECT_EQ(p.GetHost(), HostUnknown);
    EXPECT_EQ(p.GetHost(), HostUnknown);
    EXPECT_EQ(p.GetHostVersion(), 0);
    EXPECT_EQ(host.Count(audioMasterGetProductString), 1);
    EXPECT_EQ(host.Count(audioMasterGetVendorVersion), 0);
}

TEST_F(Binding, StereoOnlyHostsDisconnectTheThirdInputOn)
{
    for (const char* product : {"forte", "Audition", "ORION", "SawStudio"})
    {
        host.product = product;
        Probe p("4-2 4-4");
        p.SetOutputChannelConnections(2, 2, false);
        p.Dispatch(effOpen);
        EXPECT_TRUE(p.IsInChannelConnected(1)) << product;
        EXPECT_FALSE(p.IsInChannelConnected(2)) << product;
        EXPECT_FALSE(p.IsInChannelConnected(3)) << product;
        EXPECT_TRUE(p.IsOutChannelConnected(3)) << product;
        EXPECT_EQ(p.GetAEffect()->numInputs, 4);
    }
    for (const char* product : {"Olive Host", "Cubase", "Bitwig"})
    {
        host.product = product;
        Probe p("4-2");
        p.Dispatch(effOpen);
        EXPECT_TRUE(p.IsInChannelConnected(3)) << product;
    }
}

TEST_F(Binding, TimeQueriesAskForTheirFieldsAndTakeOnlyValidOnes)
{
    Probe p("2-2");
    host.time.samplePos = 1000.5;
    host.time.tempo = 128.0;
    host.time.timeSigNumerator = 7;
    host.time.timeSigDenominator = 8;
    host.time.flags = 0;
    EXPECT_EQ(p.GetSamplePosition(), 1001);
    EXPECT_EQ(p.GetTempo(), 0.0); // not flagged valid
    int num = -1, den = -1;
    p.GetTimeSignature(&num, &den);
    EXPECT_EQ(num, 0);
    EXPECT_EQ(den, 0);

    host.time.flags = kVstTempoValid | kVstTimeSigValid;
    EXPECT_EQ(p.GetTempo(), 128.0);
    p.GetTimeSignature(&num, &den);
    EXPECT_EQ(num, 7);
    EXPECT_EQ(den, 8);
    // The requests carry the fields wanted.
    ASSERT_GE(host.calls.size(), 5u);
    EXPECT_EQ(host.calls[0].value, 0);
    EXPECT_EQ(host.calls[1].value, kVstTempoValid);
    EXPECT_EQ(host.calls[2].value, kVstTimeSigValid);

    host.time.samplePos = -3.0;
    EXPECT_EQ(p.GetSamplePosition(), 0);
    host.answerTime = false;
    EXPECT_EQ(p.GetSamplePosition(), 0);
    EXPECT_EQ(p.GetTempo(), 0.0);
}

TEST_F(Binding, SamplePositionsBeyondIntStayAtTheLargestInt)
{
    Probe p("2-2");
    host.time.flags = 0;
    // Rounded to the nearest frame up to the last position an int holds.
    host.time.samplePos = 2147483646.4;
    EXPECT_EQ(p.GetSamplePosition(), 2147483646);
    host.time.samplePos = 2147483646.5;
    EXPECT_EQ(p.GetSamplePosition(), INT_MAX);
    // Later positions (playback running beyond 12 hours at 48 kHz) and a
    // host's infinity hold there instead of wrapping or converting undefined.
    for (double pos : {2147483647.5, 2147483648.0, 4294967296.0 + 7.0, 1e300,
                       std::numeric_limits<double>::infinity()})
    {
        host.time.samplePos = pos;
        EXPECT_EQ(p.GetSamplePosition(), INT_MAX) << pos;
    }
    host.time.samplePos = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(p.GetSamplePosition(), 0);
}

TEST_F(Binding, TimeInfoOverwritesOnlyWhatTheHostReportsValid)
{
    Probe p("2-2");
    ITimeInfo info;
    info.mTempo = 99.0;
    info.mPPQPos = 5.0;
    info.mNumerator = 3;
    info.mDenominator = 4;

    host.answerTime = false;
    p.GetTimeInfo(&info);
    EXPECT_EQ(info.mTempo, 99.0);

    host.answerTime = true;
    host.time.samplePos = 4800.0;
    host.time.tempo = 140.0;
    host.time.ppqPos = 2.0;
    host.time.flags = kVstTransportPlaying; // none of the fields asked for
    p.GetTimeInfo(&info);
    EXPECT_EQ(info.mSamplePos, 0.0);
    EXPECT_FALSE(info.mTransportIsRunning);
    EXPECT_EQ(host.calls.back().value, 0x3E00);

    host.time.flags =
        kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid | kVstTransportCycleActive;
    host.time.timeSigNumerator = 0; // not a signature: kept
    host.time.timeSigDenominator = 8;
    p.GetTimeInfo(&info);
    EXPECT_EQ(info.mSamplePos, 4800.0);
    EXPECT_EQ(info.mTempo, 140.0);
    EXPECT_EQ(info.mPPQPos, 5.0); // not flagged
    EXPECT_EQ(info.mNumerator, 3);
    EXPECT_EQ(info.mDenominator, 4);
    EXPECT_TRUE(info.mTransportIsRunning);
    EXPECT_TRUE(info.mTransportLoopEnabled);
}

TEST_F(Binding, EditNotificationsReachTheHostWithIndexAndValue)
{
    Probe p("2-2");
    p.BeginParameterEdit(1);
    p.InformHostOfParameterChange(1, 0.25);
    p.EndParameterEdit(1);
    p.InformHostOfPresetChange();
    ASSERT_EQ(host.calls.size(), 4u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(host.calls[0].index, 1);
    EXPECT_EQ(host.calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[1].index, 1);
    EXPECT_EQ(host.calls[1].opt, 0.25f);
    EXPECT_EQ(host.calls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(host.calls[3].opcode, audioMasterUpdateDisplay);
}

TEST_F(Binding, MidiMessagesAreSentAsThirtyTwoByteEvents)
{
    Probe p("2-2", 1, true);
    IMidiMessage msgs[2];
    msgs[0].mOffset = 5;
    msgs[0].mStatus = 0x90;
    msgs[0].mData1 = 64;
    msgs[0].mData2 = 127;
    msgs[1].mStatus = 0x80;
    EXPECT_TRUE(p.SendMidiMessages(msgs, 2));
    ASSERT_EQ(host.midi.size(), 2u);
    EXPECT_EQ(host.midi[0].type, kVstMidiType);
    EXPECT_EQ(host.midi[0].byteSize, 32);
    EXPECT_EQ(host.midi[0].deltaFrames, 5);
    EXPECT_EQ(static_cast<unsigned char>(host.midi[0].midiData[0]), 0x90);
    EXPECT_EQ(host.midi[0].midiData[1], 64);
    EXPECT_EQ(host.midi[0].midiData[2], 127);
    EXPECT_EQ(host.midi[0].midiData[3], 0);
    // A refusing host fails the batch, but every message is still offered.
    host.eventAnswer = 0;
    EXPECT_FALSE(p.SendMidiMessages(msgs, 2));
    EXPECT_EQ(host.midi.size(), 4u);
}

TEST_F(Binding, AnAttachedEditorIsAnnouncedOpenedAndClosed)
{
    Probe p("2-2");
    p.AttachGraphics(nullptr);
    EXPECT_EQ(p.GetAEffect()->flags & effFlagsHasEditor, 0);
    EXPECT_EQ(p.Dispatch(effEditOpen), 0);

    p.AttachGraphics(new FakeCanvas(p.log));
    EXPECT_EQ(p.GetAEffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_EQ(p.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, 552);
    EXPECT_EQ(rect->bottom, 200);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);

    p.log.clear();
    int parent = 0;
    EXPECT_EQ(p.Dispatch(effEditOpen, 0, 0, nullptr), 0); // the window could not be made
    EXPECT_EQ(p.Dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(p.Dispatch(effEditClose), 1);
    EXPECT_EQ(p.log, (std::vector<std::string>{"opened", "closing", "close window"}));

    // Host changes reach the editor: normalised from set-parameter, plain
    // from typed text.
    p.log.clear();
    p.GetAEffect()->setParameter(p.GetAEffect(), 0, 0.75f);
    char text[] = "-2.5";
    EXPECT_EQ(p.Dispatch(effString2Parameter, 0, 0, text), 1);
    EXPECT_EQ(p.log, (std::vector<std::string>{"canvas0 n 0.750000", "param0",
                                               "canvas0 p -2.500000", "param0"}));
    EXPECT_EQ(p.GetParam(0)->Value(), -2.5);
}

TEST_F(Binding, LatencyIsMirroredInTheRecord)
{
    Probe p("2-2");
    p.SetLatency(64);
    EXPECT_EQ(p.GetLatency(), 64);
    EXPECT_EQ(p.GetAEffect()->initialDelay, 64);
}

TEST_F(Binding, CloseDestroysThePluginAndRecordsWithoutObjectAreIgnored)
{
    Probe::destroyed = 0;
    Probe* p = new Probe("2-2");
    AEffect* e = p->GetAEffect();
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(Probe::destroyed, 1);

    // A record whose object is gone answers 0 everywhere and crashes nowhere.
    Probe q("2-2");
    AEffect copy = *q.GetAEffect();
    copy.object = nullptr;
    EXPECT_EQ(copy.dispatcher(&copy, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(copy.getParameter(&copy, 0), 0.0f);
    copy.setParameter(&copy, 0, 1.0f);
    float* none[2] = {nullptr, nullptr};
    copy.processReplacing(&copy, none, none, 16);
    EXPECT_EQ(copy.dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(q.GetParam(0)->Value(), 0.0);
}

TEST_F(Binding, ProgramNumbersBeyondIntSelectNoProgram)
{
    if (sizeof(VstIntPtr) <= sizeof(int)) GTEST_SKIP() << "the value is an int here";
    Probe p("2-2", 2);
    p.MakeDefaultPresets("Empty", 2);
    p.Dispatch(effSetProgram, 0, 1);
    ASSERT_EQ(p.Dispatch(effGetProgram), 1);
    // Narrowed to int these would be programs 0 and 1 (and -1 = no program).
    const VstIntPtr twoToThe32 = static_cast<VstIntPtr>(1) << 32;
    for (VstIntPtr value : {twoToThe32, twoToThe32 + 1, twoToThe32 - 1, -twoToThe32})
    {
        p.Dispatch(effSetProgram, 0, value);
        EXPECT_EQ(p.Dispatch(effGetProgram), 1) << value;
    }
    p.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(p.Dispatch(effGetProgram), 0);
}

namespace
{
// Gives up one hold of the plug-in lock in each block and asks another thread
// to take it: that succeeds only when the process callback held it once.
class LockProbe : public Probe
{
  public:
    LockProbe() : Probe("2-2") {}
    void ProcessBlock(double** inputs, double** outputs, int nFrames) override
    {
        Unlock();
        bool taken = false;
        std::thread other(
            [&]
            {
                if (TryLock())
                {
                    taken = true;
                    Unlock();
                }
            });
        other.join();
        Lock();
        takenElsewhere.push_back(taken);
        Probe::ProcessBlock(inputs, outputs, nFrames);
    }
    std::vector<bool> takenElsewhere;
};
} // namespace

TEST_F(Binding, EachProcessCallbackTakesThePluginLockOnce)
{
    LockProbe p;
    AEffect* e = p.GetAEffect();
    p.Dispatch(effSetBlockSize, 0, 16);
    // 40 frames through 16-frame channel buffers: three pieces per call on the
    // single-precision paths.
    std::vector<float> fIn(40, 0.5f), fOut(40, 0.0f), fOut2(40, 0.0f);
    float* fIns[2] = {fIn.data(), fIn.data()};
    float* fOuts[2] = {fOut.data(), fOut2.data()};
    std::vector<double> dIn(40, 0.5), dOut(40, 0.0), dOut2(40, 0.0);
    double* dIns[2] = {dIn.data(), dIn.data()};
    double* dOuts[2] = {dOut.data(), dOut2.data()};
    e->processReplacing(e, fIns, fOuts, 40);
    e->process(e, fIns, fOuts, 40);
    e->processDoubleReplacing(e, dIns, dOuts, 40);
    ASSERT_FALSE(p.takenElsewhere.empty());
    for (size_t i = 0; i < p.takenElsewhere.size(); ++i)
        EXPECT_TRUE(p.takenElsewhere[i]) << "block piece " << i;
    EXPECT_EQ(fOut[39], 0.5f + 0.5f); // replacing, then accumulating
    EXPECT_EQ(dOut[39], 0.5);
}

TEST_F(Binding, ProgramSwitchSavesTheCurrentValuesUnlessThePluginDoesChunks)
{
    Probe p("2-2", 2);
    p.MakeDefaultPresets("Empty", 2);
    p.GetParam(0)->SetValue(4.0);
    p.Dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(p.Dispatch(effGetProgram), 1);
    p.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(p.GetParam(0)->Value(), 4.0); // saved into preset 0 before the switch

    Probe c("2-2", 2, false, true);
    c.MakeDefaultPresets("Empty", 2);
    c.GetParam(0)->SetValue(4.0);
    c.Dispatch(effSetProgram, 0, 1);
    c.Dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(c.GetParam(0)->Value(), 0.0); // chunk plug-ins keep their presets as stored
}
