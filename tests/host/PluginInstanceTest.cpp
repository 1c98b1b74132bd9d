// Our host library seen from a plug-in: a probe plug-in asks the host every
// request and records the answers; these tests read them back.
#include "PluginInstance.h"
#include "BlockProcessor.h"
#include "DemoSignal.h"
#include "LevelMeter.h"
#include "ParameterAssignment.h"
#include "probe/ProbeLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace
{

const ProbeLog& LogOf(PluginInstance& plugin)
{
    return *reinterpret_cast<const ProbeLog*>(plugin.Dispatch(effVendorSpecific, kProbeLogIndex));
}

struct Stereo
{
    explicit Stereo(size_t frames, float value = 0.0f)
        : left(frames, value), right(frames, value), ptrs{left.data(), right.data()}
    {
    }
    std::vector<float> left, right;
    float* ptrs[2];
};

} // namespace

TEST(HostIdentity, RequestsAreAnsweredWithTheConfiguredIdentity)
{
    HostIdentity identity;
    identity.product = "Cubase VST Test";
    identity.vendor = "Tester";
    identity.vendorVersion = 60500;
    PluginInstance plugin(identity);
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE)) << plugin.Error();
    const ProbeLog& log = LogOf(plugin);
    EXPECT_EQ(log.version, 2400);
    EXPECT_STREQ(log.product, "Cubase VST Test");
    EXPECT_STREQ(log.vendor, "Tester");
    EXPECT_EQ(log.vendorVersion, 60500);
    EXPECT_EQ(log.currentId, VstFourCC('P', 'r', 'o', 'b'));
    // Requests outside what we serve answer 0.
    EXPECT_EQ(log.canDoAnything, 0);
    EXPECT_EQ(log.ioChanged, 0);
    EXPECT_EQ(log.sizeWindow, 0);
    EXPECT_TRUE(plugin.WantsMidi());
}

TEST(HostIdentity, LongProductTextIsBoundedToTheInterfaceSize)
{
    HostIdentity identity;
    identity.product = std::string(300, 'p');
    PluginInstance plugin(identity);
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    const ProbeLog& log = LogOf(plugin);
    EXPECT_TRUE(log.productTerminatedWithinInterfaceSize);
    EXPECT_TRUE(log.productTailUntouched);
    EXPECT_EQ(std::strlen(log.product), static_cast<size_t>(kVstMaxProductStrLen - 1));
}

TEST(HostIdentity, RequestsFromInsideTheEntryPointReachTheLoadingInstance)
{
    HostIdentity identity;
    identity.product = "early";
    PluginInstance plugin(identity);
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    EXPECT_EQ(LogOf(plugin).versionAtEntry, 2400);
    EXPECT_STREQ(LogOf(plugin).productAtEntry, "early");
}

TEST(Loading, MissingLibraryOrEntryPointFailsWithAReason)
{
    PluginInstance plugin;
    EXPECT_FALSE(plugin.Open("/nonexistent/plugin.so"));
    EXPECT_FALSE(plugin.Error().empty());
    EXPECT_FALSE(plugin.IsOpen());
    // A shared library without VSTPluginMain or main: the C library itself.
    EXPECT_FALSE(plugin.Open("libm.so.6"));
    EXPECT_NE(plugin.Error().find("VSTPluginMain"), std::string::npos);
    // Closing what never opened does nothing.
    plugin.Close();
}

TEST(Transport, TimeInfoIs120BpmFourFourPlayingAndAdvancesWithProcessing)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    plugin.Start(48000.0, 4800);
    Stereo in(4800), out(4800);
    for (int block = 0; block < 5; ++block)
        plugin.ProcessReplacing(in.ptrs, out.ptrs, 4800);
    // The request during the sixth block sees 5 x 4800 = 24000 samples behind it:
    // half a second at 48 kHz, one quarter note at 120 BPM.
    plugin.ProcessReplacing(in.ptrs, out.ptrs, 4800);
    const ProbeLog& log = LogOf(plugin);
    ASSERT_TRUE(log.gotTime);
    EXPECT_DOUBLE_EQ(log.time.samplePos, 24000.0);
    EXPECT_DOUBLE_EQ(log.time.sampleRate, 48000.0);
    EXPECT_DOUBLE_EQ(log.time.tempo, 120.0);
    EXPECT_DOUBLE_EQ(log.time.ppqPos, 1.0);
    EXPECT_DOUBLE_EQ(log.time.barStartPos, 0.0);
    EXPECT_EQ(log.time.timeSigNumerator, 4);
    EXPECT_EQ(log.time.timeSigDenominator, 4);
    const VstInt32 wanted =
        kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstBarsValid | kVstTimeSigValid;
    EXPECT_EQ(log.time.flags & wanted, wanted);
    EXPECT_EQ(log.sampleRate, 48000);
    EXPECT_EQ(log.blockSize, 4800);

    // Four bars later (16 quarter notes = 8 s) the bar start follows.
    plugin.SetSamplePosition(48000.0 * 8.5);
    plugin.ProcessReplacing(in.ptrs, out.ptrs, 4800);
    EXPECT_DOUBLE_EQ(LogOf(plugin).time.ppqPos, 17.0);
    EXPECT_DOUBLE_EQ(LogOf(plugin).time.barStartPos, 16.0);
}

