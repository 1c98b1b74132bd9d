// korvala-host's preset options end to end: the program run as a user runs
// it, its files and exit codes checked.
#include "PresetFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#if !defined(KORVALA_HOST_PROGRAM) || !defined(KORVALA_PLUGIN_PATH)
#error "KORVALA_HOST_PROGRAM and KORVALA_PLUGIN_PATH must name the built host and module"
#endif

namespace
{

class HostPresetCommands : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/korvala-presets-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        // A short demo to render; analog emulation stays off in every
        // render compared here, as its random offset differs per instance.
        ASSERT_EQ(Run("gen-demo " + Path("in.wav") + " --seconds 1"), 0);
    }

    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }

    std::string Path(const std::string& name) const { return dir + "/" + name; }

    // Runs korvala-host with args; its standard output goes to out.txt.
    // Our host unloads the module, whose process-wide fonts then look lost
    // to LeakSanitizer: reported, not a failure.
    int Run(const std::string& args) const
    {
        const std::string command =
            "LSAN_OPTIONS=exitcode=0 KORVALA_PRESETS= " + std::string(KORVALA_HOST_PROGRAM) + " " +
            args + " > " + Path("out.txt") + " 2> " + Path("err.txt");
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Read(const std::string& name) const
    {
        std::ifstream file(Path(name), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    }

    // The samples of a WAV file our host wrote: everything from its data
    // chunk on (the header's PEAK chunk carries the time of writing).
    std::string Samples(const std::string& name) const
    {
        const std::string wav = Read(name);
        const size_t data = wav.find("data");
        return data == std::string::npos ? std::string() : wav.substr(data);
    }

    std::string dir;
};

const std::string kPlugin = KORVALA_PLUGIN_PATH;
const std::string kSettings =
    " --set 'Model Type=FET' --set Threshold=-30 --set Ratio=8"
    " --set Attack=0.2 --set 'Output Gain=4' --set 'Analog Emulation=off'";

} // namespace

TEST_F(HostPresetCommands, RenderWithASavedPresetEqualsRenderWithItsSettings)
{
    // render --save-state gives the program chunk of these settings; a
    // program file around it is what a DAW would export.
    ASSERT_EQ(Run("render " + kPlugin + " " + Path("in.wav") + " " + Path("set.wav") + kSettings +
                  " --save-state " + Path("state.bin")),
              0)
        << Read("err.txt");
    PresetFile preset;
    preset.kind = PresetFile::Kind::ProgramChunk;
    preset.program.uniqueId = 0x426B4B76;
    preset.program.numParams = 11;
    preset.program.name = "From Settings";
    const std::string chunk = Read("state.bin");
    preset.program.chunk.assign(chunk.begin(), chunk.end());
    std::string error;
    ASSERT_TRUE(preset.Write(Path("mine.fxp"), error)) << error;

    ASSERT_EQ(Run("render " + kPlugin + " " + Path("in.wav") + " " + Path("preset.wav") +
                  " --preset " + Path("mine.fxp")),
              0)
        << Read("err.txt");
    EXPECT_GT(Samples("set.wav").size(), 48000u * 2 * 4);
    EXPECT_TRUE(Samples("preset.wav") == Samples("set.wav"));

    // info shows the values the preset holds.
    ASSERT_EQ(Run("info " + kPlugin + " --preset " + Path("mine.fxp")), 0) << Read("err.txt");
    const std::string info = Read("out.txt");
    EXPECT_NE(info.find("\"From Settings\""), std::string::npos) << info;
    EXPECT_NE(info.find("Model Type               FET"), std::string::npos) << info;
    EXPECT_NE(info.find("Threshold                -30.0"), std::string::npos) << info;
}

TEST_F(HostPresetCommands, FactoryPresetByNameThenSetOverridesIt)
{
    ASSERT_EQ(Run("render " + kPlugin + " " + Path("in.wav") + " " + Path("a.wav") +
                  " --preset 'fet smash' --set 'Analog Emulation=off' --set 'Output Gain=0'"),
              0)
        << Read("err.txt");
    const std::string settingsLine = Read("out.txt");
    EXPECT_NE(settingsLine.find("Model Type FET"), std::string::npos) << settingsLine;
    EXPECT_NE(settingsLine.find("Ratio 20"), std::string::npos) << settingsLine;
    EXPECT_NE(settingsLine.find("Output Gain 0.0 dB"), std::string::npos) << settingsLine;

    ASSERT_EQ(Run("presets"), 0);
    const std::string list = Read("out.txt");
    for (const char* name : {"Vocal Leveller", "Drum Bus Glue", "Bass Control", "Gentle Master",
                             "FET Smash", "Opto Leveller"})
        EXPECT_NE(list.find(name), std::string::npos) << name;
}

TEST_F(HostPresetCommands, UnusablePresetsFailWithTheReasonAndWriteNoOutput)
{
    std::ofstream(Path("junk.fxp"), std::ios::binary) << "CcnK\x00\x00\x00\x40"
                                                      << "FPCh";
    struct Case
    {
        std::string preset;
        const char* reasonPart;
    } cases[] = {
        {Path("junk.fxp"), "truncated"},
        {"'No Such Preset'", "no factory preset"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Run("render " + kPlugin + " " + Path("in.wav") + " " + Path("never.wav") +
                      " --preset " + c.preset),
                  1)
            << c.preset;
        EXPECT_NE(Read("err.txt").find(c.reasonPart), std::string::npos) << Read("err.txt");
        EXPECT_TRUE(Read("never.wav").empty()) << c.preset;
        EXPECT_EQ(Run("info " + kPlugin + " --preset " + c.preset), 1) << c.preset;
    }
    // A preset option without its value is a usage error.
    EXPECT_EQ(
        Run("render " + kPlugin + " " + Path("in.wav") + " " + Path("never.wav") + " --preset"), 2);
}
