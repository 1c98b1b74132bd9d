// korvala-host run as a user runs it: exit codes, the params listing, and
// batch renders compared with single renders of the same files.
#include "AudioFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(KORVALA_HOST_PROGRAM) && defined(KORVALA_PLUGIN_PATH)

namespace
{

namespace fs = std::filesystem;

// A directory of the test's own: CTest runs cases in parallel processes.
fs::path TestDir()
{
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::path(::testing::TempDir()) /
                   (std::string("korvala_render_") + test->test_suite_name() + "_" + test->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Runs korvala-host with arguments (already quoted), standard output and
// error to log; answers the exit status.
int Host(const std::string& arguments, const fs::path& log)
{
    const std::string command = "LSAN_OPTIONS=exitcode=0 " + std::string(KORVALA_HOST_PROGRAM) +
                                " " + arguments + " >'" + log.string() + "' 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// A tone burst loud enough to be compressed, then quiet: attack and release
// both show, so carried-over detector state would too.
AudioBuffer Burst(double rate, double seconds, size_t channels, double hz)
{
    AudioBuffer audio;
    audio.sampleRate = rate;
    const auto frames = static_cast<size_t>(seconds * rate);
    audio.channels.assign(channels, std::vector<double>(frames));
    for (size_t i = 0; i < frames; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const double level = t < seconds * 0.6 ? 0.7 : 0.05;
        for (size_t c = 0; c < channels; ++c)
            audio.channels[c][i] = level * std::sin(2.0 * M_PI * hz * (1.0 + 0.1 * c) * t);
    }
    return audio;
}

void WriteInput(const fs::path& path, const AudioBuffer& audio)
{
    std::string error;
    ASSERT_TRUE(AudioFile::Write(path.string(), audio, error)) << error;
}

AudioBuffer ReadOutput(const fs::path& path)
{
    AudioBuffer audio;
    std::string error;
    EXPECT_TRUE(AudioFile::Read(path.string(), audio, error)) << error;
    return audio;
}

const std::string kPlugin = Quoted(KORVALA_PLUGIN_PATH);
const std::string kSettings =
    "--set Threshold=-30 --set Ratio=8 --set 'Model Type=FET' --set Release=300";

} // namespace

TEST(HostProgram, MistakesOnTheCommandLineExitWithTwoAndTheUsage)
{
    const fs::path dir = TestDir();
    const fs::path log = dir / "log.txt";
    WriteInput(dir / "in.wav", Burst(48000, 0.1, 2, 440));
    const std::string render =
        "render " + kPlugin + " " + Quoted(dir / "in.wav") + " " + Quoted(dir / "out.wav") + " ";

    EXPECT_EQ(Host("", log), 2);
    EXPECT_NE(ReadText(log).find("usage:"), std::string::npos);
    EXPECT_EQ(Host("frobnicate", log), 2);
    EXPECT_NE(ReadText(log).find("usage:"), std::string::npos);
    EXPECT_EQ(Host(render + "--bogus 1", log), 2);
    EXPECT_EQ(Host(render + "--format mp3", log), 2);
    EXPECT_EQ(Host(render + "--tail -1", log), 2);
    EXPECT_EQ(Host(render + "--set", log), 2); // an option without its value
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "in.wav"), log), 2);
    EXPECT_EQ(Host("params", log), 2);

    EXPECT_EQ(Host(render + "--set Ratio=abc", log), 2);
    EXPECT_NE(ReadText(log).find("1 to 20 : 1"), std::string::npos) << ReadText(log);
    EXPECT_EQ(Host(render + "--set 'Model Type=Tube'", log), 2);
    EXPECT_NE(ReadText(log).find("VCA, FET or OPTO"), std::string::npos) << ReadText(log);
    EXPECT_EQ(Host(render + "--set Knee=2", log), 2);
    EXPECT_EQ(Host(render + "--set Threshold=-90", log), 2);
    EXPECT_EQ(Host(render + "--set Threshold", log), 2);
    EXPECT_FALSE(fs::exists(dir / "out.wav")); // nothing was rendered

    // Not the command line's fault: files and plug-ins that cannot be read.
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "missing.wav") + " " +
                       Quoted(dir / "out.wav"),
                   log),
              1);
    EXPECT_EQ(Host("params " + Quoted(dir / "in.wav"), log), 1);

    EXPECT_EQ(Host("help", log), 0);
    EXPECT_EQ(Host(render + "--set Ratio=4 --tail 0", log), 0) << ReadText(log);
    EXPECT_NE(ReadText(log).find("Ratio 4 : 1,"), std::string::npos) << ReadText(log);
}

