#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>
#include <vector>

namespace
{
struct CanvasLog
{
    std::vector<std::string> calls;
    bool destroyed = false;
};

class RecordingCanvas : public IEditorView
{
  public:
    explicit RecordingCanvas(CanvasLog* log) : mLog(log) {}
    ~RecordingCanvas() override { mLog->destroyed = true; }
    void SetParameterFromPlugin(int idx, double value, bool normalized) override
    {
        mLog->calls.push_back((normalized ? "norm " : "plain ") + std::to_string(idx) + " " +
                              std::to_string(value));
    }
    void PrepareDrawing() override { mLog->calls.push_back("prepare"); }
    void SetAllControlsDirty() override {}
    void SetControlFromPlugin(int, double) override {}
    void GrayOutControl(int, bool) override {}
    int Width() const override { return 552; }
    int Height() const override { return 200; }
    void* OpenWindow(void*) override { return nullptr; }
    void CloseWindow() override {}

  private:
    CanvasLog* mLog;
};

// Connects everything and gives the channel buffers a size, as the binding's
// constructor does.
void ConnectAll(TestEffect& fx, int blockSize)
{
    fx.SetInputChannelConnections(0, fx.NInChannels(), true);
    fx.SetOutputChannelConnections(0, fx.NOutChannels(), true);
    fx.SetBlockSize(blockSize);
}
} // namespace

TEST(IEffectBase, ChannelConfigurationTextGivesPairsAndChannelCounts)
{
    TestEffect fx;
    ASSERT_EQ(fx.NChannelPairs(), 5);
    const int expected[5][2] = {{1, 1}, {2, 2}, {2, 1}, {3, 2}, {4, 2}};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(fx.GetChannelPair(i)->mNIn, expected[i][0]);
        EXPECT_EQ(fx.GetChannelPair(i)->mNOut, expected[i][1]);
    }
    EXPECT_EQ(fx.NInChannels(), 4);
    EXPECT_EQ(fx.NOutChannels(), 2);

    EXPECT_TRUE(fx.LegalIO(1, -1));
    EXPECT_TRUE(fx.LegalIO(3, 2));
    EXPECT_FALSE(fx.LegalIO(3, 1));
    EXPECT_TRUE(fx.LegalIO(-1, 2));
    EXPECT_TRUE(fx.LegalIO(4, -1));
    EXPECT_FALSE(fx.LegalIO(5, -1));
    EXPECT_TRUE(fx.LegalIO(-1, -1));
    EXPECT_FALSE(fx.LegalIO(0, 0));
}

TEST(IEffectBase, UnreadableConfigurationEntriesBecomeZeroPairs)
{
    TestEffect trailing("1-1 2-2 ", 1, false);
    ASSERT_EQ(trailing.NChannelPairs(), 3);
    EXPECT_EQ(trailing.GetChannelPair(2)->mNIn, 0);
    EXPECT_EQ(trailing.GetChannelPair(2)->mNOut, 0);
    EXPECT_TRUE(trailing.LegalIO(0, 0));
    EXPECT_EQ(trailing.NInChannels(), 2);

    TestEffect none(nullptr, 1, false);
    EXPECT_EQ(none.NChannelPairs(), 0);
    EXPECT_EQ(none.NInChannels(), 0);
    EXPECT_EQ(none.NOutChannels(), 0);
    EXPECT_FALSE(none.LegalIO(-1, -1));

    TestEffect partial("2 x-3 7-1", 1, false);
    ASSERT_EQ(partial.NChannelPairs(), 3);
    EXPECT_EQ(partial.GetChannelPair(0)->mNIn, 2); // no "-": outputs stay 0
    EXPECT_EQ(partial.GetChannelPair(0)->mNOut, 0);
    EXPECT_EQ(partial.GetChannelPair(1)->mNIn, 0);
    EXPECT_EQ(partial.GetChannelPair(1)->mNOut, 0);
    EXPECT_EQ(partial.GetChannelPair(2)->mNIn, 7);
    EXPECT_EQ(partial.NInChannels(), 7);
    EXPECT_EQ(partial.NOutChannels(), 1);
}

TEST(IEffectBase, IdentityAndVersionAnswers)
{
    TestEffect fx;
    EXPECT_EQ(fx.GetUniqueID(), 0x426B4B76); // 'BkKv' as hosts read it
    EXPECT_EQ(fx.GetEffectVersion(false), 0x10205);
    EXPECT_EQ(fx.GetEffectVersion(true), 10205);
    EXPECT_EQ(fx.GetHost(), HostNotAsked);

    fx.SetHost("REAPER", 0x00061800);
    EXPECT_EQ(fx.GetHostId(), HostReaper);
    EXPECT_EQ(fx.GetHostVersion(), 0x00061800);
    fx.SetHost("Some Host", 0);
    EXPECT_EQ(fx.GetHost(), HostUnknown);
    fx.SetHost(nullptr, 0);
    EXPECT_EQ(fx.GetHostId(), HostUnknown);
}

