// The value life every control shares: plug-in pushes and the captured
// default, wheel and double click, the clamp, the hand-over to the plug-in,
// and where the value prompt opens.

#include "GuiTestSupport.h"

#include "gui/IParamText.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace
{
struct Fixture
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    IControl* control = new IControl(&fx, IBox(40, 40, 60, 60), kInputGain);

    Fixture() { canvas.AttachControl(control); }
};
} // namespace

TEST(ControlValue, FirstPluginValueBecomesTheDefaultLaterOnesAreDrawnTwice)
{
    Fixture f;
    f.control->SetClean(); // a new control starts dirty
    ASSERT_FALSE(f.control->IsDirty());
    f.control->SetValueFromPlugin(1.5);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 1.5); // stored as given
    EXPECT_DOUBLE_EQ(f.control->GetDefaultValue(), 1.5);
    EXPECT_FALSE(f.control->IsDirty());

    // Later values are clamped and drawn on the pass that finds the control
    // dirty and on the one its redraw request asks for.
    f.control->SetValueFromPlugin(-0.5);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.0);
    EXPECT_DOUBLE_EQ(f.control->GetDefaultValue(), 1.5);
    EXPECT_TRUE(f.control->IsDirty());
    f.control->SetClean();
    EXPECT_TRUE(f.control->IsDirty());
    f.control->SetClean();
    EXPECT_FALSE(f.control->IsDirty());
    f.control->SetValueFromPlugin(0.0); // no change
    EXPECT_FALSE(f.control->IsDirty());
    EXPECT_TRUE(f.fx.mHost.empty());
}

TEST(ControlValue, DoubleClickRestoresTheCapturedDefaultOnly)
{
    Fixture f;
    f.control->SetValue(0.8);
    f.control->OnMouseDoubleClick(50, 50, Keys(true));
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.8);
    EXPECT_TRUE(f.fx.mHost.empty());

    f.control->SetValueFromPlugin(0.25);
    f.control->SetValue(0.9);
    f.control->OnMouseDoubleClick(50, 50, Keys(true));
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.25);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.25, 1e-12);
    ASSERT_EQ(f.fx.mHost.size(), 1u);
    EXPECT_EQ(f.fx.mHost[0].mWhat, "automate");
    EXPECT_EQ(f.fx.mHost[0].mIdx, kInputGain);
}

TEST(ControlValue, WheelNotchesStepByAHundredthOrAThousandthWithAModifierAndClamp)
{
    Fixture f;
    f.control->SetValue(0.5);
    f.control->OnMouseWheel(50, 50, Keys(false), 3);
    EXPECT_NEAR(f.control->GetValue(), 0.53, 1e-12);
    f.control->OnMouseWheel(50, 50, Keys(false, false, true), 3);
    EXPECT_NEAR(f.control->GetValue(), 0.533, 1e-12);
    f.control->OnMouseWheel(50, 50, Keys(false, false, false, true), -3);
    EXPECT_NEAR(f.control->GetValue(), 0.53, 1e-12);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.53, 1e-12);

    f.control->SetValue(0.99);
    f.control->OnMouseWheel(50, 50, Keys(false), 3);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 1.0);
    f.control->OnMouseWheel(50, 50, Keys(false), -500);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.0);
}

TEST(ControlValue, UserValuesAreClampedToTheControlsRangeBeforeThePluginSeesThem)
{
    Fixture f;
    f.control->SetClamp(0.2, 0.6);
    f.control->SetValueFromUser(0.9);
    EXPECT_DOUBLE_EQ(f.control->GetValue(), 0.6);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.6, 1e-12);
    f.control->SetValueFromUser(-3.0);
    EXPECT_NEAR(f.fx.GetParam(kInputGain)->GetNormalized(), 0.2, 1e-12);
}

TEST(ControlPrompt, NumbersAreTypedIntoA30By16BoxCentredOnTheControl)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    fx.GetParam(kInputGain)->SetValue(-12.5);
    auto* text = new IParamText(&fx, IBox(101, 50, 156, 58), kInputGain, ITextStyle(), true);
    canvas.AttachControl(text);
    text->OnMouseDown(110, 52, Keys(false, true));
    ASSERT_EQ(canvas.mPrompts.size(), 1u);
    // cx = int((101 + 156) / 2) = 128, cy = 54.
    EXPECT_EQ(canvas.mPrompts[0].box, IBox(113, 46, 143, 62));
    EXPECT_FALSE(canvas.mPrompts[0].menu);
    EXPECT_EQ(canvas.mPrompts[0].control, text);
    EXPECT_EQ(canvas.mPrompts[0].initialText, "-12.5");
    // A left click and a double click prompt too.
    text->OnMouseDown(110, 52, Keys(true));
    text->OnMouseDoubleClick(110, 52, Keys(true));
    EXPECT_EQ(canvas.mPrompts.size(), 3u);
}

TEST(ControlPrompt, ChoicesArePickedOverTheWholeControlAndOnlyWhereEnabled)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    auto* model = new IParamText(&fx, IBox(10, 20, 70, 32), kModelType, ITextStyle(), false);
    auto* unbound = new IParamText(&fx, IBox(0, 40, 10, 50), -1, ITextStyle(), true);
    auto* plain = new IControl(&fx, IBox(0, 0, 10, 10), kInputGain); // prompting disabled
    for (IControl* c : {static_cast<IControl*>(model), static_cast<IControl*>(unbound), plain})
        canvas.AttachControl(c);

    model->OnMouseDown(11, 21, Keys(false, true));
    unbound->OnMouseDown(1, 41, Keys(false, true));
    plain->OnMouseDown(1, 1, Keys(false, true));
    ASSERT_EQ(canvas.mPrompts.size(), 1u);
    EXPECT_TRUE(canvas.mPrompts[0].menu);
    EXPECT_EQ(canvas.mPrompts[0].box, IBox(10, 20, 70, 32));
}
