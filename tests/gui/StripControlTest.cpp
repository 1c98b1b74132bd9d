// Image-strip controls: the frame a value shows (read back from the canvas's
// pixels) and how switches, knobs and faders turn the mouse into values.

#include "GuiTestSupport.h"

#include "gui/IKnobMultiControl.h"
#include "gui/ISliderControl.h"
#include "gui/ISwitchControl.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

using namespace guitest;

namespace
{
struct Panel
{
    TestEffect fx;
    TestCanvas canvas{&fx};

    Panel() { canvas.PrepareDrawing(); }
    IImageStrip Strip(int id) { return canvas.LoadImageStrip(id, "strip", ShapeFor(id).frames); }
    template <class C> C* Attach(C* control)
    {
        canvas.AttachControl(control);
        return control;
    }
};

// The frame whose place (i - 1) / (N - 1) on the 0..1 scale is nearest.
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

TEST(StripControl, BitmapAndKnobShowTheFrameNearestToTheirValueInsideTheirBox)
{
    Panel p;
    auto* bitmap = p.Attach(new IBitmapControl(&p.fx, 30, 40, -1, p.Strip(kStrip5Frames)));
    auto* knob = p.Attach(new IKnobMultiControl(&p.fx, 100, 20, -1, p.Strip(kStrip11Frames50High)));
    EXPECT_EQ(bitmap->GetRect(), IBox(30, 40, 38, 48));
    EXPECT_EQ(knob->GetRect(), IBox(100, 20, 120, 70));
    for (double v : {0.0, 0.04, 0.06, 0.13, 0.4, 0.61, 0.94, 0.96, 1.0})
    {
        bitmap->SetValue(v);
        knob->SetValue(v);
        p.canvas.Redraw();
        EXPECT_EQ(FrameShownAt(p.canvas, 30, 40), NearestFrame(5, v)) << v;
        EXPECT_EQ(FrameShownAt(p.canvas, 37, 47), NearestFrame(5, v)) << v;
        EXPECT_EQ(FrameShownAt(p.canvas, 110, 69), NearestFrame(11, v)) << v;
        EXPECT_EQ(p.canvas.Pixel(38, 47), kClearColour);
        EXPECT_EQ(p.canvas.Pixel(37, 48), kClearColour);
    }
    // Values pushed outside 0..1 keep to the first and last frames.
    bitmap->SetValue(-2.0);
    knob->SetValue(7.0);
    p.canvas.Redraw();
    EXPECT_EQ(FrameShownAt(p.canvas, 31, 41), 1);
    EXPECT_EQ(FrameShownAt(p.canvas, 110, 45), 11);
}

TEST(SwitchControl, ZonesPickTheBandClickedAndIgnoreBandEdges)
{
    Panel p;
    auto* sw = p.Attach(new ISwitchControl(&p.fx, 50, 60, -1, p.Strip(kStrip3Frames30High),
                                           ISwitchControl::kVerticalZones));
    ASSERT_EQ(sw->GetRect(), IBox(50, 60, 60, 90));
    const double expected[] = {1.0, 0.0, 0.5, 0.5, 0.5, 0.5};
    const int clicks[] = {25, 5, 15, 0, 10, 20}; // the last three on edges
    for (int i = 0; i < 6; ++i)
    {
        sw->OnMouseDown(55, 60 + clicks[i], Keys(true));
        EXPECT_DOUBLE_EQ(sw->GetValue(), expected[i]) << clicks[i];
    }

    auto* across = p.Attach(new ISwitchControl(&p.fx, 0, 0, -1, p.Strip(kStrip3Frames30Wide),
                                               ISwitchControl::kHorizontalZones));
    ASSERT_EQ(across->GetRect(), IBox(0, 0, 30, 10));
    for (int i = 0; i < 6; ++i)
    {
        across->OnMouseDown(clicks[i], 5, Keys(true));
        EXPECT_DOUBLE_EQ(across->GetValue(), expected[i]) << clicks[i];
    }
}

TEST(SwitchControl, CyclingSwitchStepsThroughItsFramesAndWraps)
{
    Panel p;
    auto* two = p.Attach(new ISwitchControl(&p.fx, 0, 0, kOversampling, p.Strip(kStrip2Frames),
                                            ISwitchControl::kCycle));
    for (double e : {1.0, 0.0, 1.0})
    {
        two->OnMouseDown(1, 1, Keys(true));
        EXPECT_DOUBLE_EQ(two->GetValue(), e);
        EXPECT_DOUBLE_EQ(p.fx.GetParam(kOversampling)->Value(), e);
    }
    auto* three = p.Attach(new ISwitchControl(&p.fx, 100, 0, -1, p.Strip(kStrip3Frames30High), 7));
    for (int frame : {2, 3, 1, 2})
    {
        three->OnMouseDown(101, 1, Keys(true));
        p.canvas.Redraw();
        EXPECT_EQ(FrameShownAt(p.canvas, 105, 15), frame);
    }
}

TEST(KnobControl, FullSweepTakesGearingTimesItsHeightOrTenTimesWithAModifier)
{
    Panel p;
    auto* knob = p.Attach(new IKnobMultiControl(
        &p.fx, 0, 0, kInputGain, p.Strip(kStrip11Frames50High), IKnobMultiControl::kVertical, 4.0));
    // 200 pixels upward in steps of 8 over a 50-pixel knob.
    for (int i = 0; i < 25; ++i)
        knob->OnMouseDrag(5, 100 - 8 * (i + 1), 0, -8, Keys(true));
    EXPECT_NEAR(knob->GetValue(), 1.0, 1e-9);
    EXPECT_NEAR(p.fx.GetParam(kInputGain)->GetNormalized(), 1.0, 1e-9);
    knob->OnMouseDrag(5, 0, 0, 100, Keys(true));
    EXPECT_NEAR(knob->GetValue(), 0.5, 1e-9);

    knob->SetValue(0.0);
    knob->OnMouseDrag(5, 0, 0, -200, Keys(true, false, true));
    EXPECT_NEAR(knob->GetValue(), 0.1, 1e-9);
    knob->OnMouseDrag(5, 0, 0, -1800, Keys(true, false, false, true));
    EXPECT_NEAR(knob->GetValue(), 1.0, 1e-9);

    knob->OnMouseDrag(5, 0, 0, -300, Keys(true));
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    knob->OnMouseDrag(5, 0, 40, 1000, Keys(true));
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);

