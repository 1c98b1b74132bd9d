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
constexpr int kMeterX = 20;
constexpr int kMeterY = 30;
constexpr int kMeterW = 6;
constexpr int kMeterH = 100;

struct MeterPanel
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    IPeakMeter* meter;
    int index;

    MeterPanel()
    {
        meter = new IPeakMeter(&fx, kMeterX, kMeterY, kMeterW, kMeterH);
        index = canvas.AttachControl(meter);
        canvas.PrepareDrawing();
    }

    // Frames at 30 per second with the same reading pushed before each.
    void Run(double reading, int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            canvas.SetControlFromPlugin(index, reading);
            canvas.Clear();
            canvas.DrawAll();
        }
    }

    // Rows from the bottom of the meter, in a run, showing colour.
    int RowsFromBottom(std::uint32_t colour)
    {
        int rows = 0;
        while (rows < kMeterH &&
               Near(canvas.Pixel(kMeterX + 2, kMeterY + kMeterH - 1 - rows), colour))
            ++rows;
        return rows;
    }

    std::uint32_t BottomPixel() { return canvas.Pixel(kMeterX, kMeterY + kMeterH - 1); }
};

// The bar's height for a steady reading v: the level settles at v * 7.94328
// (+18 dB) and fills the box at 0.999.
int SteadyBarHeight(double v)
{
    const double h = std::floor(kMeterH * 7.94328 * v * 1.001001001001001);
    return h > kMeterH ? kMeterH : static_cast<int>(h);
}
} // namespace

TEST(PeakMeter, SteadyReadingSettlesAtItsBarHeightInWhite)
{
    const std::uint32_t white = Argb(255, 255, 255, 255);
    for (double v : {0.0125, 0.05, 0.0777, 0.11})
    {
        MeterPanel m;
        m.Run(v, 300);
        EXPECT_EQ(m.RowsFromBottom(white), SteadyBarHeight(v)) << v;
        // Above the bar nothing but the cleared panel (the peak line sits on
        // the bar while the reading is steady).
        const int top = kMeterY + kMeterH - SteadyBarHeight(v);
        EXPECT_EQ(m.canvas.Pixel(kMeterX + 2, top - 1), kClearColour) << v;
        // The whole width, and nothing beside it.
        EXPECT_TRUE(Near(m.canvas.Pixel(kMeterX + kMeterW - 1, kMeterY + kMeterH - 1), white));
        EXPECT_EQ(m.canvas.Pixel(kMeterX + kMeterW, kMeterY + kMeterH - 1), kClearColour);
    }
}

TEST(PeakMeter, BlueDropsToAboutHalfAtFullScaleThenGreenFalls)
{
    struct Case
    {
        double level; // settled level, reading x 7.94328
        int green;
        int blue;
    };
    // blue = 1 - level / 1.99526 from level 1, green = 1 - level / 5.94802
    // from level 1.99526, each x 255 truncated and kept in 0..255.
    const Case cases[] = {
        {0.98, 255, 255},
        {1.02, 255, static_cast<int>((1.0 - 1.02 / 1.99526) * 255.0)},
        {1.5, 255, static_cast<int>((1.0 - 1.5 / 1.99526) * 255.0)},
        {2.5, static_cast<int>((1.0 - 2.5 / 5.94802) * 255.0), 0},
        {7.0, 0, 0},
    };
    for (const Case& c : cases)
    {
        MeterPanel m;
        m.Run(c.level / 7.94328, 300);
        const std::uint32_t expected = Argb(255, 255, c.green, c.blue);
        EXPECT_TRUE(Near(m.BottomPixel(), expected, 2))
            << c.level << " " << std::hex << m.BottomPixel();
        EXPECT_EQ(m.RowsFromBottom(expected), SteadyBarHeight(c.level / 7.94328)) << c.level;
    }
    // "About half at once": just above full scale blue is near 127.
    EXPECT_NEAR((1.0 - 1.0 / 1.99526) * 255.0, 127.0, 1.0);
}

TEST(PeakMeter, ReadingsBelowATenthOfAMillivoltAreSilence)
{
    MeterPanel m;
    m.Run(0.0009, 50);
    EXPECT_EQ(m.meter->Level(), 0.0);
    EXPECT_EQ(m.meter->GetValue(), 0.0);
    EXPECT_EQ(m.BottomPixel(), kClearColour);

    MeterPanel n;
    n.Run(0.001, 50);
    EXPECT_GT(n.meter->Level(), 0.0);
}