TEST(IEffectBase, BlockSizeChangeZerosEveryChannelBufferAndSameSizeKeepsThem)
{
    TestEffect fx;
    fx.SetBlockSize(64);
    // Disconnected channels read and write their own buffers.
    double** in = fx.GetInputPointers();
    double** out = fx.GetOutputPointers();
    for (int c = 0; c < 4; ++c)
        ASSERT_NE(in[c], nullptr);
    in[3][63] = 5.0;
    out[1][0] = 7.0;
    fx.SetBlockSize(64);
    EXPECT_EQ(in[3][63], 5.0);
    EXPECT_EQ(out[1][0], 7.0);

    fx.SetBlockSize(200); // buffers may move: read the slots again
    in = fx.GetInputPointers();
    out = fx.GetOutputPointers();
    for (int i = 0; i < 200; ++i)
    {
        EXPECT_EQ(in[3][i], 0.0);
        EXPECT_EQ(out[1][i], 0.0);
    }
    fx.SetBlockSize(0);
    EXPECT_EQ(fx.GetInputPointers()[0], nullptr);
}

TEST(IEffectBase, SingleAndDoubleProcessingCopyThroughWithSilentDisconnectedInputs)
{
    TestEffect fx("2-4", 1, false, 0);
    // The process entries run under the lock, as the binding's callbacks hold it.
    IEffectBase::ScopedLock lock(&fx);
    ConnectAll(fx, 16);
    float inL[16], inR[16], outs[4][16];
    for (int i = 0; i < 16; ++i)
    {
        inL[i] = 0.1f * static_cast<float>(i) + 1e-7f;
        inR[i] = -static_cast<float>(i);
    }
    float* ins[2] = {inL, inR};
    float* outPtrs[4] = {outs[0], outs[1], outs[2], outs[3]};
    for (auto& o : outs)
        for (float& s : o)
            s = 9.0f;
    fx.ProcessHostSingle(ins, outPtrs, 16, false);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(outs[0][i], inL[i]); // float -> double -> float is exact
        EXPECT_EQ(outs[1][i], inR[i]);
        EXPECT_EQ(outs[2][i], 0.0f); // outputs beyond the inputs are zeroed
        EXPECT_EQ(outs[3][i], 0.0f);
    }
    fx.ProcessHostSingle(ins, outPtrs, 16, true);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(outs[0][i], inL[i] + inL[i]); // accumulating adds

    // Disconnecting the second input: it reads silence, and the host's second
    // pointer is no longer read.
    fx.SetInputChannelConnections(1, 1, false);
    EXPECT_FALSE(fx.IsInChannelConnected(1));
    float* onlyLeft[1] = {inL};
    fx.ProcessHostSingle(onlyLeft, outPtrs, 16, false);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(outs[0][i], inL[i]);
        EXPECT_EQ(outs[1][i], 0.0f);
    }

    double dIn[16], dOut[4][16];
    for (int i = 0; i < 16; ++i)
        dIn[i] = 1.0 / (i + 3);
    double* dIns[1] = {dIn};
    double* dOuts[4] = {dOut[0], dOut[1], dOut[2], dOut[3]};
    fx.ProcessHostDouble(dIns, dOuts, 16);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(dOut[0][i], dIn[i]);
        EXPECT_EQ(dOut[1][i], 0.0);
    }
}

TEST(IEffectBase, BlocksLongerThanTheChannelBuffersAreProcessedInPieces)
{
    TestEffect fx("2-2", 1, false, 0);
    // The process entries run under the lock, as the binding's callbacks hold it.
    IEffectBase::ScopedLock lock(&fx);
    ConnectAll(fx, 8);
    fx.SetInputChannelConnections(1, 1, false); // forces the buffer path
    std::vector<float> in(50), out0(50, 3.0f), out1(50, 3.0f);
    for (int i = 0; i < 50; ++i)
        in[i] = static_cast<float>(i + 1);
    float* ins[1] = {in.data()};
    float* outs[2] = {out0.data(), out1.data()};
    fx.ProcessHostSingle(ins, outs, 50, false);
    for (int i = 0; i < 50; ++i)
    {
        EXPECT_EQ(out0[i], in[i]);
        EXPECT_EQ(out1[i], 0.0f);
    }

    std::vector<double> dIn(37), d0(37, 3.0), d1(37, 3.0);
    for (int i = 0; i < 37; ++i)
        dIn[i] = i * 0.5;
    double* dIns[1] = {dIn.data()};
    double* dOuts[2] = {d0.data(), d1.data()};
    fx.ProcessHostDouble(dIns, dOuts, 37);
    EXPECT_EQ(d0, dIn);
    EXPECT_EQ(d1, std::vector<double>(37, 0.0));

    // Without any channel buffer there is nothing to read for the missing
    // input: the block is silent instead of reading through a null pointer.
    fx.SetBlockSize(0);
    fx.ProcessHostDouble(dIns, dOuts, 37);
    EXPECT_EQ(d0, std::vector<double>(37, 0.0));
}