    // Horizontal: right raises, over gearing x the width.
    auto* across = p.Attach(new IKnobMultiControl(&p.fx, 0, 0, -1, p.Strip(kStrip11Frames50High),
                                                  IKnobMultiControl::kHorizontal, 2.0));
    across->OnMouseDrag(0, 0, 10, -50, Keys(true));
    EXPECT_NEAR(across->GetValue(), 0.25, 1e-12);
}

TEST(SliderControl, HandleCentreFollowsTheMouseAndIsDrawnThere)
{
    Panel p;
    // Travel 100, handle 10 high: span 90, the centre 5 below the handle top.
    auto* fader = p.Attach(new ISliderControl(&p.fx, 40, 20, 100, kOutputGain,
                                              p.Strip(kStripHandle), ISliderControl::kVertical));
    EXPECT_EQ(fader->GetRect(), IBox(40, 20, 52, 120));
    const int ys[] = {25, 115, 70, 52, -300, 900};
    const double values[] = {1.0, 0.0, 0.5, 1.0 - 27.0 / 90.0, 1.0, 0.0};
    for (int i = 0; i < 6; ++i)
    {
        if (i % 2)
            fader->OnMouseDrag(45, ys[i], 0, 0, Keys(true));
        else
            fader->OnMouseDown(45, ys[i], Keys(true));
        EXPECT_DOUBLE_EQ(fader->GetValue(), values[i]) << ys[i];
        EXPECT_NEAR(p.fx.GetParam(kOutputGain)->GetNormalized(), values[i], 1e-12);
        p.canvas.Redraw();
        const int top = 20 + static_cast<int>(90 * (1.0 - values[i]));
        for (int y = 20; y < 120; ++y)
        {
            const int expected = y >= top && y < top + 10 ? 1 : 0;
            EXPECT_EQ(FrameShownAt(p.canvas, 40, y), expected) << values[i] << " " << y;
            EXPECT_EQ(FrameShownAt(p.canvas, 51, y), expected) << values[i] << " " << y;
        }
    }
    fader->OnMouseDown(45, 25, Keys(false, true)); // no prompt, no change
    EXPECT_TRUE(p.canvas.mPrompts.empty());
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.0);

    // Horizontal: travel 60, handle 12 wide, span 48, centre 6 from the left.
    auto* across = p.Attach(new ISliderControl(&p.fx, 10, 150, 60, -1, p.Strip(kStripHandle),
                                               ISliderControl::kHorizontal));
    EXPECT_EQ(across->GetRect(), IBox(10, 150, 70, 160));
    for (auto [x, v] : {std::pair<int, double>{16, 0.0}, {64, 1.0}, {28, 0.25}, {0, 0.0}})
    {
        across->OnMouseDrag(x, 155, 0, 0, Keys(true));
        EXPECT_DOUBLE_EQ(across->GetValue(), v) << x;
    }
}