TEST(Records, AutomationEditsAndEventsAreRecordedInOrder)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    plugin.Start(44100.0, 64);
    plugin.ClearRecords();
    plugin.SetParameter(1, 0.5f);
    std::vector<HostRequest> requests = plugin.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(requests[1].opcode, audioMasterAutomate);
    EXPECT_EQ(requests[1].index, 1);
    EXPECT_FLOAT_EQ(requests[1].opt, 0.5f);
    EXPECT_EQ(requests[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(plugin.RequestCount(audioMasterAutomate), 1);

    Stereo in(64), out(64);
    plugin.ProcessReplacing(in.ptrs, out.ptrs, 64);
    plugin.ProcessReplacing(in.ptrs, out.ptrs, 17);
    std::vector<SentEvent> events = plugin.SentEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, kVstMidiType);
    EXPECT_EQ(events[0].deltaFrames, 3);
    EXPECT_EQ(events[0].midiData[0], 0x90);
    EXPECT_EQ(events[0].midiData[2], 64);
    EXPECT_EQ(events[1].midiData[2], 17);
}

TEST(Processing, ReplacingAndAccumulatingReachTheHostsBuffers)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    plugin.Start(48000.0, 32);
    Stereo in(32, 0.25f), out(32, 9.0f);
    plugin.ProcessReplacing(in.ptrs, out.ptrs, 32);
    EXPECT_EQ(out.left[31], 0.5f);
    plugin.ProcessAccumulating(in.ptrs, out.ptrs, 32);
    plugin.ProcessAccumulating(in.ptrs, out.ptrs, 32);
    EXPECT_EQ(out.right[0], 1.5f);

    std::vector<double> l(32, 0.125), r(32, -0.125), ol(32), orr(32);
    double* ins[2] = {l.data(), r.data()};
    double* outs[2] = {ol.data(), orr.data()};
    plugin.ProcessDoubleReplacing(ins, outs, 32);
    EXPECT_EQ(ol[5], 0.25);
    EXPECT_EQ(orr[5], -0.25);
    EXPECT_DOUBLE_EQ(plugin.SamplePosition(), 4 * 32.0);
}

TEST(Parameters, NamesTextEntryNormalisedValuesAndChunksRoundTrip)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    EXPECT_EQ(plugin.FindParameter("Mix Level"), 1);
    EXPECT_EQ(plugin.FindParameter("mix level"), 1);
    EXPECT_EQ(plugin.FindParameter("Mix"), -1);
    EXPECT_EQ(plugin.ParameterLabel(0), "%");

    ParameterAssignment text;
    std::string error;
    ASSERT_TRUE(text.Parse("Gain=40"));
    EXPECT_TRUE(text.Apply(plugin, error)) << error;
    EXPECT_FLOAT_EQ(plugin.GetParameter(0), 0.4f);
    EXPECT_EQ(plugin.ParameterDisplay(0), "40");

    ParameterAssignment normalised;
    ASSERT_TRUE(normalised.Parse("mix level=@0.125"));
    EXPECT_TRUE(normalised.Apply(plugin, error));
    EXPECT_FLOAT_EQ(plugin.GetParameter(1), 0.125f);

    ParameterAssignment bad;
    EXPECT_FALSE(bad.Parse("=3"));
    EXPECT_FALSE(bad.Parse("Gain"));
    ASSERT_TRUE(bad.Parse("Gain=@1.5"));
    EXPECT_FALSE(bad.Apply(plugin, error));
    ASSERT_TRUE(bad.Parse("Gain=loud"));
    EXPECT_FALSE(bad.Apply(plugin, error)); // the plug-in refuses the text
    ASSERT_TRUE(bad.Parse("Volume=3"));
    EXPECT_FALSE(bad.Apply(plugin, error));
    EXPECT_NE(error.find("Volume"), std::string::npos);

    std::vector<uint8_t> saved = plugin.GetChunk(true);
    ASSERT_EQ(saved.size(), 8u);
    plugin.SetParameter(0, 0.9f);
    EXPECT_TRUE(plugin.SetChunk(true, saved));
    EXPECT_FLOAT_EQ(plugin.GetParameter(0), 0.4f);
    EXPECT_FALSE(plugin.SetChunk(true, std::vector<uint8_t>(3)));
}

