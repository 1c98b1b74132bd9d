// Audio through the three process callbacks of the effect record.
//
// PASS-THROUGH CHECKS: with ratio 1:1 at threshold 0 dB, "Oversampling" and
// "Analog Emulation" off and both gains at 0 dB, no model changes the level,
// so the two outputs must equal inputs 1 and 2 up to the 1e-24 anti-denormal
// offsets (far below one float step of any test sample). These pin the
// plumbing: channel order, conversion, block splitting, accumulation and the
// disconnected sidechain inputs.

#include "LoadedPlugin.h"

#include <cmath>
#include <vector>

namespace
{
constexpr double kTolerance = 1e-6; // well below the 1/128 steps of the test signal

class Process : public LoadedPlugin
{
  protected:
    void SetUp() override
    {
        LoadedPlugin::SetUp();
        MakeTransparent(*plug);
    }

    static void MakeTransparent(PluginInstance& p)
    {
        ASSERT_EQ(p.SetParameterText(kOversampling, "off"), 1);
        ASSERT_EQ(p.SetParameterText(kAnalogEmulation, "off"), 1);
        ASSERT_EQ(p.SetParameterText(kRatio, "1"), 1);
        ASSERT_EQ(p.SetParameterText(kThreshold, "0"), 1);
        ASSERT_EQ(p.SetParameterText(kInputGain, "0"), 1);
        ASSERT_EQ(p.SetParameterText(kOutputGain, "0"), 1);
    }

    // Outputs 1 and 2 against inputs 1 and 2 (plus, for accumulation, what
    // the host buffers held before).
    template <typename T>
    static void ExpectPassThrough(const HostBuffers<T>& in, const HostBuffers<T>& out,
                                  double before = 0.0)
    {
        for (int c = 0; c < 2; ++c)
            for (size_t i = 0; i < out.data[static_cast<size_t>(c)].size(); ++i)
                ASSERT_NEAR(out.data[static_cast<size_t>(c)][i],
                            before + in.data[static_cast<size_t>(c)][i], kTolerance)
                    << "channel " << c << " frame " << i;
    }
};
} // namespace

TEST_F(Process, AllThreeCallbacksPassTheMainInputsThrough)
{
    constexpr int n = 512;
    HostBuffers<float> in(4, n);
    in.FillTestSignal();
    HostBuffers<float> out(2, n, 7.0f);
    plug->ProcessReplacing(in.Ptrs(), out.Ptrs(), n);
    ExpectPassThrough(in, out);

    HostBuffers<double> inD(4, n);
    inD.FillTestSignal();
    HostBuffers<double> outD(2, n, 7.0);
    plug->ProcessDoubleReplacing(inD.Ptrs(), outD.Ptrs(), n);
    ExpectPassThrough(inD, outD);

    HostBuffers<float> acc(2, n, 0.25f);
    plug->ProcessAccumulating(in.Ptrs(), acc.Ptrs(), n);
    ExpectPassThrough(in, acc, 0.25);
}

TEST_F(Process, AccumulatingAddsToWhatTheHostBufferHolds)
{
    constexpr int n = 256;
    HostBuffers<float> in(4, n);
    in.FillTestSignal();
    HostBuffers<float> out(2, n);
    plug->ProcessAccumulating(in.Ptrs(), out.Ptrs(), n);
    plug->ProcessAccumulating(in.Ptrs(), out.Ptrs(), n);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < n; ++i)
            ASSERT_NEAR(out.data[c][i], 2.0f * in.data[c][i], 2 * kTolerance) << c << " " << i;
}

