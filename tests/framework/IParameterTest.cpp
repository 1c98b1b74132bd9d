#include "framework/IParameter.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace
{
std::string Display(const IParameter& p, double v, bool normalized = false)
{
    char text[IParameter::kTextSize];
    p.GetDisplayForHost(v, normalized, text, true);
    return text;
}

void MakeDouble(IParameter& p, double minVal, double maxVal, double step, double shape = 1.0)
{
    p.InitDouble("p", minVal, minVal, maxVal, step, "u");
    p.SetShape(shape);
}
} // namespace

TEST(IParameter, DisplayPrecisionIsTheDecimalsOfTheStep)
{
    const struct
    {
        double step;
        int decimals;
    } cases[] = {{1.0, 0}, {10.0, 0}, {0.1, 1}, {0.25, 2}, {0.01, 2}, {0.001, 3}, {1.0 / 3.0, 6}};
    for (const auto& c : cases)
    {
        IParameter p;
        p.InitDouble("p", 0.0, 0.0, 100.0, c.step);
        EXPECT_EQ(p.GetDisplayPrecision(), c.decimals) << "step " << c.step;
    }

    IParameter cents;
    cents.InitDouble("p", 0.0, 0.0, 100.0, 0.01);
    EXPECT_EQ(Display(cents, 12.5), "12.50");
    IParameter whole;
    whole.InitDouble("p", 0.0, -100.0, 100.0, 1.0);
    EXPECT_EQ(Display(whole, 12.9), "12"); // truncated, not rounded
    EXPECT_EQ(Display(whole, -12.9), "-12");
    whole.SetDisplayNegated(true);
    EXPECT_EQ(Display(whole, 12.9), "-12");
}

TEST(IParameter, InitDoubleRaisesMaxButDoesNotClampTheDefault)
{
    IParameter p;
    p.InitDouble("p", 3.0, 2.0, 2.5, 1.0, "u"); // max below min + step
    EXPECT_EQ(p.GetMax(), 3.0);
    EXPECT_EQ(p.Value(), 3.0);

    IParameter outside;
    outside.InitDouble("p", 50.0, 0.0, 10.0, 1.0); // the default is not clamped
    EXPECT_EQ(outside.Value(), 50.0);
    EXPECT_EQ(outside.GetNormalized(), 1.0);
}

TEST(IParameter, TextsAreBoundedToTheirFields)
{
    const std::string longText(200, 'x');
    IParameter p;
    p.InitDouble(longText.c_str(), 0.0, 0.0, 2.0, 1.0, longText.c_str());
    p.SetDisplayText(1.0, longText.c_str());
    EXPECT_EQ(std::strlen(p.GetNameForHost()), 31u);
    EXPECT_EQ(std::strlen(p.GetLabelForHost()), 31u);
    EXPECT_EQ(std::strlen(p.GetDisplayText(1.0)), 31u);
    p.InitDouble(nullptr, 0.0, 0.0, 2.0, 1.0, nullptr);
    EXPECT_STREQ(p.GetNameForHost(), "");

    // A number that needs more room than the host buffer is cut, not overrun.
    IParameter wide;
    wide.InitDouble("p", 0.0, 0.0, 1e300, 0.5);
    char out[8];
    std::memset(out, '#', sizeof(out));
    wide.GetDisplayForHost(1e300, false, out, true, 6);
    EXPECT_EQ(std::strlen(out), 5u);
    EXPECT_EQ(out[6], '#');
    IParameter whole;
    whole.InitDouble("p", 0.0, 0.0, 1e300, 1.0);
    char big[400];
    whole.GetDisplayForHost(1e300, false, big, true, sizeof(big)); // beyond the int range
    EXPECT_EQ(big[0], '1');
    EXPECT_EQ(std::strlen(big), 301u);
}

