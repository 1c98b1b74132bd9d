// The value life of every control: what the plug-in pushes, what the user's
// wheel and double click do, the clamp, the hand-over to the plug-in, and the
// value prompt's placement.

#include "GuiTestSupport.h"

#include "gui/IKnobMultiControl.h"
#include "gui/IParamText.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace
{
// A base control over a box, attached to a canvas so that it can prompt.
struct Fixture
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    IControl* control;

    explicit Fixture(int paramIndex = kInputGain)
    {
        control = new IControl(&fx, IBox(40, 40, 60, 60), paramIndex);
        canvas.AttachControl(control);
    }
};
} // namespace

TEST(ControlValue, FirstPluginValueBecomesTheDefaultWithoutARedraw)
{
    Fixture f;
    EXPECT_DOUBLE_EQ(f.control->GetDefaultValue(), -1.0);
    f.control->SetClean(); // a new control starts dirty
    ASSERT_FALSE(f.control->IsDirty());

    f.control->SetValueFromPlugin(0.3);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.3);
    EXPECT_DOUBLE_EQ(f.control->GetDefaultValue(), 0.3);
    EXPECT_FALSE(f.control->IsDirty());

    // Later values change the value only, and are drawn on two passes: the
    // one that finds the control dirty and the one its redraw request asks
    // for.
    f.control->SetValueFromPlugin(0.7);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.7);
    EXPECT_DOUBLE_EQ(f.control->GetDefaultValue(), 0.3);
    EXPECT_TRUE(f.control->IsDirty());
    f.control->SetClean();
    EXPECT_TRUE(f.control->IsDirty());
    f.control->SetClean();
    EXPECT_FALSE(f.control->IsDirty());

    // The same value again is no change.
    f.control->SetValueFromPlugin(0.7);
    EXPECT_FALSE(f.control->IsDirty());
}

TEST(ControlValue, FirstPluginValueIsStoredAsGivenLaterOnesAreClamped)
{
    Fixture f;
    f.control->SetValueFromPlugin(1.5);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 1.5);
    f.control->SetValueFromPlugin(-0.5);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.0);
    EXPECT_TRUE(f.fx.mHost.empty());
}

TEST(ControlValue, DoubleClickRestoresTheCapturedDefaultOnly)
{
    Fixture f;
    f.control->SetValue(0.8);
    f.control->OnMouseDoubleClick(50, 50, LeftButton());
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.8);
    EXPECT_TRUE(f.fx.mHost.empty());

    f.control->SetValueFromPlugin(0.25);
    f.control->SetValue(0.9);
    f.control->OnMouseDoubleClick(50, 50, LeftButton());
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.25);
    // Handed to the plug-in: the parameter moved and the host was told.
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.25, 1e-12);
    ASSERT_FALSE(f.fx.mHost.empty());
    EXPECT_EQ(f.fx.mHost.back().mWhat, "automate");
    EXPECT_EQ(f.fx.mHost.back().mIdx, kInputGain);
}

TEST(ControlValue, WheelNotchesStepByAHundredthOrAThousandthWithAModifierAndClamp)
{
    Fixture f;
    f.control->SetValue(0.5);
    f.control->OnMouseWheel(50, 50, MouseKeys(), 3);
    EXPECT_NEAR(f.control->GetValue(), 0.53, 1e-12);
    f.control->OnMouseWheel(50, 50, WithShift(MouseKeys()), 3);
    EXPECT_NEAR(f.control->GetValue(), 0.533, 1e-12);
    f.control->OnMouseWheel(50, 50, WithControl(MouseKeys()), -3);
    EXPECT_NEAR(f.control->GetValue(), 0.53, 1e-12);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.53, 1e-12);

    f.control->SetValue(0.99);
    f.control->OnMouseWheel(50, 50, MouseKeys(), 3);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 1.0);
    f.control->OnMouseWheel(50, 50, MouseKeys(), -500);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.0);
}

TEST(ControlValue, PushingToThePluginClampsToTheControlsRange)
{
    Fixture f;
    f.control->SetClamp(0.2, 0.6);
    f.control->SetValueFromUser(0.9);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.6);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.6, 1e-12);
    f.control->SetValueFromUser(-3.0);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.2);
    // Marking dirty without a push clamps too, but tells nobody.
    const size_t told = f.fx.mHost.size();
    f.control->SetValue(5.0);
    f.control->SetDirty(false);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.6);
    EXPECT_EQ(f.fx.mHost.size(), told);
}

TEST(ControlValue, UnboundControlChangesWithoutTellingThePlugin)
{
    Fixture f(-1);
    f.control->OnMouseWheel(50, 50, MouseKeys(), 10);
    EXPECT_NEAR(f.control->GetValue(), 0.1, 1e-12);
    EXPECT_TRUE(f.fx.mHost.empty());
}

