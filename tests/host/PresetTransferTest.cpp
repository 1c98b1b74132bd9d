// Preset files carried into and out of the real BraskoKorvala module, as a
// host loads and saves them, and the factory presets that ship with it.
#include "PresetTransfer.h"
#include "BlockProcessor.h"
#include "DemoSignal.h"
#include "FactoryPresets.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"
#include "PresetFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifndef KORVALA_PLUGIN_PATH
#error "KORVALA_PLUGIN_PATH must name the built BraskoKorvala module"
#endif
#ifndef KORVALA_PRESETS_DIR
#error "KORVALA_PRESETS_DIR must name the source tree's factory presets"
#endif

namespace
{

using Bytes = std::vector<uint8_t>;
constexpr int32_t kOurId = 0x426B4B76; // 'BkKv'

std::unique_ptr<PluginInstance> Load()
{
    auto plugin = std::make_unique<PluginInstance>();
    EXPECT_TRUE(plugin->Open(KORVALA_PLUGIN_PATH)) << plugin->Error();
    if (plugin->IsOpen()) plugin->Start(48000.0, 512);
    return plugin;
}

void Set(PluginInstance& plugin, const std::vector<std::string>& settings)
{
    std::string error;
    ASSERT_EQ(ParameterAssignment::ApplyAll(plugin, settings, error), 0) << error;
}

// Everything a host can see of the plug-in's state: the program chunk, the
// bank chunk (every preset slot with its name) and the current program.
struct Snapshot
{
    Bytes program, bank;
    VstIntPtr current;
    bool operator==(const Snapshot& o) const
    {
        return program == o.program && bank == o.bank && current == o.current;
    }
};

Snapshot Take(PluginInstance& plugin)
{
    return {plugin.GetChunk(true), plugin.GetChunk(false), plugin.Dispatch(effGetProgram)};
}

// The module's output for the demo signal, analog emulation off: the
// analog stage draws a random offset per instance, which would make two
// equal settings render differently.
std::vector<double> Render(PluginInstance& plugin)
{
    const AudioBuffer input = DemoSignal::Generate(48000.0, 1.5);
    AudioBuffer output;
    output.sampleRate = input.sampleRate;
    output.channels.assign(2, std::vector<double>(input.Frames(), 0.0));
    plugin.Resume();
    BlockProcessor processor(plugin, Precision::Float, 512);
    for (size_t start = 0; start < input.Frames(); start += 512)
        processor.Process(input, nullptr, start, std::min<size_t>(512, input.Frames() - start),
                          output);
    std::vector<double> joined = output.channels[0];
    joined.insert(joined.end(), output.channels[1].begin(), output.channels[1].end());
    return joined;
}

const std::vector<std::string> kSettings = {
    "Model Type=FET",  "Threshold=-33",        "Ratio=6",
    "Attack=0.35",     "Release=420",          "Input Gain=2.5",
    "Output Gain=7.5", "Sidechain Filter=150", "Analog Emulation=off"};

PresetFile ParamsPreset(const std::vector<float>& values, int32_t id = kOurId)
{
    PresetFile preset;
    preset.kind = PresetFile::Kind::ProgramParams;
    preset.program.opaque = false;
    preset.program.uniqueId = id;
    preset.program.numParams = static_cast<int32_t>(values.size());
    preset.program.params = values;
    preset.program.name = "Listed";
    return preset;
}

// Plausible normalised values for the eleven parameters: FET, threshold
// and times mid-range, oversampling off.
const std::vector<float> kValues = {0.6f, 0.5f, 0.7f, 0.25f, 0.3f, 0.45f,
                                    0.8f, 0.0f, 0.0f, 0.2f,  0.0f};

} // namespace