TEST(Instances, TwoThreadsDriveTheirOwnInstancesIndependently)
{
    auto drive = [](const char* product, int blocks, double* position, std::string* seen)
    {
        HostIdentity identity;
        identity.product = product;
        PluginInstance plugin(identity);
        if (!plugin.Open(KORVALA_HOST_PROBE)) return;
        plugin.Start(48000.0, 64);
        Stereo in(64), out(64);
        for (int i = 0; i < blocks; ++i)
            plugin.ProcessReplacing(in.ptrs, out.ptrs, 64);
        *position = LogOf(plugin).time.samplePos;
        *seen = LogOf(plugin).product;
    };
    double posA = -1, posB = -1;
    std::string seenA, seenB;
    std::thread a(drive, "first", 3000, &posA, &seenA);
    std::thread b(drive, "second", 1000, &posB, &seenB);
    a.join();
    b.join();
    EXPECT_EQ(seenA, "first");
    EXPECT_EQ(seenB, "second");
    EXPECT_DOUBLE_EQ(posA, 2999 * 64.0);
    EXPECT_DOUBLE_EQ(posB, 999 * 64.0);
}

TEST(BlockProcessing, MainAndSidechainFeedTheirInputsAndShortFilesContinueSilent)
{
    PluginInstance plugin;
    ASSERT_TRUE(plugin.Open(KORVALA_HOST_PROBE));
    plugin.Start(48000.0, 8);
    AudioBuffer mono;
    mono.channels.assign(1, std::vector<double>(20));
    for (size_t i = 0; i < 20; ++i)
        mono.channels[0][i] = 0.01 * static_cast<double>(i);
    AudioBuffer out;
    out.channels.assign(2, std::vector<double>(20, 7.0));
    BlockProcessor processor(plugin, Precision::Double, 8);
    for (size_t start = 0; start < 20; start += 8)
        processor.Process(mono, nullptr, start, std::min<size_t>(8, 20 - start), out);
    // A mono file feeds both main inputs; the probe doubles them.
    for (size_t i = 0; i < 20; ++i)
    {
        EXPECT_DOUBLE_EQ(out.channels[0][i], 0.02 * static_cast<double>(i));
        EXPECT_DOUBLE_EQ(out.channels[1][i], 0.02 * static_cast<double>(i));
    }
    Precision p;
    EXPECT_TRUE(ParsePrecision("accumulate", p));
    EXPECT_EQ(p, Precision::Accumulate);
    EXPECT_FALSE(ParsePrecision("Float", p));
}

TEST(Meters, SinePeakAndRmsMatchTheAnalyticValues)
{
    // 1 kHz at 48 kHz, whole periods: RMS of amplitude A is A / sqrt(2).
    std::vector<double> sine(4800);
    for (size_t i = 0; i < sine.size(); ++i)
        sine[i] = 0.5 * std::sin(2.0 * M_PI * 1000.0 * static_cast<double>(i) / 48000.0);
    LevelMeter meter;
    meter.Add(sine.data(), sine.data(), sine.size());
    EXPECT_NEAR(meter.Peak(), 0.5, 1e-12);
    EXPECT_NEAR(meter.Rms(), 0.5 / std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(LevelMeter::ToDb(meter.Peak()), -6.0206, 1e-4);
    EXPECT_EQ(meter.Samples(), 9600u);
    EXPECT_EQ(LevelMeter::ToDb(0.0), LevelMeter::kFloorDb);
    meter.Reset();
    EXPECT_EQ(meter.Rms(), 0.0);
}

TEST(DemoSignal, IsDeterministicStereoWithHeadroomAndTransients)
{
    AudioBuffer a = DemoSignal::Generate(48000.0, 2.0);
    AudioBuffer b = DemoSignal::Generate(48000.0, 2.0);
    ASSERT_EQ(a.Channels(), 2u);
    ASSERT_EQ(a.Frames(), 96000u);
    EXPECT_EQ(a.channels, b.channels);
    LevelMeter whole;
    whole.Add(a.channels[0].data(), a.channels[1].data(), a.Frames());
    EXPECT_LT(whole.Peak(), 1.0);
    EXPECT_GT(whole.Peak(), 0.3);
    // Transients: the 10 ms after the first kick are far louder than the 10 ms
    // before the second beat.
    LevelMeter hit, tail;
    hit.Add(a.channels[0].data(), nullptr, 480);
    tail.Add(a.channels[0].data() + 24000 - 480, nullptr, 480);
    EXPECT_GT(LevelMeter::ToDb(hit.Rms()) - LevelMeter::ToDb(tail.Rms()), 10.0);
}