TEST(PeakMeter, BarFallsAfterTheAudioStopsWithoutAnyNewReading)
{
    MeterPanel m;
    m.Run(0.1, 100);
    const int before = m.RowsFromBottom(Argb(255, 255, 255, 255));
    ASSERT_EQ(before, SteadyBarHeight(0.1));
    // No more pushes and no more marking by the plug-in: the meter keeps
    // itself dirty and decays towards silence.
    m.canvas.SetControlFromPlugin(m.index, 0.0);
    for (int i = 0; i < 60; ++i)
    {
        IBox box;
        ASSERT_TRUE(m.canvas.IsDirty(&box)) << i;
        m.canvas.Clear();
        m.canvas.Draw(box);
    }
    EXPECT_LT(m.meter->Level(), 1e-6);
    EXPECT_EQ(m.RowsFromBottom(Argb(255, 255, 255, 255)), 0);
}

TEST(PeakMeter, PeakLineHoldsAboveTheFallingBarInsideTheBox)
{
    MeterPanel m;
    m.Run(0.1, 100);
    m.Run(0.0, 5);
    const int bar = m.RowsFromBottom(Argb(255, 255, 255, 255));
    const double peak = m.meter->Peak();
    const int line = static_cast<int>(std::floor(kMeterH * peak * 1.001001001001001));
    ASSERT_GT(line, bar + 2);
    // Two rows at the peak height, blended over the cleared panel, and the
    // gap down to the bar untouched.
    const int lineTop = kMeterY + kMeterH - line;
    EXPECT_NE(m.canvas.Pixel(kMeterX + 1, lineTop), kClearColour);
    EXPECT_NE(m.canvas.Pixel(kMeterX + 1, lineTop + 1), kClearColour);
    EXPECT_EQ(m.canvas.Pixel(kMeterX + 1, lineTop + 2), kClearColour);
    EXPECT_EQ(m.canvas.Pixel(kMeterX + 1, lineTop - 1), kClearColour);

    // Once everything has fallen nothing is painted below the meter's box.
    m.Run(0.0, 400);
    for (int y = kMeterY + kMeterH; y < kMeterY + kMeterH + 3; ++y)
        EXPECT_EQ(m.canvas.Pixel(kMeterX + 1, y), kClearColour);
}

TEST(PeakMeter, TakesTheCanvasFrameRateAndIsNeverHit)
{
    MeterPanel m;
    EXPECT_EQ(m.meter->FrameRate(), 0);
    m.Run(0.0, 1);
    EXPECT_EQ(m.meter->FrameRate(), kFrameRate);
    EXPECT_FALSE(m.meter->IsHit(kMeterX + 1, kMeterY + 1));
}

TEST(PeakMeter, GrayedMeterDrawsNothing)
{
    MeterPanel m;
    m.meter->GrayOut(true);
    m.Run(0.1, 100);
    EXPECT_EQ(m.BottomPixel(), kClearColour);
    m.meter->GrayOut(false);
    m.Run(0.1, 1);
    EXPECT_TRUE(Near(m.BottomPixel(), Argb(255, 255, 255, 255)));
}

TEST(PeakMeter, NaNReadingsCountAsSilenceAndInfinityAsFullScale)
{
    MeterPanel m;
    m.Run(std::numeric_limits<double>::quiet_NaN(), 5);
    EXPECT_EQ(m.meter->Level(), 0.0);
    m.Run(std::numeric_limits<double>::infinity(), 300);
    EXPECT_NEAR(m.meter->Level(), 7.94328, 1e-9);
    EXPECT_EQ(m.RowsFromBottom(m.BottomPixel()), kMeterH);
    m.Run(0.05, 300);
    EXPECT_EQ(m.RowsFromBottom(Argb(255, 255, 255, 255)), SteadyBarHeight(0.05));
}

namespace
{
constexpr int kGrX = 10;
constexpr int kGrY = 200;
constexpr int kGrW = 195;
constexpr int kGrH = 8;
const std::uint32_t kLitColour = Argb(255, 234, 175, 77);
const std::uint32_t kUnlitColour = Argb(255, 93, 93, 93);

struct GrPanel
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    IGainReductionMeter* meter;
    int index;

    GrPanel()
    {
        meter = new IGainReductionMeter(&fx, kGrX, kGrY, kGrW, kGrH, 20);
        index = canvas.AttachControl(meter);
        canvas.PrepareDrawing();
    }