TEST(PresetTransfer, SavedProgramFileLoadsIntoAFreshInstanceWithEveryValueAndItsName)
{
    auto source = Load();
    Set(*source, kSettings);
    char name[] = "My Bass";
    source->Dispatch(effSetProgramName, 0, 0, name);
    PresetFile saved;
    std::string error;
    ASSERT_TRUE(PresetTransfer::CaptureProgram(*source, saved, error)) << error;
    EXPECT_EQ(saved.kind, PresetFile::Kind::ProgramChunk);
    EXPECT_EQ(saved.UniqueId(), kOurId);
    EXPECT_EQ(saved.PluginVersion(), 10205);
    EXPECT_EQ(saved.program.numParams, 11);
    EXPECT_EQ(saved.program.name, "My Bass");

    PresetFile read;
    ASSERT_TRUE(read.Parse(saved.Serialize(), error)) << error;
    auto target = Load();
    ASSERT_TRUE(PresetTransfer::Apply(read, *target, error)) << error;
    EXPECT_EQ(target->GetChunk(true), source->GetChunk(true));
    EXPECT_EQ(target->ProgramName(), "My Bass");
    for (VstInt32 i = 0; i < 11; ++i)
        EXPECT_EQ(target->ParameterDisplay(i), source->ParameterDisplay(i)) << i;
}

TEST(PresetTransfer, SavedBankFileRestoresTheBank)
{
    auto source = Load();
    Set(*source, kSettings);
    char name[] = "Banked";
    source->Dispatch(effSetProgramName, 0, 0, name);
    PresetFile bank;
    std::string error;
    ASSERT_TRUE(PresetTransfer::CaptureFor("x/Saved.FXB", *source, bank, error)) << error;
    EXPECT_EQ(bank.kind, PresetFile::Kind::BankChunk);
    EXPECT_EQ(bank.numPrograms, 1);

    PresetFile read;
    ASSERT_TRUE(read.Parse(bank.Serialize(), error)) << error;
    auto target = Load();
    ASSERT_TRUE(PresetTransfer::Apply(read, *target, error)) << error;
    EXPECT_EQ(Take(*target), Take(*source));
    EXPECT_EQ(target->ProgramName(), "Banked");

    PresetFile program;
    ASSERT_TRUE(PresetTransfer::CaptureFor("x/Saved.fxp", *source, program, error)) << error;
    EXPECT_EQ(program.kind, PresetFile::Kind::ProgramChunk);
}

TEST(PresetTransfer, ParameterListSetsWhatAHostsSetParameterCallsSet)
{
    auto viaFile = Load();
    std::string error;
    ASSERT_TRUE(PresetTransfer::Apply(ParamsPreset(kValues), *viaFile, error)) << error;

    auto direct = Load();
    for (size_t i = 0; i < kValues.size(); ++i)
        direct->SetParameter(static_cast<VstInt32>(i), kValues[i]);
    EXPECT_EQ(viaFile->GetChunk(true), direct->GetChunk(true));
    EXPECT_EQ(viaFile->ParameterDisplay(1), "FET");
    EXPECT_EQ(viaFile->ParameterDisplay(7), "off");
    EXPECT_EQ(viaFile->GetParameter(2), 0.7f);
    EXPECT_EQ(viaFile->ProgramName(), "Listed");
}

TEST(PresetTransfer, BankOfParameterListsLoadsItsProgram)
{
    PresetFile bank;
    bank.kind = PresetFile::Kind::BankPrograms;
    bank.bankUniqueId = kOurId;
    bank.programs = {ParamsPreset(kValues).program};
    bank.programs[0].name = "From Bank";
    std::string error;
    PresetFile read;
    ASSERT_TRUE(read.Parse(bank.Serialize(), error)) << error;

    auto viaBank = Load();
    ASSERT_TRUE(PresetTransfer::Apply(read, *viaBank, error)) << error;
    auto viaProgram = Load();
    ASSERT_TRUE(PresetTransfer::Apply(ParamsPreset(kValues), *viaProgram, error)) << error;
    EXPECT_EQ(viaBank->GetChunk(true), viaProgram->GetChunk(true));
    EXPECT_EQ(viaBank->ProgramName(), "From Bank");
}

