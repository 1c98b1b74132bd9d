// What our host learns about BraskoKorvala's parameters through the VST 2
// interface, checked against the plug-in's published parameter table, and
// the strict --set built on it.
#include "ParameterCatalogue.h"
#include "ParameterAssignment.h"
#include "PluginInstance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

TEST(ParameterText, DisplayAndUnitAreJoinedByOneSpace)
{
    EXPECT_EQ(ParameterText::WithUnit("1", " : 1"), "1 : 1");
    EXPECT_EQ(ParameterText::WithUnit(" -20.0 ", "dB "), "-20.0 dB");
    EXPECT_EQ(ParameterText::WithUnit("FET", ""), "FET");
    EXPECT_EQ(ParameterText::WithUnit("", "ms"), "ms");
}

TEST(ParameterText, NumbersMayCarryTheirUnitButNothingElse)
{
    double v = 0.0;
    EXPECT_TRUE(ParameterText::ParseNumberWithUnit("-20", "dB", v));
    EXPECT_EQ(v, -20.0);
    EXPECT_TRUE(ParameterText::ParseNumberWithUnit(" -12.5 dB", "dB", v));
    EXPECT_EQ(v, -12.5);
    EXPECT_TRUE(ParameterText::ParseNumberWithUnit("-3db", "dB", v));
    EXPECT_EQ(v, -3.0);
    EXPECT_TRUE(ParameterText::ParseNumberWithUnit("4:1", " : 1", v));
    EXPECT_EQ(v, 4.0);
    EXPECT_TRUE(ParameterText::ParseNumberWithUnit("4 : 1", " : 1", v));
    EXPECT_EQ(v, 4.0);
    for (const char* bad : {"", "abc", "dB", "-20 Hz", "20x", "nan", "inf", "1e999", "--3"})
        EXPECT_FALSE(ParameterText::ParseNumberWithUnit(bad, "dB", v)) << bad;
}

#ifdef KORVALA_PLUGIN_PATH

namespace
{

class BraskoKorvalaParameters : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        PluginInstance probe;
        ASSERT_TRUE(probe.Open(KORVALA_PLUGIN_PATH)) << probe.Error();
        catalogue.Probe(probe);
        probe.Close();
        ASSERT_TRUE(plugin.Open(KORVALA_PLUGIN_PATH)) << plugin.Error();
    }

    const ParameterCatalogue::Parameter& Named(const std::string& name)
    {
        const int index = catalogue.Find(name);
        EXPECT_GE(index, 0) << name;
        return catalogue.Parameters().at(static_cast<size_t>(std::max(index, 0)));
    }

    // Applies one "Name=value" strictly; the error on refusal.
    bool Set(const std::string& text, std::string& error)
    {
        ParameterAssignment assignment;
        EXPECT_TRUE(assignment.Parse(text)) << text;
        return assignment.Apply(plugin, catalogue, error);
    }

    std::string Display(const std::string& name)
    {
        return plugin.ParameterDisplay(catalogue.Find(name));
    }

    ParameterCatalogue catalogue;
    PluginInstance plugin;
};

} // namespace

