// Image-strip controls: which frame a value shows (read back from the
// canvas's pixels), how switches, knobs and faders turn mouse input into
// values.

#include "GuiTestSupport.h"

#include "gui/IBitmapControl.h"
#include "gui/IKnobMultiControl.h"
#include "gui/ISliderControl.h"
#include "gui/ISwitchControl.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace guitest;

namespace
{
struct Panel
{
    TestEffect fx;
    TestCanvas canvas{&fx};

    Panel() { canvas.PrepareDrawing(); }

    IImageStrip Strip(int id) { return canvas.LoadImageStrip(id, "strip", SpecFor(id).frames); }

    // Draws the whole panel over a cleared bitmap.
    void Redraw()
    {
        canvas.Clear();
        canvas.DrawAll();
    }
};

// The frame a value should show, found the long way: the frame whose
// position (i - 1) / (N - 1) on the 0..1 scale lies nearest to the value.
int NearestFrame(int frames, double value)
{
    int best = 1;
    for (int i = 2; i <= frames; ++i)
        if (std::fabs((i - 1.0) / (frames - 1) - value) <
            std::fabs((best - 1.0) / (frames - 1) - value))
            best = i;
    return best;
}
} // namespace

TEST(BitmapControl, ShowsTheFrameNearestToItsValue)
{
    Panel p;
    auto* ctl = new IBitmapControl(&p.fx, 30, 40, -1, p.Strip(kStrip5Frames));
    p.canvas.AttachControl(ctl);
    EXPECT_EQ(ctl->GetRect(), IBox(30, 40, 38, 48));

    for (double v : {0.0, 0.1, 0.13, 0.2, 0.4, 0.5, 0.61, 0.8, 0.9, 1.0})
    {
        ctl->SetValue(v);
        p.Redraw();
        const int expected = NearestFrame(5, v);
        EXPECT_EQ(FrameShownAt(p.canvas, 30, 40), expected) << v;
        EXPECT_EQ(FrameShownAt(p.canvas, 37, 47), expected) << v;
        // Nothing outside the control's box.
        EXPECT_EQ(p.canvas.Pixel(38, 47), kClearColour);
        EXPECT_EQ(p.canvas.Pixel(37, 48), kClearColour);
    }
    // Values pushed outside 0..1 stay on the first or last frame.
    ctl->SetValue(-2.0);
    p.Redraw();
    EXPECT_EQ(FrameShownAt(p.canvas, 31, 41), 1);
    ctl->SetValue(7.0);
    p.Redraw();
    EXPECT_EQ(FrameShownAt(p.canvas, 31, 41), 5);
}

TEST(BitmapControl, OneFrameStripAlwaysShowsItsImage)
{
    Panel p;
    auto* ctl = new IBitmapControl(&p.fx, 0, 0, -1, p.Strip(kStripHandle));
    p.canvas.AttachControl(ctl);
    EXPECT_EQ(ctl->GetRect(), IBox(0, 0, 12, 10));
    ctl->SetValue(1.0);
    p.Redraw();
    EXPECT_EQ(FrameShownAt(p.canvas, 5, 5), 1);
}