TEST_F(Process, SinglePrecisionBlocksLongerThanTheBlockSizeAreSplitIdentically)
{
    // The host announced 64 frames and then sends 1000: the channel buffers
    // hold 64, so the block must be processed in pieces, bit-identical to a
    // host that announced 1000 (the address sanitizer build sees overruns).
    constexpr int n = 1000;
    auto reference = Load();
    reference->Start(48000.0, n);
    MakeTransparent(*reference);
    plug->SetBlockSize(64);
    for (int callback = 0; callback < 3; ++callback)
    {
        SCOPED_TRACE(callback);
        HostBuffers<float> in(4, n);
        in.FillTestSignal(callback);
        HostBuffers<float> got(2, n, 0.5f), want(2, n, 0.5f);
        if (callback == 0)
        {
            plug->ProcessReplacing(in.Ptrs(), got.Ptrs(), n);
            reference->ProcessReplacing(in.Ptrs(), want.Ptrs(), n);
        }
        else if (callback == 1)
        {
            plug->ProcessAccumulating(in.Ptrs(), got.Ptrs(), n);
            reference->ProcessAccumulating(in.Ptrs(), want.Ptrs(), n);
        }
        else
        {
            HostBuffers<double> inD(4, n), gotD(2, n), wantD(2, n);
            inD.FillTestSignal(callback);
            plug->ProcessDoubleReplacing(inD.Ptrs(), gotD.Ptrs(), n);
            reference->ProcessDoubleReplacing(inD.Ptrs(), wantD.Ptrs(), n);
            EXPECT_EQ(gotD.data, wantD.data);
            ExpectPassThrough(inD, gotD);
            continue;
        }
        EXPECT_EQ(got.data, want.data);
        ExpectPassThrough(in, got, callback == 1 ? 0.5 : 0.0);
    }
}

TEST_F(Process, StereoInputArrangementStopsReadingTheSidechainPointers)
{
    VstSpeakerArrangement stereoIn{};
    stereoIn.type = kSpeakerArrStereo;
    stereoIn.numChannels = 2;
    VstSpeakerArrangement stereoOut{};
    stereoOut.type = kSpeakerArrStereo;
    stereoOut.numChannels = 2;
    ASSERT_EQ(
        Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereoIn), &stereoOut),
        1);
    // The host now passes two input pointers; the third and fourth entries
    // are null and would crash if they were read.
    constexpr int n = 300;
    HostBuffers<float> in(2, n);
    in.FillTestSignal();
    float* inPtrs[4] = {in.ptrs[0], in.ptrs[1], nullptr, nullptr};
    HostBuffers<float> out(2, n);
    plug->ProcessReplacing(inPtrs, out.Ptrs(), n);
    ExpectPassThrough(in, out);
    HostBuffers<float> acc(2, n);
    plug->ProcessAccumulating(inPtrs, acc.Ptrs(), n);
    ExpectPassThrough(in, acc);

    HostBuffers<double> inD(2, n);
    inD.FillTestSignal();
    double* inPtrsD[4] = {inD.ptrs[0], inD.ptrs[1], nullptr, nullptr};
    HostBuffers<double> outD(2, n);
    plug->ProcessDoubleReplacing(inPtrsD, outD.Ptrs(), n);
    ExpectPassThrough(inD, outD);

    // Four channels again: the sidechain pointers are read once more.
    VstSpeakerArrangement quadIn{};
    quadIn.type = kSpeakerArrUserDefined;
    quadIn.numChannels = 4;
    EXPECT_EQ(Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&quadIn), nullptr),
              1);
    HostBuffers<float> in4(4, n);
    in4.FillTestSignal();
    plug->ProcessReplacing(in4.Ptrs(), out.Ptrs(), n);
    ExpectPassThrough(in4, out);
}

TEST_F(Process, EmptyAndMalformedCallsLeaveTheHostBuffersAlone)
{
    HostBuffers<float> in(4, 16);
    in.FillTestSignal();
    HostBuffers<float> out(2, 16, 3.0f);
    plug->ProcessReplacing(in.Ptrs(), out.Ptrs(), 0);
    plug->ProcessReplacing(in.Ptrs(), out.Ptrs(), -5);
    plug->ProcessReplacing(nullptr, out.Ptrs(), 16);
    plug->ProcessReplacing(in.Ptrs(), nullptr, 16);
    plug->ProcessAccumulating(nullptr, nullptr, 16);
    plug->ProcessDoubleReplacing(nullptr, nullptr, 16);
    for (const auto& channel : out.data)
        for (float v : channel)
            ASSERT_EQ(v, 3.0f);
}

TEST_F(Process, ABlockSizeOfZeroKeepsTheBuffersUsable)
{
    // A host announcing 0 frames must not leave the plug-in without channel
    // buffers for the next single-precision block.
    plug->SetBlockSize(0);
    constexpr int n = 128;
    HostBuffers<float> in(4, n);
    in.FillTestSignal();
    HostBuffers<float> out(2, n);
    plug->ProcessReplacing(in.Ptrs(), out.Ptrs(), n);
    ExpectPassThrough(in, out);
}
