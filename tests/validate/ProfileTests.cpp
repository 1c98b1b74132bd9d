// Profiles: the text format, the built-in profiles, and the built-in
// profiles against the plug-ins they describe, loaded as a host loads them.

#include "tools/host/PluginInstance.h"
#include "tools/validate/Profile.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <utility>
#include <vector>

using validate::Profile;

namespace
{

// Keeps the floating-point environment across a test: a plug-in may switch
// on flush-to-zero when it is created and leave it on, which would hide the
// subnormal outputs the validator's own tests plant later in this process.
class KeepFloatingPointEnvironment
{
  public:
    KeepFloatingPointEnvironment() { std::fegetenv(&mSaved); }
    ~KeepFloatingPointEnvironment() { std::fesetenv(&mSaved); }

  private:
    std::fenv_t mSaved;
};

Profile Parsed(const std::string& text)
{
    Profile profile;
    std::string error;
    EXPECT_TRUE(validate::ParseProfile(text, "test", profile, error)) << error;
    return profile;
}

} // namespace

TEST(Profile, ReadsEveryKey)
{
    const Profile p = Parsed("# a comment\n"
                             "unique-id: AbCd\n"
                             "\n"
                             "unity: In Gain = 0\n"
                             "selector: Mode = Type\n" // a name may hold " = "
                             "model: Clean = 0\n"
                             "model: Dirty Mode = 0.5 coupled\n"
                             "switch: Over: sampling = os\n" // and a colon
                             "random: Threshold\n"
                             "random: Ratio\n"
                             "external-sidechain: Key In = key\n"
                             "analog: Warmth\n"
                             "analog-harmonics: 2:0.5 3:0.25\n"
                             "recovery: Threshold = 0.7\n"
                             "bench: Release = 0\n"
                             "bench-neutral: Ratio = 0 on Dirty Mode\n");
    EXPECT_TRUE(p.hasUniqueId);
    EXPECT_EQ(p.uniqueId, VstFourCC('A', 'b', 'C', 'd'));
    ASSERT_EQ(p.unity.size(), 1u);
    EXPECT_EQ(p.unity[0].parameter, "In Gain");
    EXPECT_EQ(p.unity[0].text, "0");
    EXPECT_EQ(p.selector, "Mode = Type");
    ASSERT_EQ(p.models.size(), 2u);
    EXPECT_EQ(p.models[0].name, "Clean");
    EXPECT_EQ(p.models[0].value, 0.0f);
    EXPECT_FALSE(p.models[0].coupled);
    EXPECT_EQ(p.models[1].name, "Dirty Mode");
    EXPECT_EQ(p.models[1].value, 0.5f);
    EXPECT_TRUE(p.models[1].coupled);
    ASSERT_EQ(p.switches.size(), 1u);
    EXPECT_EQ(p.switches[0].parameter, "Over: sampling");
    EXPECT_EQ(p.switches[0].label, "os");
    EXPECT_EQ(p.randomised, (std::vector<std::string>{"Threshold", "Ratio"}));
    EXPECT_EQ(p.externalSidechain.parameter, "Key In");
    EXPECT_EQ(p.externalSidechain.label, "key");
    EXPECT_EQ(p.analog, "Warmth");
    EXPECT_EQ(p.analogHarmonics, (std::vector<std::pair<int, double>>{{2, 0.5}, {3, 0.25}}));
    ASSERT_EQ(p.recovery.size(), 1u);
    EXPECT_EQ(p.recovery[0].value, 0.7f);
    ASSERT_EQ(p.bench.size(), 1u);
    EXPECT_EQ(p.benchNeutral.parameter, "Ratio");
    EXPECT_EQ(p.benchNeutralModel, "Dirty Mode");
    EXPECT_EQ(p.ParameterNames(),
              (std::vector<std::string>{"In Gain", "Mode = Type", "Over: sampling", "Threshold",
                                        "Ratio", "Key In", "Warmth", "Release"}));
}

TEST(Profile, UniqueIdAsANumberEqualsItsFourCharacters)
{
    EXPECT_EQ(Parsed("unique-id: 0x426B4B76\n").uniqueId, Parsed("unique-id: BkKv\n").uniqueId);
    EXPECT_EQ(Parsed("unique-id: 1114327926\n").uniqueId, VstFourCC('B', 'k', 'K', 'v'));
}

