// The two meters, read back from the canvas's pixels: the level bar's height
// and colour for a steady reading, and which gain-reduction segments light.

#include "GuiTestSupport.h"

#include "gui/IGainReductionMeter.h"
#include "gui/IPeakMeter.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace guitest;

namespace
{
constexpr int kX = 20, kY = 30, kW = 6, kH = 100;
const std::uint32_t kWhite = Argb(255, 255, 255, 255);

template <class Meter> struct MeterPanel
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    Meter* meter;
    int index;

    explicit MeterPanel(Meter* m) : meter(m)
    {
        index = canvas.AttachControl(m);
        canvas.PrepareDrawing();
    }
    // Frames at 30 a second, the same reading pushed before each, as the
    // plug-in does after every block.
    void Run(double reading, int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            canvas.SetAllControlsDirty();
            canvas.SetControlFromPlugin(index, reading);
            canvas.Redraw();
        }
    }
};

struct PeakPanel : MeterPanel<IPeakMeter>
{
    PeakPanel() : MeterPanel(new IPeakMeter(&fx, kX, kY, kW, kH)) {}
    // Rows from the bottom, in one run, showing colour across the whole width.
    int BarRows(std::uint32_t colour)
    {
        int rows = 0;
        while (rows < kH && Near(canvas.Pixel(kX, kY + kH - 1 - rows), colour) &&
               Near(canvas.Pixel(kX + kW - 1, kY + kH - 1 - rows), colour))
            ++rows;
        return rows;
    }
};

// The level settles at the reading x 7.94328 (+18 dB) and fills the box at
// 0.999.
int SteadyBarHeight(double v)
{
    return std::min(kH, int(std::floor(kH * 7.94328 * v * 1.001001001001001)));
}
} // namespace

TEST(PeakMeter, SteadyReadingSettlesAtItsBarHeightInWhite)
{
    for (double v : {0.0125, 0.05, 0.0777, 0.11})
    {
        PeakPanel m;
        m.Run(v, 300);
        EXPECT_EQ(m.BarRows(kWhite), SteadyBarHeight(v)) << v;
        // The peak line rests on the bar; above and beside it the panel is
        // untouched.
        EXPECT_EQ(m.canvas.Pixel(kX, kY + kH - SteadyBarHeight(v) - 1), kClearColour) << v;
        EXPECT_EQ(m.canvas.Pixel(kX + kW, kY + kH - 1), kClearColour);
    }
}

TEST(PeakMeter, BlueDropsToAboutHalfAtFullScaleThenGreenFalls)
{
    // Settled level (reading x 7.94328) -> green, blue: blue = 1 - level /
    // 1.99526 from level 1, green = 1 - level / 5.94802 from 1.99526, each
    // x 255 truncated and kept in 0..255.
    const double cases[][3] = {
        {0.98, 255, 255}, {1.02, 255, 124}, {1.5, 255, 63}, {2.5, 147, 0}, {7.0, 0, 0}};
    for (const auto& c : cases)
    {
        PeakPanel m;
        m.Run(c[0] / 7.94328, 300);
        const std::uint32_t expected = Argb(255, 255, int(c[1]), int(c[2]));
        EXPECT_EQ(m.BarRows(expected), SteadyBarHeight(c[0] / 7.94328)) << c[0];
        EXPECT_TRUE(Near(m.canvas.Pixel(kX, kY + kH - 1), expected, 1)) << c[0];
    }
}

TEST(PeakMeter, ReadingsUnderTheFloorAndNaNAreSilenceAndTheBarFallsWithoutNewReadings)
{
    PeakPanel m;
    m.Run(0.0009, 50);
    EXPECT_EQ(m.meter->Level(), 0.0);
    EXPECT_EQ(m.meter->GetValue(), 0.0);
    m.Run(std::numeric_limits<double>::quiet_NaN(), 5);
    EXPECT_EQ(m.meter->Level(), 0.0);
    m.Run(0.001, 1);
    EXPECT_GT(m.meter->Level(), 0.0);

    m.Run(0.1, 100);
    ASSERT_EQ(m.BarRows(kWhite), SteadyBarHeight(0.1));
    // One silent reading, then neither pushes nor marking: the meter keeps
    // itself dirty and falls.
    m.canvas.SetControlFromPlugin(m.index, 0.0);
    for (int i = 0; i < 60; ++i)
    {
        IBox box;
        ASSERT_TRUE(m.canvas.IsDirty(&box)) << i;
        m.canvas.Draw(box);
    }
    EXPECT_LT(m.meter->Level(), 1e-6);
    // The peak holds with 1.7 s: after 2 s about exp(-2 / 1.7) of it is left.
    EXPECT_NEAR(m.meter->Peak(), 0.794328 * std::exp(-2.0 / 1.7), 0.02);
}