TEST(IParameter, SteppedTypesRoundHalfUpFromZeroAndOnlyLimitAtMax)
{
    IParameter model;
    model.InitEnum("Model", 0, 3);
    EXPECT_EQ(model.GetMax(), 2.0);
    EXPECT_EQ(model.GetStep(), 1.0);
    model.SetNormalized(0.74); // 1.48
    EXPECT_EQ(model.Value(), 1.0);
    model.SetNormalized(0.76); // 1.52
    EXPECT_EQ(model.Value(), 2.0);
    model.SetNormalized(0.25); // exactly 0.5 rounds up
    EXPECT_EQ(model.Value(), 1.0);

    // Re-ranging with InitDouble keeps the enumerated type and its rounding.
    model.InitDouble("Model", 0.0, 0.0, 2.4, 1.0);
    EXPECT_EQ(model.Type(), IParameter::kTypeEnum);
    model.SetNormalized(1.0); // 2.4 rounds to 2, which is below max
    EXPECT_EQ(model.Value(), 2.0);
    model.InitDouble("Model", 0.0, 0.0, 2.6, 1.0);
    model.SetNormalized(1.0); // 2.6 rounds to 3, pulled down to max
    EXPECT_EQ(model.Value(), 2.6);

    // Multiples of the step are counted from 0, not from min.
    IParameter offset;
    offset.InitEnum("o", 0, 2);
    offset.InitDouble("o", 0.5, 0.5, 10.5, 1.0);
    offset.SetNormalized(0.2); // 2.5 -> 3, not 2.5
    EXPECT_EQ(offset.Value(), 3.0);

    IParameter flag;
    flag.InitBool("b", false);
    flag.SetNormalized(0.49);
    EXPECT_EQ(flag.Value(), 0.0);
    flag.SetNormalized(0.5);
    EXPECT_EQ(flag.Value(), 1.0);
}

TEST(IParameter, ContinuousMappingFollowsThePowerLaw)
{
    IParameter p;
    MakeDouble(p, -60.0, 30.0, 0.1, 2.0);
    p.SetNormalized(0.5);
    EXPECT_EQ(p.Value(), -60.0 + 0.25 * 90.0);
    EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.5);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (double shape : {1.0, 2.0, 0.5, 3.0})
    {
        IParameter q;
        MakeDouble(q, 20.0, 500.0, 10.0, shape);
        for (int i = 0; i < 200; ++i)
        {
            const double x = unit(rng);
            q.SetNormalized(x);
            EXPECT_EQ(q.Value(), std::pow(x, shape) * 480.0 + 20.0); // no step rounding
            EXPECT_NEAR(q.GetNormalized(), x, 1e-9);
        }
    }

    // No clamp at min; max is a limit.
    IParameter lin;
    MakeDouble(lin, 0.0, 10.0, 0.1);
    lin.SetNormalized(-0.5);
    EXPECT_EQ(lin.Value(), -5.0);
    lin.SetNormalized(1.5);
    EXPECT_EQ(lin.Value(), 10.0);
    // A NaN position is ignored rather than becoming the value.
    lin.SetNormalized(0.3);
    lin.SetNormalized(std::nan(""));
    EXPECT_EQ(lin.Value(), 3.0);
}

TEST(IParameter, NormalisedReadsAreClampedIntoUnitRange)
{
    IParameter p;
    MakeDouble(p, -60.0, 0.0, 0.1, 2.0);
    p.SetValue(-100.0);
    EXPECT_EQ(p.GetNormalized(), 0.0);
    p.SetValue(40.0);
    EXPECT_EQ(p.GetNormalized(), 1.0);
    EXPECT_EQ(p.ToNormalized(std::nan("")), 0.0);
    EXPECT_EQ(p.ToNormalized(-15.0), std::pow(45.0 / 60.0, 0.5));
}

TEST(IParameter, ShapeIgnoresZeroAndNaN)
{
    IParameter p;
    MakeDouble(p, 0.0, 1.0, 0.1, 2.0);
    p.SetShape(0.0);
    EXPECT_EQ(p.GetShape(), 2.0);
    p.SetShape(std::nan(""));
    EXPECT_EQ(p.GetShape(), 2.0);
    p.SetShape(3.0);
    EXPECT_EQ(p.GetShape(), 3.0);
}