TEST(IEffectBase, StereoLimitDisconnectsSidechainInputsAndConnectsExtraOutputs)
{
    TestEffect fx("4-4", 1, false, 0);
    fx.SetBlockSize(4);
    fx.SetInputChannelConnections(0, 4, true);
    fx.SetOutputChannelConnections(0, 2, true);
    fx.LimitToStereoIO();
    EXPECT_TRUE(fx.IsInChannelConnected(1));
    EXPECT_FALSE(fx.IsInChannelConnected(2));
    EXPECT_FALSE(fx.IsInChannelConnected(3));
    EXPECT_TRUE(fx.IsOutChannelConnected(3));
    // Ranges are clipped to the channel count.
    fx.SetInputChannelConnections(-5, 100, true);
    EXPECT_TRUE(fx.IsInChannelConnected(3));
    EXPECT_FALSE(fx.IsInChannelConnected(4));
}

TEST(IEffectBase, GuiChangeSetsValueInformsHostThenNotifiesUnderTheLock)
{
    TestEffect fx;
    std::atomic<bool> otherThreadGotLock{true};
    fx.mOnInform = [&]
    {
        std::thread t(
            [&]
            {
                if (fx.TryLock())
                {
                    otherThreadGotLock = true;
                    fx.Unlock();
                }
                else
                {
                    otherThreadGotLock = false;
                }
            });
        t.join();
    };
    fx.mChanged.clear();
    fx.SetParameterFromGUI(kModelType, 0.76);
    EXPECT_EQ(fx.GetParam(kModelType)->Value(), 2.0);
    ASSERT_EQ(fx.mHost.size(), 1u);
    EXPECT_EQ(fx.mHost[0].mWhat, "automate");
    EXPECT_EQ(fx.mHost[0].mIdx, kModelType);
    EXPECT_EQ(fx.mHost[0].mValue, 0.76); // the position given, not the rounded one
    EXPECT_EQ(fx.mChanged, std::vector<int>{kModelType});
    EXPECT_FALSE(otherThreadGotLock);

    fx.mChanged.clear();
    fx.SetParameterFromGUI(99, 0.5); // ignored rather than dereferenced
    EXPECT_TRUE(fx.mChanged.empty());

    fx.ResendAllParameters();
    std::vector<int> all;
    for (int i = 0; i < kNumTestParams; ++i)
        all.push_back(i);
    EXPECT_EQ(fx.mChanged, all);
}

TEST(IEffectBase, AttachedCanvasGetsValuesIsPreparedAndIsDeletedWithThePlugIn)
{
    CanvasLog log;
    {
        TestEffect fx;
        fx.AttachGraphics(nullptr);
        EXPECT_EQ(fx.GetGUI(), nullptr);
        auto* canvas = new RecordingCanvas(&log);
        fx.AttachGraphics(canvas);
        EXPECT_EQ(fx.GetGUI(), canvas);
        ASSERT_EQ(log.calls.size(), 12u);
        EXPECT_EQ(log.calls[2], "norm 2 " + std::to_string(1.0)); // threshold 0 dB at the top
        EXPECT_EQ(log.calls[7], "norm 7 " + std::to_string(1.0));
        EXPECT_EQ(log.calls[11], "prepare");

        log.calls.clear();
        fx.GetParam(kRelease)->SetValue(300.0);
        fx.RedrawParamControls();
        ASSERT_EQ(log.calls.size(), 11u);
        EXPECT_EQ(log.calls[kRelease], "plain 5 " + std::to_string(300.0));
        EXPECT_FALSE(log.destroyed);
    }
    EXPECT_TRUE(log.destroyed);
}

TEST(IEffectBase, ConstructionLeavesACallersLocalTimeResultAlone)
{
    // std::localtime answers one shared record; a plug-in constructed while a
    // host still reads its own conversion must not overwrite it.
    const std::time_t aDayIn1971 = 365 * 86400 + 12 * 3600;
    const std::tm* held = std::localtime(&aDayIn1971);
    ASSERT_NE(held, nullptr);
    const std::tm before = *held;
    {
        TestEffect fx;
    }
    EXPECT_EQ(held->tm_year, before.tm_year);
    EXPECT_EQ(held->tm_yday, before.tm_yday);
    EXPECT_EQ(held->tm_hour, before.tm_hour);
    EXPECT_EQ(held->tm_min, before.tm_min);
}