TEST_F(BraskoKorvalaParameters, CatalogueHoldsTheTableAsAHostSeesItAfterOpening)
{
    ASSERT_EQ(catalogue.Parameters().size(), 11u);
    const char* names[] = {
        "Input Gain",       "Model Type",       "Threshold",         "Ratio",
        "Attack",           "Release",          "Output Gain",       "Oversampling",
        "Analog Emulation", "Sidechain Filter", "External Sidechain"};
    for (size_t i = 0; i < 11; ++i)
        EXPECT_EQ(catalogue.Parameters()[i].name, names[i]);

    EXPECT_EQ(Named("Model Type").texts, (std::vector<std::string>{"VCA", "FET", "OPTO"}));
    EXPECT_EQ(Named("Model Type").defaultText, "VCA");
    for (const char* sw : {"Oversampling", "Analog Emulation", "External Sidechain"})
        EXPECT_EQ(Named(sw).texts, (std::vector<std::string>{"off", "on"})) << sw;
    EXPECT_EQ(Named("Oversampling").defaultText, "on");
    EXPECT_EQ(Named("External Sidechain").defaultText, "off");

    struct Row
    {
        const char* name;
        double minimum, maximum;
        const char* label;
        const char* defaultText;
    };
    // Opening selects the VCA model, whose attack and release ranges apply.
    const Row rows[] = {{"Input Gain", -60, 30, "dB", "0.0"},
                        {"Threshold", -60, 0, "dB", "0.0"},
                        {"Ratio", 1, 20, ": 1", "1"},
                        {"Attack", 1, 30, "ms", "1.0"},
                        {"Release", 100, 4000, "ms", "100.0"},
                        {"Output Gain", -60, 30, "dB", "0.0"},
                        {"Sidechain Filter", 20, 500, "Hz", "20"}};
    for (const Row& row : rows)
    {
        const auto& p = Named(row.name);
        EXPECT_TRUE(p.IsNumeric()) << row.name;
        EXPECT_EQ(p.range.minimum, row.minimum) << row.name;
        EXPECT_EQ(p.range.maximum, row.maximum) << row.name;
        EXPECT_EQ(p.label, row.label) << row.name;
        EXPECT_EQ(p.defaultText, row.defaultText) << row.name;
    }
}

TEST_F(BraskoKorvalaParameters, TimeRangesFollowTheModelAndNothingElseDoes)
{
    for (const auto& p : catalogue.Parameters())
    {
        if (p.name != "Attack" && p.name != "Release")
        {
            EXPECT_TRUE(p.rangesUnder.empty()) << p.name;
        }
    }
    const auto& release = Named("Release").rangesUnder;
    ASSERT_EQ(release.size(), 3u);
    EXPECT_EQ(release[1].switchText, "FET");
    EXPECT_EQ(release[1].range.minimum, 50.0);
    EXPECT_EQ(release[1].range.maximum, 1200.0);
    const auto& attack = Named("Attack").rangesUnder;
    ASSERT_EQ(attack.size(), 3u);
    EXPECT_EQ(attack[1].range.minimumText, "0.02");
    EXPECT_EQ(attack[1].range.maximumText, "0.80");
}

TEST_F(BraskoKorvalaParameters, DefaultTailCoversTheLongestReleaseAndTheLowestFilterCorner)
{
    // 4000 ms (the VCA model's longest release) plus 120 dB of decay of a
    // first-order high-pass at 20 Hz.
    const double expected = 4.0 + std::log(1e6) / (2.0 * 3.14159265358979 * 20.0);
    EXPECT_NEAR(catalogue.DefaultTailSeconds(), expected, 1e-9);
}

TEST_F(BraskoKorvalaParameters, TextsInRangeAndSwitchTextsAreTaken)
{
    std::string error;
    EXPECT_TRUE(Set("Threshold=-20", error)) << error;
    EXPECT_EQ(Display("Threshold"), "-20.0");
    EXPECT_TRUE(Set("threshold=-12.5 dB", error)) << error;
    EXPECT_EQ(Display("Threshold"), "-12.5");
    EXPECT_TRUE(Set("Ratio=4:1", error)) << error;
    EXPECT_EQ(Display("Ratio"), "4");
    EXPECT_TRUE(Set("Ratio=20", error)) << error; // the ends belong to the range
    EXPECT_EQ(Display("Ratio"), "20");
    EXPECT_TRUE(Set("Model Type=fet", error)) << error; // matched ignoring case
    EXPECT_EQ(Display("Model Type"), "FET");
    EXPECT_TRUE(Set("Release=1200", error)) << error; // FET's range now
    EXPECT_EQ(Display("Release"), "1200.0");
    EXPECT_TRUE(Set("Oversampling=off", error)) << error;
    EXPECT_EQ(Display("Oversampling"), "off");
    EXPECT_TRUE(Set("Input Gain=@1", error)) << error;
    EXPECT_EQ(Display("Input Gain"), "30.0");
}