    void Run(double gain, int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            canvas.SetControlFromPlugin(index, gain);
            canvas.SetAllControlsDirty();
            canvas.Clear();
            canvas.DrawAll();
        }
    }

    // Left edges of the painted segments, and how many of them are lit.
    std::vector<int> Segments(int* lit)
    {
        std::vector<int> lefts;
        *lit = 0;
        for (int x = kGrX; x < kGrX + kGrW; ++x)
        {
            const std::uint32_t p = canvas.Pixel(x, kGrY + kGrH / 2);
            const bool painted = p != kClearColour;
            const bool startsHere = painted && canvas.Pixel(x - 1, kGrY + kGrH / 2) == kClearColour;
            if (startsHere)
            {
                lefts.push_back(x - kGrX);
                if (Near(p, kLitColour)) ++*lit;
            }
        }
        return lefts;
    }

    // Lit segments, counted from the right end without a gap.
    int LitFromTheRight()
    {
        int n = 0;
        for (int s = 190; s >= 0; s -= 10)
        {
            if (!Near(canvas.Pixel(kGrX + s, kGrY), kLitColour)) break;
            ++n;
        }
        return n;
    }
};
} // namespace

TEST(GainReductionMeter, TwentySegmentsOver195PixelsAreFiveWideEveryTen)
{
    GrPanel g;
    g.Run(1.0, 1);
    for (int x = 0; x < kGrW; ++x)
        for (int y : {kGrY, kGrY + kGrH - 1})
        {
            const std::uint32_t p = g.canvas.Pixel(kGrX + x, y);
            if (x % 10 < 5)
                EXPECT_TRUE(Near(p, kUnlitColour)) << x;
            else
                EXPECT_EQ(p, kClearColour) << x;
        }
    EXPECT_EQ(g.canvas.Pixel(kGrX, kGrY - 1), kClearColour);
    EXPECT_EQ(g.canvas.Pixel(kGrX, kGrY + kGrH), kClearColour);
    int lit = 0;
    EXPECT_EQ(g.Segments(&lit).size(), 20u);
    EXPECT_EQ(lit, 0);
}

TEST(GainReductionMeter, ReductionLightsOneSegmentPerWholeDecibelFromTheRight)
{
    {
        GrPanel g;
        // 3.5 dB of reduction is caught within one frame.
        g.Run(std::pow(10.0, -3.5 / 20.0), 1);
        int lit = 0;
        g.Segments(&lit);
        EXPECT_EQ(lit, 3);
        EXPECT_EQ(g.LitFromTheRight(), 3);
    }
    {
        GrPanel g;
        g.Run(std::pow(10.0, -12.2 / 20.0), 1);
        EXPECT_EQ(g.LitFromTheRight(), 12);
    }
    {
        GrPanel g;
        g.Run(0.0, 1);
        int lit = 0;
        g.Segments(&lit);
        EXPECT_EQ(lit, 20);
        // Full reduction recovers to none with a gain of 1 held long enough.
        g.Run(1.0, 300);
        g.Segments(&lit);
        EXPECT_EQ(lit, 0);
    }
}

TEST(GainReductionMeter, NothingIsLitBeforeTheFirstReading)
{
    GrPanel g;
    g.canvas.DrawAll();
    int lit = 0;
    EXPECT_EQ(g.Segments(&lit).size(), 20u);
    EXPECT_EQ(lit, 0);
}

TEST(GainReductionMeter, RecoveryIsGradual)
{
    GrPanel g;
    g.Run(std::pow(10.0, -10.5 / 20.0), 1);
    ASSERT_EQ(g.LitFromTheRight(), 10);
    g.Run(1.0, 1);
    const int afterOneFrame = g.LitFromTheRight();
    EXPECT_GT(afterOneFrame, 0);
    EXPECT_LT(afterOneFrame, 10);
}

TEST(GainReductionMeter, NegativeGainShowsFullReductionAndANaNDoesNotStick)
{
    GrPanel g;
    g.Run(-0.5, 1);
    EXPECT_EQ(g.LitFromTheRight(), 20);
    g.Run(1.0, 300);
    g.Run(std::numeric_limits<double>::quiet_NaN(), 1);
    g.Run(2.0, 300);
    EXPECT_EQ(g.LitFromTheRight(), 0);
}