TEST(Profile, FaultyLinesAreRefusedWithTheirNumber)
{
    const std::pair<const char*, const char*> cases[] = {
        {"unique-id: AbC\n", "line 1"},
        {"\nvolume: Gain\n", "line 2"},
        {"selector: M\nmodel: A = 1.5\n", "line 2"},
        {"selector: M\nmodel: A = 0 copuled\n", "line 2"},
        {"selector: M\nmodel: A\n", "line 2"},
        {"switch: Oversampling = over sampling\n", "line 1"},
        {"analog-harmonics: 2:0.5 x:1\n", "line 1"},
        {"analog-harmonics: 2.5:1\n", "line 1"},
        {"recovery: Ratio = nan\n", "line 1"},
        {"bench: Ratio = -0.5\n", "line 1"},
        {"bench-neutral: Ratio = 0\n", "line 1"},
        {"random Threshold\n", "line 1"},
        {"random:\n", "line 1"},
        // Whole-profile faults name no line.
        {"selector: M\nmodel: A = 0\nbench-neutral: Ratio = 0 on B\n", "\"B\""},
        {"model: A = 0\n", "without a selector"},
    };
    for (const auto& [text, where] : cases)
    {
        Profile profile;
        std::string error;
        EXPECT_FALSE(validate::ParseProfile(text, "faulty", profile, error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << text << " -> " << error;
        EXPECT_EQ(error.rfind("profile \"faulty\"", 0), 0u) << error;
    }
}

TEST(Profile, BoundIsTenTimesThePeakUnlessTheAnalogStageAddsItsHarmonics)
{
    const Profile generic;
    EXPECT_DOUBLE_EQ(generic.OutputPeakBound(0.5, true), 5.01);
    const Profile p = Parsed("analog: A\nanalog-harmonics: 2:1 3:0.5\n");
    EXPECT_DOUBLE_EQ(p.OutputPeakBound(0.5, false), 5.01);
    // Copy at twice the peak (1.0): 1 + 0.5; doubled with the peak: 2 * (0.5 + 1.5).
    EXPECT_DOUBLE_EQ(p.OutputPeakBound(0.5, true), 40.01);
    // Silence: only the floor for the analog noise.
    EXPECT_DOUBLE_EQ(p.OutputPeakBound(0.0, true), 0.01);
}

TEST(BuiltinProfiles, AllParseAndAreChosenByUniqueIdOnly)
{
    EXPECT_TRUE(validate::BuiltinProfileErrors().empty())
        << validate::BuiltinProfileErrors().front();
    const validate::ProfileChoice byId;
    const Profile* ours = byId.For(VstFourCC('B', 'k', 'K', 'v'));
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(ours->name, "BraskoKorvala");
    EXPECT_EQ(byId.For(VstFourCC('F', 'a', 'k', 'e')), nullptr);

    validate::ProfileChoice none;
    none.kind = validate::ProfileChoice::None;
    EXPECT_EQ(none.For(VstFourCC('B', 'k', 'K', 'v')), nullptr);
    validate::ProfileChoice given;
    given.kind = validate::ProfileChoice::Given;
    given.given.name = "mine";
    ASSERT_NE(given.For(VstFourCC('F', 'a', 'k', 'e')), nullptr);
    EXPECT_EQ(given.For(VstFourCC('F', 'a', 'k', 'e'))->name, "mine");
}

#ifdef KORVALA_PLUGIN_PATH
// What the profile says of our plug-in, asked of the plug-in itself: every
// name is one of its parameters, each model's value shows the model's name,
// and the unity texts set 0 dB.
TEST(BuiltinProfiles, OursNamesTheRealModulesParametersAndModels)
{
    const KeepFloatingPointEnvironment keep;
    PluginInstance instance;
    ASSERT_TRUE(instance.Open(KORVALA_PLUGIN_PATH)) << instance.Error();
    const Profile* profile = validate::ProfileChoice().For(instance.Effect()->uniqueID);
    ASSERT_NE(profile, nullptr);
    for (const std::string& name : profile->ParameterNames())
        EXPECT_GE(instance.FindParameter(name), 0) << name;
    const int selector = instance.FindParameter(profile->selector);
    ASSERT_EQ(profile->models.size(), 3u);
    for (const Profile::Model& model : profile->models)
    {
        instance.SetParameter(selector, model.value);
        EXPECT_EQ(instance.ParameterDisplay(selector), model.name);
    }
    for (const Profile::Setting& unity : profile->unity)
    {
        const int index = instance.FindParameter(unity.parameter);
        instance.SetParameterText(index, unity.text);
        EXPECT_EQ(std::stod(instance.ParameterDisplay(index)), 0.0) << unity.parameter;
        EXPECT_EQ(instance.ParameterLabel(index), "dB") << unity.parameter;
    }
}
#endif

// The peer's profile against the installed peer, where it is installed.
TEST(BuiltinProfiles, ZamCompX2NamesTheInstalledPeersParameters)
{
    const KeepFloatingPointEnvironment keep;
    PluginInstance instance;
    if (!instance.Open("/usr/lib/vst/ZamCompX2-vst.so"))
        GTEST_SKIP() << "zam-plugins not installed";
    const Profile* profile = validate::ProfileChoice().For(instance.Effect()->uniqueID);
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(profile->name, "ZamCompX2");
    for (const std::string& name : profile->ParameterNames())
        EXPECT_GE(instance.FindParameter(name), 0) << name;
}