TEST(PeakMeter, PeakLineHoldsAboveTheFallingBarAndGrayingHidesAll)
{
    PeakPanel m;
    m.Run(0.1, 100);
    m.Run(0.0, 5);
    const int bar = m.BarRows(kWhite);
    const int line = int(std::floor(kH * m.meter->Peak() * 1.001001001001001));
    ASSERT_GT(line, bar + 2);
    const int lineTop = kY + kH - line;
    EXPECT_NE(m.canvas.Pixel(kX, lineTop), kClearColour);
    EXPECT_NE(m.canvas.Pixel(kX, lineTop + 1), kClearColour);
    EXPECT_EQ(m.canvas.Pixel(kX, lineTop + 2), kClearColour);
    EXPECT_EQ(m.canvas.Pixel(kX, lineTop - 1), kClearColour);

    m.meter->GrayOut(true);
    m.Run(0.1, 20);
    EXPECT_EQ(m.canvas.Pixel(kX, kY + kH - 1), kClearColour);
    EXPECT_EQ(m.meter->FrameRate(), kFrameRate);
}

namespace
{
constexpr int kGrX = 10, kGrY = 200, kGrW = 195, kGrH = 8;
const std::uint32_t kLit = Argb(255, 234, 175, 77);
const std::uint32_t kUnlit = Argb(255, 93, 93, 93);

struct GrPanel : MeterPanel<IGainReductionMeter>
{
    GrPanel() : MeterPanel(new IGainReductionMeter(&fx, kGrX, kGrY, kGrW, kGrH, 20)) {}
    // Checks the segment layout (five pixels every ten, full height) and
    // answers how many are lit, counted from the right without a gap.
    int LitFromTheRight()
    {
        int lit = 0;
        bool gap = false;
        for (int s = 190; s >= 0; s -= 10)
            for (int x = s - 5; x < s + 5; ++x)
                for (int y : {kGrY, kGrY + kGrH - 1})
                {
                    const std::uint32_t p = canvas.Pixel(kGrX + x, y);
                    if (x < s)
                    {
                        EXPECT_EQ(p, kClearColour) << x;
                        continue;
                    }
                    const bool on = Near(p, kLit);
                    EXPECT_TRUE(on || Near(p, kUnlit)) << x;
                    if (x == s && y == kGrY)
                    {
                        gap = gap || !on;
                        lit += on && !gap;
                    }
                }
        EXPECT_EQ(canvas.Pixel(kGrX, kGrY - 1), kClearColour);
        EXPECT_EQ(canvas.Pixel(kGrX, kGrY + kGrH), kClearColour);
        return lit;
    }
};
} // namespace

TEST(GainReductionMeter, TwentySegmentsLightOnePerWholeDecibelFromTheRight)
{
    GrPanel g;
    g.canvas.Redraw(); // before any reading: no reduction
    EXPECT_EQ(g.LitFromTheRight(), 0);
    // Reduction is caught within one frame.
    g.Run(std::pow(10.0, -3.5 / 20.0), 1);
    EXPECT_EQ(g.LitFromTheRight(), 3);
    g.Run(std::pow(10.0, -12.2 / 20.0), 1);
    EXPECT_EQ(g.LitFromTheRight(), 12);
    g.Run(0.0, 1);
    EXPECT_EQ(g.LitFromTheRight(), 20);
    // Recovery takes its time, then a gain of 1 lights nothing.
    g.Run(1.0, 1);
    const int recovering = g.LitFromTheRight();
    EXPECT_GT(recovering, 10);
    EXPECT_LT(recovering, 20);
    g.Run(1.0, 300);
    EXPECT_EQ(g.LitFromTheRight(), 0);
}

TEST(GainReductionMeter, NegativeGainShowsFullReductionAndANaNDoesNotStick)
{
    GrPanel g;
    g.Run(-0.5, 1);
    EXPECT_EQ(g.LitFromTheRight(), 20);
    g.Run(std::numeric_limits<double>::quiet_NaN(), 1);
    g.Run(2.0, 300);
    EXPECT_EQ(g.LitFromTheRight(), 0);
}