TEST(IParameter, DisplayTextsMatchWithinAMillionthAndByExactText)
{
    IParameter p;
    p.InitEnum("Model Type", 0, 3);
    p.SetDisplayText(0, "VCA");
    p.SetDisplayText(1, "FET");
    p.SetDisplayText(2, "OPTO");
    EXPECT_STREQ(p.GetDisplayText(1.0 + 5e-7), "FET");
    EXPECT_STREQ(p.GetDisplayText(1.0 + 2e-6), "");
    EXPECT_EQ(Display(p, 1.7), "FET");              // looked up truncated
    EXPECT_EQ(Display(p, 2.0 / 2.0, true), "OPTO"); // normalised 1 -> 2

    double v = -1.0;
    EXPECT_TRUE(p.MapDisplayText("OPTO", &v));
    EXPECT_EQ(v, 2.0);
    EXPECT_FALSE(p.MapDisplayText("opto", &v));
    EXPECT_FALSE(p.MapDisplayText("OPT", &v));
    EXPECT_FALSE(p.MapDisplayText(nullptr, &v));

    // Without display texts the number is shown; an empty text falls back too.
    char text[IParameter::kTextSize];
    p.GetDisplayForHost(1.0, false, text, false);
    EXPECT_STREQ(text, "1");
    p.SetDisplayText(3, "");
    p.InitDouble("Model Type", 3.0, 0.0, 3.0, 1.0, "x");
    EXPECT_EQ(Display(p, 3.0), "3");
    EXPECT_STREQ(p.GetLabelForHost(), "x");
}

TEST(IParameter, DecibelsUseTheThirteenDigitConstant)
{
    IParameter g;
    MakeDouble(g, -60.0, 30.0, 0.1);
    g.SetValue(20.0);
    EXPECT_EQ(g.DBToAmp(), std::exp(20.0 * 0.1151292546497));
    EXPECT_NE(g.DBToAmp(), std::exp(20.0 * std::log(10.0) / 20.0));
    EXPECT_NEAR(g.DBToAmp(), 10.0, 1e-11);
    g.SetValue(0.0);
    EXPECT_EQ(g.DBToAmp(), 1.0);
}

TEST(IParameter, PlugInTableReadsAsTheHostShowsIt)
{
    TestEffect fx;
    struct Row
    {
        const char* name;
        int type;
        double def, min, max, step, shape;
        const char* label;
        const char* display;
    };
    const Row rows[kNumTestParams] = {
        {"Input Gain", 4, 0, -60, 30, 0.1, 1, "dB", "0.0"},
        {"Model Type", 3, 0, 0, 2, 1, 1, "", "VCA"},
        {"Threshold", 4, 0, -60, 0, 0.1, 2, "dB", "0.0"},
        {"Ratio", 4, 1, 1, 20, 1, 1, " : 1", "1"},
        {"Attack", 4, 0.02, 0.02, 0.8, 0.01, 2, "ms", "0.02"},
        {"Release", 4, 50, 50, 1200, 0.1, 2, "ms", "50.0"},
        {"Output Gain", 4, 0, -60, 30, 0.1, 1, "dB", "0.0"},
        {"Oversampling", 1, 1, 0, 1, 1, 1, "", "on"},
        {"Analog Emulation", 1, 1, 0, 1, 1, 1, "", "on"},
        {"Sidechain Filter", 4, 20, 20, 500, 10, 1, "Hz", "20"},
        {"External Sidechain", 1, 0, 0, 1, 1, 1, "", "off"},
    };
    ASSERT_EQ(fx.NParams(), kNumTestParams);
    for (int i = 0; i < kNumTestParams; ++i)
    {
        const IParameter* p = fx.GetParam(i);
        const Row& r = rows[i];
        EXPECT_STREQ(p->GetNameForHost(), r.name);
        EXPECT_EQ(p->Type(), r.type) << r.name;
        EXPECT_EQ(p->Value(), r.def) << r.name;
        EXPECT_EQ(p->GetMin(), r.min) << r.name;
        EXPECT_EQ(p->GetMax(), r.max) << r.name;
        EXPECT_EQ(p->GetStep(), r.step) << r.name;
        EXPECT_EQ(p->GetShape(), r.shape) << r.name;
        EXPECT_STREQ(p->GetLabelForHost(), r.label) << r.name;
        EXPECT_EQ(Display(*p, p->Value()), r.display) << r.name;
    }
    EXPECT_EQ(fx.GetParam(kThreshold)->GetNormalized(), 1.0);
    EXPECT_EQ(Display(*fx.GetParam(kThreshold), 0.5, true), "-45.0");
    EXPECT_EQ(Display(*fx.GetParam(kModelType), 0.5, true), "FET");
    EXPECT_EQ(fx.GetParam(kNumTestParams), nullptr);
    EXPECT_EQ(fx.GetParam(-1), nullptr);
    EXPECT_EQ(fx.NPresets(), 1);
    EXPECT_STREQ(fx.GetPresetName(0), "-");
}
