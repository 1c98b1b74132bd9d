// The panel's composite knob and the value captions it carries.

#include "GuiTestSupport.h"

#include "gui/BraskoKnob.h"
#include "gui/IKnobMultiControl.h"
#include "gui/IParamText.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace guitest;

namespace
{
struct KnobPanel
{
    TestEffect fx;
    TestCanvas canvas{&fx};
    BraskoKnob* knob = new BraskoKnob(&fx, 100, 20, kThreshold, kStripKnob, "knob", 10, &canvas);
    int index = canvas.AttachControl(knob);
};
} // namespace

TEST(BraskoKnob, AttachesItsKnobThenItsCaptionBeforeItselfAndTakesNoMouse)
{
    KnobPanel p;
    EXPECT_EQ(p.knob->KnobIndex(), 0);
    EXPECT_EQ(p.knob->CaptionIndex(), 1);
    EXPECT_EQ(p.index, 2);
    EXPECT_EQ(p.canvas.GetControl(0), p.knob->Knob());
    EXPECT_EQ(p.canvas.GetControl(1), p.knob->Caption());
    // One 56 x 56 knob frame at the origin, the caption's 8-pixel band 59
    // below it, the composite over both.
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(100, 20, 156, 76));
    EXPECT_EQ(p.knob->Caption()->GetRect(), IBox(100, 79, 156, 87));
    EXPECT_EQ(p.knob->GetRect(), IBox(100, 20, 156, 87));
    EXPECT_FALSE(p.knob->IsHit(110, 30));
    EXPECT_TRUE(p.knob->Knob()->IsHit(110, 30));

    EXPECT_EQ(p.knob->Knob()->ParamIndex(), kThreshold);
    EXPECT_EQ(p.knob->Caption()->ParamIndex(), kThreshold);
    EXPECT_DOUBLE_EQ(p.knob->Knob()->Gearing(), 4.0);
    EXPECT_EQ(p.knob->Knob()->Direction(), IKnobMultiControl::kVertical);
    EXPECT_EQ(p.knob->Knob()->GetStrip().frames, 10);
    const ITextStyle& s = p.knob->Caption()->GetTextStyle();
    EXPECT_STREQ(s.fontName, "Arial");
    EXPECT_EQ(s.size, 12);
    EXPECT_EQ(s.colour.Packed(), 0xffaaaaaau);
    EXPECT_EQ(s.alignment, 1);
    EXPECT_TRUE(p.knob->Caption()->ShowsLabel());
}

TEST(BraskoKnob, PluginValuesReachBothChildren)
{
    KnobPanel p;
    p.canvas.SetParameterFromPlugin(kThreshold, 0.25, true);
    EXPECT_DOUBLE_EQ(p.knob->LastValue(), 0.25);
    EXPECT_DOUBLE_EQ(p.knob->Knob()->GetValue(), 0.25);
    EXPECT_DOUBLE_EQ(p.knob->Caption()->GetValue(), 0.25);
    EXPECT_DOUBLE_EQ(p.knob->Knob()->GetDefaultValue(), 0.25);
}

TEST(BraskoKnob, ItsDrawTurnPassesGrayPositionAndParameterValueToTheChildren)
{
    KnobPanel p;
    p.canvas.GrayOutControl(p.index, true);
    p.knob->PlaceAt(10, 120);
    p.fx.GetParam(kThreshold)->SetValue(-15.0); // shape 2 over -60..0
    EXPECT_TRUE(p.knob->GrayFlag());
    EXPECT_FALSE(p.knob->Knob()->IsGrayed());
    EXPECT_EQ(p.knob->GetRect(), IBox(10, 120, 66, 187));
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(100, 20, 156, 76));

    EXPECT_TRUE(p.knob->Draw(&p.canvas));
    for (IControl* child :
         {static_cast<IControl*>(p.knob->Knob()), static_cast<IControl*>(p.knob->Caption())})
    {
        EXPECT_TRUE(child->IsGrayed());
        EXPECT_FLOAT_EQ(child->GetBlend().weight, 0.25f);
        EXPECT_NEAR(child->GetValue(), std::sqrt(45.0 / 60.0), 1e-12);
        EXPECT_TRUE(child->IsDirty());
    }
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(10, 120, 66, 176));
    EXPECT_EQ(p.knob->Caption()->GetRect(), IBox(10, 179, 66, 187));

    p.canvas.GrayOutControl(p.index, false);
    p.knob->Draw(&p.canvas);
    EXPECT_FALSE(p.knob->Knob()->IsGrayed());
    EXPECT_FALSE(p.knob->Caption()->IsGrayed());
}

TEST(ParamText, ShowsTheDisplayTextThenASpaceAndTheLabel)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    canvas.PrepareDrawing();
    const struct
    {
        int param;
        double value;
        bool label;
        const char* text;
    } cases[] = {
        {kInputGain, -12.5, true, "-12.5 dB"}, {kInputGain, -12.5, false, "-12.5"},
        {kModelType, 1.0, true, "FET "}, // a display text leaves the label out
        {kRatio, 4.9, true, "4 : 1"},    // whole steps truncate; the label has its own space
        {kOversampling, 0.0, true, "off "},
    };
    for (const auto& c : cases)
    {
        fx.GetParam(c.param)->SetValue(c.value);
        auto* text = new IParamText(&fx, IBox(0, 0, 56, 8), c.param, ITextStyle(), c.label);
        canvas.AttachControl(text);
        // Drawn on its own: the text is composed whether or not this machine
        // can open a font.
        text->Draw(&canvas);
        EXPECT_EQ(text->GetText(), c.text);
    }
}
