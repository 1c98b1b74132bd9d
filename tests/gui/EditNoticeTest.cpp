// What the host hears of the editor through the real VST binding: one
// begin-edit (43) and end-edit (44) per gesture on a bound control, the
// parameter values pushed into the controls, and values chosen in the editor
// reaching the plug-in and the host.

#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace canvas_test;

namespace
{
const MouseKeys kLeft{1, 0, 0, 0, 0};

// The requests the host received since the last call, without the idle ones.
std::vector<HostRequest> TakeRequests()
{
    std::vector<HostRequest> out = HostRequests();
    HostRequests().clear();
    return out;
}

struct Editor
{
    Editor()
    {
        fx = std::make_unique<EditProbe>();
        canvas = new TestCanvas(fx.get());
        background = new ProbeControl(IBox(0, 0, 64, 48));
        gain = new ProbeControl(IBox(10, 10, 20, 20), 0xff000000u, 0, fx.get());
        mode = new ProbeControl(IBox(30, 10, 40, 20), 0xff000000u, 1, fx.get());
        canvas->AttachControl(background);
        canvas->AttachControl(gain);
        canvas->AttachControl(mode);
        fx->AttachGraphics(canvas);
        TakeRequests();
    }
    std::unique_ptr<EditProbe> fx;
    TestCanvas* canvas; // owned by fx
    ProbeControl* background;
    ProbeControl* gain;
    ProbeControl* mode;
};
} // namespace

TEST(EditNotices, APressAndReleaseOnABoundControlReachTheHostAsBeginAndEndEdit)
{
    Editor e;
    e.canvas->OnMouseDown(32, 12, kLeft);
    std::vector<HostRequest> r = TakeRequests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].opcode, 43);
    EXPECT_EQ(r[0].index, 1);

    e.canvas->OnMouseDrag(33, 14, kLeft);
    EXPECT_TRUE(TakeRequests().empty());

    e.canvas->OnMouseUp(50, 40, kLeft); // released away from the control
    r = TakeRequests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].opcode, 44);
    EXPECT_EQ(r[0].index, 1);
}

TEST(EditNotices, ControlsWithoutParameterSendNoNotice)
{
    Editor e;
    e.canvas->OnMouseDown(50, 40, kLeft);
    e.canvas->OnMouseUp(50, 40, kLeft);
    EXPECT_TRUE(TakeRequests().empty());
    EXPECT_EQ(e.background->events.size(), 2u);
}

TEST(EditNotices, EveryEndEditAnswersABeginEditOfTheSameParameter)
{
    Editor e;
    e.gain->SetDrawDoubleClickAsSingle(true);
    // A double click taken as a press begins no gesture, so its release ends
    // none.
    EXPECT_TRUE(e.canvas->OnMouseDoubleClick(12, 12, kLeft));
    e.canvas->OnMouseUp(12, 12, kLeft);
    EXPECT_TRUE(TakeRequests().empty());

    // Pressed outside every bound control, released over one: nothing.
    e.canvas->OnMouseDown(50, 40, kLeft);
    e.canvas->OnMouseUp(12, 12, kLeft);
    EXPECT_TRUE(TakeRequests().empty());

    // A press whose release never came is closed by the next press, and a
    // lone second release ends nothing.
    e.canvas->OnMouseDown(12, 12, kLeft);
    e.canvas->OnMouseDown(32, 12, kLeft);
    e.canvas->OnMouseUp(32, 12, kLeft);
    e.canvas->OnMouseUp(32, 12, kLeft);
    const std::vector<HostRequest> r = TakeRequests();
    ASSERT_EQ(r.size(), 4u);
    const int expected[4][2] = {{43, 0}, {44, 0}, {43, 1}, {44, 1}};
    for (size_t i = 0; i < r.size(); ++i)
    {
        EXPECT_EQ(r[i].opcode, expected[i][0]) << i;
        EXPECT_EQ(r[i].index, expected[i][1]) << i;
    }
}

TEST(EditNotices, AttachingTheCanvasPushesEveryParameterIntoItsControls)
{
    Editor e;
    // Gain 0 dB on -10..10 is 0.5; Mode 1 of 0..2 is 0.5.
    EXPECT_DOUBLE_EQ(e.gain->GetValue(), 0.5);
    EXPECT_DOUBLE_EQ(e.mode->GetValue(), 0.5);
    ASSERT_NE(e.canvas->GetDrawBitmap(), nullptr);
    EXPECT_EQ(e.canvas->GetDrawBitmap()->Width(), 64);
    EXPECT_EQ(e.canvas->GetDrawBitmap()->Height(), 48);
}

TEST(EditNotices, PlainValuesFromThePlugInAreNormalisedThroughTheParameter)
{
    Editor e;
    e.canvas->SetParameterFromPlugin(0, 5.0, false); // 5 dB of -10..10
    EXPECT_DOUBLE_EQ(e.gain->GetValue(), 0.75);
    e.canvas->SetParameterFromPlugin(0, 0.125, true);
    EXPECT_DOUBLE_EQ(e.gain->GetValue(), 0.125);
    EXPECT_DOUBLE_EQ(e.mode->GetValue(), 0.5); // bound to another parameter
    // No such parameter: nothing to normalise through, nothing changes.
    e.canvas->SetParameterFromPlugin(7, 3.0, false);
    EXPECT_DOUBLE_EQ(e.gain->GetValue(), 0.125);

    // The base's refresh sends plain values.
    e.fx->GetParam(1)->SetValue(2.0);
    e.fx->RedrawParamControls();
    EXPECT_DOUBLE_EQ(e.mode->GetValue(), 1.0);
}

TEST(EditNotices, AValueChosenInTheMenuReachesThePlugInAndTheHost)
{
    Editor e;
    e.canvas->menuChoice = 2;
    e.canvas->PromptForValue(e.mode, e.fx->GetParam(1), &e.mode->GetRect());
    EXPECT_DOUBLE_EQ(e.fx->GetParam(1)->Value(), 2.0);
    EXPECT_DOUBLE_EQ(e.mode->GetValue(), 1.0);
    const std::vector<HostRequest> r = TakeRequests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].opcode, 0); // automate
    EXPECT_EQ(r[0].index, 1);
    EXPECT_FLOAT_EQ(r[0].opt, 1.0f);
}