TEST(PresetTransfer, EveryRefusalLeavesThePluginExactlyAsItWas)
{
    auto source = Load();
    PresetFile good;
    std::string error;
    ASSERT_TRUE(PresetTransfer::CaptureProgram(*source, good, error)) << error;
    PresetFile goodBank;
    ASSERT_TRUE(PresetTransfer::CaptureBank(*source, goodBank, error)) << error;

    struct Case
    {
        const char* what;
        PresetFile preset;
        const char* reasonPart;
    };
    std::vector<Case> cases;
    {
        PresetFile p = good;
        p.program.uniqueId = 0x41424344;
        cases.push_back({"program for another plug-in", p, "'ABCD'"});
    }
    {
        PresetFile p = goodBank;
        p.bankUniqueId = 0x41424344;
        cases.push_back({"bank for another plug-in", p, "'ABCD'"});
    }
    {
        // The chunk's header alone: the module sets its first parameter to
        // the clamp of 0.0 before it finds the values missing, and refuses.
        PresetFile p = good;
        p.program.chunk.resize(8);
        cases.push_back({"program chunk the plug-in refuses", p, "refused"});
    }
    {
        PresetFile p = good;
        p.program.chunk.resize(8 + 8 * 5 + 3);
        cases.push_back({"program chunk cut inside a value", p, "refused"});
    }
    {
        PresetFile p = goodBank;
        p.bankChunk.resize(p.bankChunk.size() - 9);
        cases.push_back({"bank chunk the plug-in refuses", p, "refused"});
    }
    {
        std::vector<float> values = kValues;
        values.pop_back();
        cases.push_back({"parameter list one short", ParamsPreset(values), "10 parameter"});
    }
    {
        std::vector<float> values = kValues;
        values[3] = 1.5f;
        cases.push_back({"value above 1", ParamsPreset(values), "parameter 3"});
    }
    {
        std::vector<float> values = kValues;
        values[9] = std::nanf("");
        cases.push_back({"value not a number", ParamsPreset(values), "parameter 9"});
    }
    {
        PresetFile p;
        p.kind = PresetFile::Kind::BankPrograms;
        p.bankUniqueId = kOurId;
        p.programs = {ParamsPreset(kValues).program, ParamsPreset(kValues).program};
        cases.push_back({"more programs than the plug-in has", p, "2 programs"});
    }
    {
        PresetFile p;
        p.kind = PresetFile::Kind::BankPrograms;
        p.bankUniqueId = kOurId;
        p.programs = {good.program};
        p.programs[0].chunk.resize(20);
        cases.push_back({"bank record whose chunk is refused", p, "program 1"});
    }

    for (const Case& c : cases)
    {
        auto plugin = Load();
        // Values away from every default, so that any value the refused
        // preset touched would show.
        Set(*plugin, kSettings);
        char name[] = "Before";
        plugin->Dispatch(effSetProgramName, 0, 0, name);
        const Snapshot before = Take(*plugin);
        std::string reason;
        EXPECT_FALSE(PresetTransfer::Apply(c.preset, *plugin, reason)) << c.what;
        EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.what << ": " << reason;
        EXPECT_TRUE(Take(*plugin) == before) << c.what;
        EXPECT_EQ(plugin->ProgramName(), "Before") << c.what;
    }
}

TEST(PresetTransfer, RenderWithAPresetEqualsRenderWithTheSameSettings)
{
    auto maker = Load();
    Set(*maker, kSettings);
    PresetFile preset;
    std::string error;
    ASSERT_TRUE(PresetTransfer::CaptureProgram(*maker, preset, error)) << error;
    PresetFile read;
    ASSERT_TRUE(read.Parse(preset.Serialize(), error)) << error;

    auto viaPreset = Load();
    ASSERT_TRUE(PresetTransfer::Apply(read, *viaPreset, error)) << error;
    auto viaSettings = Load();
    Set(*viaSettings, kSettings);
    auto untouched = Load();
    Set(*untouched, {"Analog Emulation=off"});

    const std::vector<double> a = Render(*viaPreset);
    const std::vector<double> b = Render(*viaSettings);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), a.size() * sizeof(double)), 0);
    // And the settings do something: the defaults render differently.
    EXPECT_NE(Render(*untouched), a);
}

