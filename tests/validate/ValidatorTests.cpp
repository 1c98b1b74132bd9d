// The validator against a small plug-in with one planted fault at a time: a
// clean plug-in must pass, and each fault must fail the run.

#include "tools/validate/Report.h"
#include "tools/validate/Validator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

// Runs the given phases (quick) against the fake plug-in with fault and
// answers the number of failed checks; profileText, if given, is the profile.
long FailuresWith(const char* fault, std::vector<std::string> phases, long* checks = nullptr,
                  const char* profileText = nullptr, long* configurations = nullptr)
{
    setenv("KORVALA_FAKE_FAULT", fault, 1);
    std::FILE* sink = std::tmpfile();
    validate::Report report(sink);
    validate::ValidatorOptions options;
    options.pluginPath = KORVALA_FAKE_PLUGIN;
    options.seed = 7;
    options.quick = true;
    options.only = std::move(phases);
    options.rates = {44100};
    options.blockSizes = {0, 1, 64};
    if (profileText != nullptr)
    {
        std::string error;
        EXPECT_TRUE(validate::ParseProfile(profileText, "test", options.profile.given, error))
            << error;
        options.profile.kind = validate::ProfileChoice::Given;
    }
    validate::Validator validator(options, report);
    validator.Run();
    std::fclose(sink);
    unsetenv("KORVALA_FAKE_FAULT");
    if (checks) *checks = report.Checks();
    if (configurations) *configurations = report.Configurations();
    return report.Failures();
}

} // namespace

TEST(Validator, WellBehavedPluginPassesEveryPhase)
{
    long checks = 0;
    EXPECT_EQ(FailuresWith("", {}, &checks), 0);
    // Isolated phases report their counts back to the parent.
    EXPECT_GT(checks, 1000);
}

TEST(Validator, HeapUseWhileProcessingFails)
{
    EXPECT_GT(FailuresWith("allocate", {"matrix"}), 0);
    EXPECT_GT(FailuresWith("allocate", {"threads"}), 0);
}

TEST(Validator, NonFiniteSubnormalAndUnwrittenOutputsFail)
{
    EXPECT_GT(FailuresWith("nan", {"matrix"}), 0);
    EXPECT_GT(FailuresWith("subnormal", {"matrix"}), 0);
    EXPECT_GT(FailuresWith("unwritten", {"matrix"}), 0);
    EXPECT_GT(FailuresWith("unwritten", {"oversize"}), 0);
}

TEST(Validator, CrashInAPhaseIsAFailureAndTheRunGoesOn)
{
    // lifecycle crashes in its third process call; record runs after it in
    // a child of its own and still passes.
    setenv("KORVALA_FAKE_FAULT", "crash", 1);
    std::FILE* sink = std::tmpfile();
    validate::Report report(sink);
    validate::ValidatorOptions options;
    options.pluginPath = KORVALA_FAKE_PLUGIN;
    options.quick = true;
    options.only = {"record", "lifecycle"};
    validate::Validator validator(options, report);
    EXPECT_FALSE(validator.Run());
    std::fclose(sink);
    unsetenv("KORVALA_FAKE_FAULT");
    EXPECT_EQ(report.Failures(), 1);
    EXPECT_GT(report.Checks(), 3);
}

TEST(Validator, ChunkThatRestoresSomethingElseFails)
{
    EXPECT_GT(FailuresWith("state", {"state"}), 0);
    EXPECT_EQ(FailuresWith("", {"state"}), 0);
}

TEST(Validator, MissingLibraryFailsInsteadOfPassing)
{
    std::FILE* sink = std::tmpfile();
    validate::Report report(sink);
    validate::ValidatorOptions options;
    options.pluginPath = "/nonexistent/plugin.so";
    options.only = {"record", "matrix"};
    validate::Validator validator(options, report);
    EXPECT_FALSE(validator.Run());
    std::fclose(sink);
}

TEST(Validator, ProfileRunsEveryModelWithEverySwitchCombination)
{
    // One rate, three block sizes, two precisions: six configurations, times
    // the models, times two for each switch. The fake's one parameter stands
    // for all of them.
    long plain = 0, models = 0, modelsAndSwitches = 0;
    EXPECT_EQ(FailuresWith("", {"matrix"}, nullptr, nullptr, &plain), 0);
    EXPECT_EQ(FailuresWith("", {"matrix"}, nullptr,
                           "selector: Gain\nmodel: Quiet = 0\nmodel: Half = 0.25\n"
                           "model: Loud = 0.5\n",
                           &models),
              0);
    EXPECT_EQ(FailuresWith("", {"matrix"}, nullptr,
                           "selector: Gain\nmodel: Quiet = 0\nmodel: Loud = 0.5\n"
                           "switch: Gain = a\nswitch: Gain = b\n",
                           &modelsAndSwitches),
              0);
    EXPECT_EQ(plain, 6);
    EXPECT_EQ(models, 18);
    EXPECT_EQ(modelsAndSwitches, 48);
}

TEST(Validator, ProfileNamingAParameterThePluginLacksFails)
{
    EXPECT_EQ(FailuresWith("", {"record"}, nullptr, "random: Gain\n"), 0);
    EXPECT_EQ(FailuresWith("", {"record"}, nullptr, "random: Gain\nrandom: Threshold\n"), 1);
}