TEST(ControlValue, HitBoxIncludesLeftAndTopEdgesOnly)
{
    Fixture f;
    EXPECT_TRUE(f.control->IsHit(40, 40));
    EXPECT_TRUE(f.control->IsHit(59, 59));
    EXPECT_FALSE(f.control->IsHit(60, 50));
    EXPECT_FALSE(f.control->IsHit(50, 60));
    EXPECT_FALSE(f.control->IsHit(39, 50));

    IControl empty(&f.fx, IBox());
    EXPECT_FALSE(empty.IsHit(0, 0));
}

TEST(ControlValue, HiddenAndGrayedControlsDrawFadedAndAreMarkedDirty)
{
    Fixture f;
    f.control->SetClean();
    f.control->GrayOut(true);
    EXPECT_TRUE(f.control->IsGrayed());
    EXPECT_FLOAT_EQ(f.control->GetBlend().weight, 0.25f);
    EXPECT_TRUE(f.control->IsDirty());
    f.control->GrayOut(false);
    EXPECT_FLOAT_EQ(f.control->GetBlend().weight, 1.0f);
    f.control->Hide(true);
    EXPECT_TRUE(f.control->IsHidden());
    EXPECT_FLOAT_EQ(f.control->GetBlend().weight, 0.0f);
    f.control->Hide(false);
    EXPECT_FLOAT_EQ(f.control->GetBlend().weight, 1.0f);
}

TEST(ControlValue, MoveKeepsSizeAndHitBoxFollows)
{
    Fixture f;
    f.control->MoveTo(100, 7);
    EXPECT_EQ(f.control->GetRect(), IBox(100, 7, 120, 27));
    EXPECT_EQ(f.control->GetTargetRect(), IBox(100, 7, 120, 27));
    f.control->Resize(5, 6);
    EXPECT_EQ(f.control->GetRect(), IBox(100, 7, 105, 13));
    EXPECT_TRUE(f.control->IsHit(104, 12));
    EXPECT_FALSE(f.control->IsHit(105, 12));
}

TEST(ControlPrompt, NumberEntryIsA30By16BoxCentredOnTheControl)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    fx.GetParam(kInputGain)->SetValue(-12.5);
    auto* text = new IParamText(&fx, IBox(101, 50, 156, 58), kInputGain, ITextStyle(), true);
    canvas.AttachControl(text);

    text->OnMouseDown(110, 52, RightButton());
    ASSERT_EQ(canvas.mPrompts.size(), 1u);
    // cx = int((101 + 156) / 2) = 128, cy = 54.
    EXPECT_EQ(canvas.mPrompts[0].box, IBox(113, 46, 143, 62));
    EXPECT_FALSE(canvas.mPrompts[0].menu);
    EXPECT_EQ(canvas.mPrompts[0].control, text);
    EXPECT_EQ(canvas.mPrompts[0].param, fx.GetParam(kInputGain));
    EXPECT_EQ(canvas.mPrompts[0].initialText, "-12.5");

    // A left click and a double click prompt too.
    text->OnMouseDown(110, 52, LeftButton());
    text->OnMouseDoubleClick(110, 52, LeftButton());
    EXPECT_EQ(canvas.mPrompts.size(), 3u);
}

TEST(ControlPrompt, ParameterWithDisplayTextsIsPickedOverTheWholeControl)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    auto* text = new IParamText(&fx, IBox(10, 20, 70, 32), kModelType, ITextStyle(), false);
    canvas.AttachControl(text);
    text->OnMouseDown(11, 21, RightButton());
    ASSERT_EQ(canvas.mPrompts.size(), 1u);
    EXPECT_TRUE(canvas.mPrompts[0].menu);
    EXPECT_EQ(canvas.mPrompts[0].box, IBox(10, 20, 70, 32));
}

TEST(ControlPrompt, ControlsWithPromptingDisabledOrNoParameterNeverPrompt)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    // A plain control starts with prompting disabled.
    auto* plain = new IControl(&fx, IBox(0, 0, 10, 10), kInputGain);
    canvas.AttachControl(plain);
    plain->OnMouseDown(1, 1, RightButton());
    // A caption without a parameter has nothing to prompt for.
    auto* unbound = new IParamText(&fx, IBox(0, 20, 10, 30), -1, ITextStyle(), true);
    canvas.AttachControl(unbound);
    unbound->OnMouseDown(1, 21, RightButton());
    EXPECT_TRUE(canvas.mPrompts.empty());

    plain->SetPromptDisabled(false);
    plain->OnMouseDown(1, 1, RightButton());
    EXPECT_EQ(canvas.mPrompts.size(), 1u);
}