TEST(SwitchControl, VerticalZonesPickTheBandClickedAndIgnoreBandEdges)
{
    Panel p;
    auto* sw = new ISwitchControl(&p.fx, 50, 60, kOversampling, p.Strip(kStrip3Frames30High),
                                  ISwitchControl::kVerticalZones);
    p.canvas.AttachControl(sw);
    ASSERT_EQ(sw->GetRect(), IBox(50, 60, 60, 90));

    sw->OnMouseDown(55, 60 + 25, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
    sw->OnMouseDown(55, 60 + 5, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.0);
    sw->OnMouseDown(55, 60 + 15, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5);
    // Band edges and the box's top belong to no zone.
    for (int edge : {0, 10, 20})
    {
        sw->OnMouseDown(55, 60 + edge, LeftButton());
        EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5) << edge;
    }
    // x plays no part.
    sw->OnMouseDown(0, 60 + 29, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
}

TEST(SwitchControl, HorizontalZonesSplitTheWidth)
{
    Panel p;
    auto* sw = new ISwitchControl(&p.fx, 0, 0, -1, p.Strip(kStrip3Frames30Wide),
                                  ISwitchControl::kHorizontalZones);
    p.canvas.AttachControl(sw);
    ASSERT_EQ(sw->GetRect(), IBox(0, 0, 30, 10));
    sw->OnMouseDown(25, 5, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
    sw->OnMouseDown(15, 5, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5);
    sw->OnMouseDown(20, 5, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.5);
    sw->OnMouseDown(3, 5, LeftButton());
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.0);
}

TEST(SwitchControl, CyclingSwitchStepsAndWrapsToTheFirstState)
{
    Panel p;
    auto* two = new ISwitchControl(&p.fx, 0, 0, kOversampling, p.Strip(kStrip2Frames),
                                   ISwitchControl::kCycle);
    p.canvas.AttachControl(two);
    two->OnMouseDown(1, 1, LeftButton());
    EXPECT_DOUBLE_EQ(two->GetValue(), 1.0);
    EXPECT_DOUBLE_EQ(p.fx.GetParam(kOversampling)->Value(), 1.0);
    two->OnMouseDown(1, 1, LeftButton());
    EXPECT_DOUBLE_EQ(two->GetValue(), 0.0);
    EXPECT_DOUBLE_EQ(p.fx.GetParam(kOversampling)->Value(), 0.0);
    two->OnMouseDown(1, 1, LeftButton());
    EXPECT_DOUBLE_EQ(two->GetValue(), 1.0);

    auto* five = new ISwitchControl(&p.fx, 100, 0, -1, p.Strip(kStrip5Frames), 7);
    p.canvas.AttachControl(five);
    const double expected[] = {0.25, 0.5, 0.75, 1.0, 0.0, 0.25};
    for (double e : expected)
    {
        five->OnMouseDown(101, 1, LeftButton());
        EXPECT_NEAR(five->GetValue(), e, 1e-12);
    }
}

TEST(SwitchControl, ClickedStateIsDrawnFromItsFrame)
{
    Panel p;
    auto* sw =
        new ISwitchControl(&p.fx, 10, 10, -1, p.Strip(kStrip3Frames30High), ISwitchControl::kCycle);
    p.canvas.AttachControl(sw);
    for (int expectedFrame : {2, 3, 1})
    {
        sw->OnMouseDown(11, 11, LeftButton());
        p.Redraw();
        EXPECT_EQ(FrameShownAt(p.canvas, 15, 15), expectedFrame);
    }
}

TEST(KnobControl, FullSweepTakesGearingTimesItsHeightOrTenTimesWithAModifier)
{
    Panel p;
    auto* knob = new IKnobMultiControl(&p.fx, 0, 0, kInputGain, p.Strip(kStrip11Frames50High),
                                       IKnobMultiControl::kVertical, 4.0);
    p.canvas.AttachControl(knob);
    ASSERT_EQ(knob->GetRect().H(), 50);

    // 200 pixels upward in steps of 8.
    knob->SetValue(0.0);
    for (int i = 0; i < 25; ++i)
        knob->OnMouseDrag(5, 100 - 8 * (i + 1), 0, -8, LeftButton());
    EXPECT_NEAR(knob->GetValue(), 1.0, 1e-9);
    EXPECT_NEAR(p.fx.GetParam(kInputGain)->GetNormalized(), 1.0, 1e-9);

    // Half of it downward halves it.
    knob->OnMouseDrag(5, 0, 0, 100, LeftButton());
    EXPECT_NEAR(knob->GetValue(), 0.5, 1e-9);

    // With shift (or control) the same 200 pixels move a tenth as far.
    knob->SetValue(0.0);
    knob->OnMouseDrag(5, 0, 0, -200, WithShift(LeftButton()));
    EXPECT_NEAR(knob->GetValue(), 0.1, 1e-9);
    knob->OnMouseDrag(5, 0, 0, -1800, WithControl(LeftButton()));
    EXPECT_NEAR(knob->GetValue(), 1.0, 1e-9);

    // Dragging past either end stops there.
    knob->OnMouseDrag(5, 0, 0, -300, LeftButton());
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    knob->OnMouseDrag(5, 0, 0, 1000, LeftButton());
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
    // Sideways motion does nothing to a vertical knob.
    knob->OnMouseDrag(5, 0, 40, 0, LeftButton());
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
}

TEST(KnobControl, HorizontalKnobRisesToTheRight)
{
    Panel p;
    auto* knob = new IKnobMultiControl(&p.fx, 0, 0, -1, p.Strip(kStrip11Frames50High),
                                       IKnobMultiControl::kHorizontal, 2.0);
    p.canvas.AttachControl(knob);
    ASSERT_EQ(knob->GetRect().W(), 20);
    knob->OnMouseDrag(0, 0, 10, 0, LeftButton());
    EXPECT_NEAR(knob->GetValue(), 0.25, 1e-12);
    knob->OnMouseDrag(0, 0, 0, -50, LeftButton());
    EXPECT_NEAR(knob->GetValue(), 0.25, 1e-12);
}

TEST(KnobControl, ShowsTheFrameNearestToItsValue)
{
    Panel p;
    auto* knob = new IKnobMultiControl(&p.fx, 100, 20, -1, p.Strip(kStrip11Frames50High));
    p.canvas.AttachControl(knob);
    for (double v : {0.0, 0.04, 0.06, 0.5, 0.66, 0.94, 0.96, 1.0})
    {
        knob->SetValue(v);
        p.Redraw();
        EXPECT_EQ(FrameShownAt(p.canvas, 110, 45), NearestFrame(11, v)) << v;
    }
    knob->SetValue(-0.5);
    p.Redraw();
    EXPECT_EQ(FrameShownAt(p.canvas, 110, 45), 1);
}

TEST(KnobControl, DoubleClickRestoresThePushedValue)
{
    Panel p;
    auto* knob = new IKnobMultiControl(&p.fx, 0, 0, kThreshold, p.Strip(kStrip11Frames50High));
    p.canvas.AttachControl(knob);
    p.canvas.SetParameterFromPlugin(kThreshold, 0.4, true);
    knob->OnMouseDrag(0, 0, 0, -100, LeftButton());
    EXPECT_NEAR(knob->GetValue(), 0.9, 1e-12);
    knob->OnMouseDoubleClick(0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.4);
}

TEST(SliderControl, VerticalHandleCentreFollowsTheMouseAndClamps)
{
    Panel p;
    // Travel 100, handle 10 high: span 90, the centre 5 below the top.
    auto* fader = new ISliderControl(&p.fx, 40, 20, 100, kOutputGain, p.Strip(kStripHandle),
                                     ISliderControl::kVertical);
    p.canvas.AttachControl(fader);
    EXPECT_EQ(fader->GetRect(), IBox(40, 20, 52, 120));

    fader->OnMouseDown(45, 20 + 5, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
    fader->OnMouseDown(45, 20 + 95, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
    fader->OnMouseDrag(45, 20 + 50, 0, -45, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.5);
    EXPECT_NEAR(p.fx.GetParam(kOutputGain)->GetNormalized(), 0.5, 1e-12);
    fader->OnMouseDrag(45, 20 + 32, 0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0 - 27.0 / 90.0);
    // Beyond the ends.
    fader->OnMouseDrag(45, -300, 0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
    fader->OnMouseDrag(45, 900, 0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
    // A right click only asks for a prompt, which faders do not give.
    fader->OnMouseDown(45, 25, RightButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
    EXPECT_TRUE(p.canvas.mPrompts.empty());
}

TEST(SliderControl, HorizontalHandleCentreFollowsTheMouse)
{
    Panel p;
    // Travel 60, handle 12 wide: span 48, the centre 6 right of the left end.
    auto* fader = new ISliderControl(&p.fx, 10, 100, 60, -1, p.Strip(kStripHandle),
                                     ISliderControl::kHorizontal);
    p.canvas.AttachControl(fader);
    EXPECT_EQ(fader->GetRect(), IBox(10, 100, 70, 110));
    fader->OnMouseDown(10 + 6, 105, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
    fader->OnMouseDown(10 + 54, 105, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
    fader->OnMouseDrag(10 + 18, 105, 0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.25);
    fader->OnMouseDrag(0, 105, 0, 0, LeftButton());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);
}

TEST(SliderControl, HandleIsDrawnWhereTheValuePutsIt)
{
    Panel p;
    auto* fader = new ISliderControl(&p.fx, 40, 20, 100, -1, p.Strip(kStripHandle),
                                     ISliderControl::kVertical);
    p.canvas.AttachControl(fader);
    for (double v : {0.0, 0.3, 0.5, 1.0})
    {
        fader->SetValue(v);
        p.Redraw();
        // Handle top: 20 + int(90 * (1 - v)); ten rows, twelve columns.
        const int top = 20 + static_cast<int>(90 * (1.0 - v));
        for (int y = 20; y < 120; ++y)
        {
            const bool inHandle = y >= top && y < top + 10;
            EXPECT_EQ(FrameShownAt(p.canvas, 40, y), inHandle ? 1 : 0) << v << " " << y;
            EXPECT_EQ(FrameShownAt(p.canvas, 51, y), inHandle ? 1 : 0) << v << " " << y;
        }
    }
}