TEST(FactoryPresetFiles, EachLoadsIsForOurPluginAndHoldsItsListedSettings)
{
    std::vector<FactoryPreset> presets;
    std::string error;
    ASSERT_TRUE(FactoryPresets::Load(KORVALA_PRESETS_DIR, presets, error)) << error;
    ASSERT_GE(presets.size(), 6u);
    for (const FactoryPreset& f : presets)
    {
        PresetFile file;
        ASSERT_TRUE(file.Read(std::string(KORVALA_PRESETS_DIR) + "/" + f.file, error)) << error;
        EXPECT_EQ(file.kind, PresetFile::Kind::ProgramChunk) << f.name;
        EXPECT_EQ(file.UniqueId(), kOurId) << f.name;
        EXPECT_EQ(file.program.name, f.name);
        EXPECT_FALSE(f.about.empty()) << f.name;

        auto loaded = Load();
        ASSERT_TRUE(PresetTransfer::Apply(file, *loaded, error)) << f.name << ": " << error;
        EXPECT_EQ(loaded->ProgramName(), f.name);
        auto set = Load();
        Set(*set, f.settings);
        EXPECT_EQ(loaded->GetChunk(true), set->GetChunk(true)) << f.name;
    }
}

TEST(FactoryPresetList, MalformedListsAreRefusedNamingTheLine)
{
    std::vector<FactoryPreset> presets;
    std::string error;
    EXPECT_FALSE(FactoryPresets::Parse("set = Ratio=2\n", presets, error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    EXPECT_FALSE(FactoryPresets::Parse("[A]\nfile = a.fxp\n\nnonsense\n", presets, error));
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
    EXPECT_FALSE(FactoryPresets::Parse("[A]\nfile = a.fxp\ncolour = red\n", presets, error));
    EXPECT_FALSE(FactoryPresets::Parse("[A]\nabout = no file\n", presets, error));
    EXPECT_FALSE(FactoryPresets::Parse("[A]\nfile = a\n[a]\nfile = b\n", presets, error));
    EXPECT_NE(error.find("twice"), std::string::npos) << error;

    ASSERT_TRUE(FactoryPresets::Parse("# comment\n[ Soft ]\n file = soft.fxp \nabout = Gentle.\n"
                                      "material = mix\nset = Ratio=2\nset = Model Type=VCA\n",
                                      presets, error))
        << error;
    ASSERT_EQ(presets.size(), 1u);
    EXPECT_EQ(presets[0].name, "Soft");
    EXPECT_EQ(presets[0].file, "soft.fxp");
    EXPECT_EQ(presets[0].about, "Gentle.");
    EXPECT_EQ(presets[0].material, "mix");
    EXPECT_EQ(presets[0].settings, (std::vector<std::string>{"Ratio=2", "Model Type=VCA"}));
}

TEST(FactoryPresetList, NamesResolveToTheirFilesIgnoringCaseAndTheEnvironmentChoosesTheDirectory)
{
    const std::string dir = KORVALA_PRESETS_DIR;
    EXPECT_EQ(FactoryPresets::Resolve("fet SMASH", dir), dir + "/fet-smash.fxp");
    EXPECT_EQ(FactoryPresets::Resolve("No Such Preset", dir), "No Such Preset");
    // An existing file wins over a name.
    const std::string file = dir + "/opto-leveller.fxp";
    EXPECT_EQ(FactoryPresets::Resolve(file, "/nonexistent"), file);

    ASSERT_EQ(setenv("KORVALA_PRESETS", "/somewhere/else", 1), 0);
    EXPECT_EQ(FactoryPresets::Directory(dir), "/somewhere/else");
    ASSERT_EQ(unsetenv("KORVALA_PRESETS"), 0);
    // The test program has no installed presets beside it.
    EXPECT_EQ(FactoryPresets::Directory(dir), dir);
}