TEST_F(BraskoKorvalaParameters, EveryRefusalSaysWhatIsAllowedAndChangesNothing)
{
    std::string error;
    const std::string ratio = Display("Ratio");

    EXPECT_FALSE(Set("Ratio=abc", error));
    EXPECT_NE(error.find("not a number"), std::string::npos) << error;
    EXPECT_NE(error.find("1 to 20 : 1"), std::string::npos) << error;

    EXPECT_FALSE(Set("Ratio=50", error)); // the plug-in would clamp it silently
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
    EXPECT_NE(error.find("1 to 20 : 1"), std::string::npos) << error;
    EXPECT_FALSE(Set("Ratio=0.5", error));
    EXPECT_FALSE(Set("Ratio=4 ms", error)); // another unit
    EXPECT_FALSE(Set("Ratio=", error));
    EXPECT_EQ(Display("Ratio"), ratio);

    EXPECT_FALSE(Set("Model Type=Tube", error));
    EXPECT_NE(error.find("VCA, FET or OPTO"), std::string::npos) << error;
    EXPECT_FALSE(Set("Model Type=1", error)); // a switch takes its texts, not numbers
    EXPECT_EQ(Display("Model Type"), "VCA");
    EXPECT_FALSE(Set("Oversampling=yes", error));
    EXPECT_NE(error.find("off or on"), std::string::npos) << error;

    EXPECT_FALSE(Set("Knee=3", error));
    EXPECT_NE(error.find("\"Knee\""), std::string::npos) << error;
    EXPECT_NE(error.find("\"Threshold\""), std::string::npos) << error; // the names are listed

    EXPECT_FALSE(Set("Threshold=@1.5", error));
    EXPECT_FALSE(Set("Threshold=@x", error));
    EXPECT_TRUE(Set("Release=4000", error)) << error; // VCA: in range
    EXPECT_TRUE(Set("Model Type=FET", error)) << error;
    EXPECT_FALSE(Set("Release=4000", error)); // FET: 50 to 1200 ms
    EXPECT_NE(error.find("50.0 to 1200.0 ms"), std::string::npos) << error;
}

TEST_F(BraskoKorvalaParameters, SwitchesAreSetBeforeTheValuesTheirRangesGovern)
{
    std::string error;
    // Given in this order, a release typed for the FET model would first be
    // taken in the VCA range and then moved by the switch.
    EXPECT_EQ(ParameterAssignment::ApplyAll(plugin, catalogue,
                                            {"Release=1000", "Model Type=FET", "Ratio=8"}, error),
              0)
        << error;
    EXPECT_EQ(Display("Release"), "1000.0");
    EXPECT_EQ(Display("Model Type"), "FET");
    EXPECT_EQ(ParameterAssignment::ApplyAll(plugin, catalogue, {"Ratio"}, error), 2);
    EXPECT_EQ(ParameterAssignment::ApplyAll(plugin, catalogue, {"Ratio=99"}, error), 2);
}

TEST_F(BraskoKorvalaParameters, SettingsLineHasOneSpaceBetweenValueAndUnit)
{
    std::string error;
    ASSERT_TRUE(Set("Ratio=4", error)) << error;
    const std::string line = ParameterCatalogue::DescribeSettings(plugin);
    EXPECT_NE(line.find("Ratio 4 : 1,"), std::string::npos) << line;
    EXPECT_NE(line.find("Model Type VCA,"), std::string::npos) << line;
    EXPECT_NE(line.find("Threshold 0.0 dB,"), std::string::npos) << line;
    EXPECT_EQ(line.find("  "), std::string::npos) << line;
}

#endif // KORVALA_PLUGIN_PATH