TEST(HostProgram, ParamsListsEveryParameterWithRangeUnitDefaultAndTexts)
{
    const fs::path dir = TestDir();
    ASSERT_EQ(Host("params " + kPlugin, dir / "params.txt"), 0);
    const std::string text = ReadText(dir / "params.txt");
    for (const char* expected :
         {"11 parameters", "Input Gain", "-60.0 to 30.0 dB", "VCA | FET | OPTO", "1 to 20 : 1",
          "off | on", "20 to 500 Hz", "External Sidechain", "50.0 to 1200.0 ms", "0.02 to 0.80 ms"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(HostProgram, BatchRenderEqualsSingleRendersBitForBit)
{
    const fs::path dir = TestDir();
    const fs::path log = dir / "log.txt";
    // Different rates, lengths and channel counts; the analog emulation is
    // on, whose noise and filters would carry state from one file into the
    // next on a reused instance.
    WriteInput(dir / "first.wav", Burst(44100, 0.6, 2, 220));
    WriteInput(dir / "second.wav", Burst(48000, 0.35, 2, 1000));
    WriteInput(dir / "third.wav", Burst(32000, 0.5, 1, 330));
    const char* names[] = {"first", "second", "third"};

    for (const char* format : {"float", "pcm16"})
    {
        SCOPED_TRACE(format);
        const fs::path batchDir = dir / (std::string("batch_") + format);
        const std::string options = kSettings + " --tail 0.25 --format " + format;
        ASSERT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "first.wav") + " " +
                           Quoted(dir / "second.wav") + " " + Quoted(dir / "third.wav") +
                           " --out-dir " + Quoted(batchDir) + " " + options,
                       log),
                  0)
            << ReadText(log);
        for (const char* name : names)
        {
            SCOPED_TRACE(name);
            const fs::path single = dir / (std::string(name) + "_" + format + ".wav");
            ASSERT_EQ(Host("render " + kPlugin + " " + Quoted(dir / (std::string(name) + ".wav")) +
                               " " + Quoted(single) + " " + options,
                           log),
                      0)
                << ReadText(log);
            const AudioBuffer input = ReadOutput(dir / (std::string(name) + ".wav"));
            const AudioBuffer a = ReadOutput(batchDir / (std::string(name) + ".wav"));
            const AudioBuffer b = ReadOutput(single);
            // The input's rate and layout; its frames plus the tail.
            EXPECT_EQ(a.sampleRate, input.sampleRate);
            EXPECT_EQ(a.Channels(), input.Channels());
            EXPECT_EQ(a.Frames(),
                      input.Frames() + static_cast<size_t>(std::ceil(0.25 * input.sampleRate)));
            ASSERT_EQ(a.Channels(), b.Channels());
            ASSERT_EQ(a.Frames(), b.Frames());
            size_t differing = 0;
            for (size_t c = 0; c < a.Channels(); ++c)
                for (size_t i = 0; i < a.Frames(); ++i)
                    differing += a.channels[c][i] != b.channels[c][i];
            EXPECT_EQ(differing, 0u);
        }
    }
}

TEST(HostProgram, RendersLastPastTheInputByTheDefaultTailAndCompress)
{
    const fs::path dir = TestDir();
    const fs::path log = dir / "log.txt";
    const AudioBuffer input = Burst(48000, 0.4, 2, 440);
    WriteInput(dir / "in.wav", input);
    ASSERT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "in.wav") + " " +
                       Quoted(dir / "out.wav") + " " + kSettings + " --format pcm24",
                   log),
              0)
        << ReadText(log);
    const AudioBuffer output = ReadOutput(dir / "out.wav");
    // The longest release (4 s) and 120 dB of a 20 Hz high-pass.
    const double tail = 4.0 + std::log(1e6) / (2.0 * M_PI * 20.0);
    EXPECT_EQ(output.Frames(), input.Frames() + static_cast<size_t>(std::ceil(tail * 48000)));
    // Gain reduction at the loud part, and the tail dies away.
    double inPeak = 0.0, outPeak = 0.0, tailPeak = 0.0;
    for (size_t i = 0; i < input.Frames() / 2; ++i)
    {
        inPeak = std::max(inPeak, std::fabs(input.channels[0][i]));
        outPeak = std::max(outPeak, std::fabs(output.channels[0][i]));
    }
    for (size_t i = output.Frames() - 48000; i < output.Frames(); ++i)
        tailPeak = std::max(tailPeak, std::fabs(output.channels[0][i]));
    EXPECT_LT(outPeak, 0.8 * inPeak);
    EXPECT_LT(tailPeak, 1e-4);
}

TEST(HostProgram, BatchRefusesOutputsThatCollideOrOverwriteTheirInput)
{
    const fs::path dir = TestDir();
    const fs::path log = dir / "log.txt";
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    WriteInput(dir / "a" / "take.wav", Burst(48000, 0.1, 2, 440));
    WriteInput(dir / "b" / "take.wav", Burst(48000, 0.1, 2, 440));
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "a" / "take.wav") + " " +
                       Quoted(dir / "b" / "take.wav") + " --out-dir " + Quoted(dir / "out"),
                   log),
              2);
    EXPECT_NE(ReadText(log).find("both"), std::string::npos) << ReadText(log);
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "a" / "take.wav") + " --out-dir " +
                       Quoted(dir / "a"),
                   log),
              2);
    EXPECT_NE(ReadText(log).find("overwrite"), std::string::npos) << ReadText(log);
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "a" / "take.wav") + " " +
                       Quoted(dir / "b" / "take.wav") + " --out-dir " + Quoted(dir / "out") +
                       " --series " + Quoted(dir / "s.txt"),
                   log),
              2);
    EXPECT_FALSE(fs::exists(dir / "out" / "take.wav"));

    // A file that cannot be read is reported; the others are still rendered.
    EXPECT_EQ(Host("render " + kPlugin + " " + Quoted(dir / "missing.wav") + " " +
                       Quoted(dir / "a" / "take.wav") + " --out-dir " + Quoted(dir / "out") +
                       " --tail 0",
                   log),
              1);
    EXPECT_NE(ReadText(log).find("missing.wav"), std::string::npos) << ReadText(log);
    EXPECT_NE(ReadText(log).find("1 of 2 files"), std::string::npos) << ReadText(log);
    EXPECT_TRUE(fs::exists(dir / "out" / "take.wav"));
}

#endif
