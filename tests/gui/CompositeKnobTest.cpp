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
    BraskoKnob* knob;
    int index;

    KnobPanel(int x = 100, int y = 20, int param = kThreshold)
    {
        knob = new BraskoKnob(&fx, x, y, param, kStripKnob, "knob", 10, &canvas);
        index = canvas.AttachControl(knob);
    }
};
} // namespace

TEST(BraskoKnob, AttachesItsKnobThenItsCaptionBeforeItself)
{
    KnobPanel p;
    EXPECT_EQ(p.knob->KnobIndex(), 0);
    EXPECT_EQ(p.knob->CaptionIndex(), 1);
    EXPECT_EQ(p.index, 2);
    EXPECT_EQ(p.canvas.GetControl(0), p.knob->Knob());
    EXPECT_EQ(p.canvas.GetControl(1), p.knob->Caption());

    // The knob shows one 56 x 56 frame at the origin; the caption sits in an
    // 8-pixel band 59 below it; the composite covers both.
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(100, 20, 156, 76));
    EXPECT_EQ(p.knob->Caption()->GetRect(), IBox(100, 79, 156, 87));
    EXPECT_EQ(p.knob->GetRect(), IBox(100, 20, 156, 87));
    EXPECT_EQ(p.knob->GetStrip().frames, 10);
    EXPECT_EQ(p.knob->Knob()->GetStrip().height, 560);

    // Both children follow the knob's parameter; the knob turns with
    // gearing 4, vertically.
    EXPECT_EQ(p.knob->Knob()->ParamIndex(), kThreshold);
    EXPECT_EQ(p.knob->Caption()->ParamIndex(), kThreshold);
    EXPECT_EQ(p.knob->LabelParam(), kThreshold);
    EXPECT_DOUBLE_EQ(p.knob->Knob()->Gearing(), 4.0);
    EXPECT_EQ(p.knob->Knob()->Direction(), IKnobMultiControl::kVertical);
    EXPECT_FALSE(p.knob->GrayFlag());
}

TEST(BraskoKnob, CaptionIsCentredLightGreyArialTwelveWithItsLabel)
{
    KnobPanel p;
    const ITextStyle& s = p.knob->Caption()->GetTextStyle();
    EXPECT_STREQ(s.fontName, "Arial");
    EXPECT_EQ(s.size, 12);
    EXPECT_EQ(s.colour.Packed(), 0xffaaaaaau);
    EXPECT_EQ(s.style, 0);
    EXPECT_EQ(s.alignment, 1);
    EXPECT_TRUE(p.knob->Caption()->ShowsLabel());
}

TEST(BraskoKnob, TakesNoMouseInput)
{
    KnobPanel p;
    EXPECT_TRUE(p.knob->GetTargetRect().IsEmpty());
    EXPECT_FALSE(p.knob->IsHit(110, 30));
    EXPECT_TRUE(p.knob->Knob()->IsHit(110, 30));
}

TEST(BraskoKnob, PluginValuesReachBothChildren)
{
    KnobPanel p;
    p.canvas.SetParameterFromPlugin(kThreshold, 0.25, true);
    EXPECT_DOUBLE_EQ(p.knob->LastValue(), 0.25);
    EXPECT_DOUBLE_EQ(p.knob->Knob()->GetValue(), 0.25);
    EXPECT_DOUBLE_EQ(p.knob->Caption()->GetValue(), 0.25);
    // ...and became their default.
    EXPECT_DOUBLE_EQ(p.knob->Knob()->GetDefaultValue(), 0.25);
}

TEST(BraskoKnob, GrayingIsPassedOnByTheDrawTurnOnly)
{
    KnobPanel p;
    p.canvas.GrayOutControl(p.index, true);
    EXPECT_TRUE(p.knob->GrayFlag());
    EXPECT_FALSE(p.knob->Knob()->IsGrayed());
    EXPECT_FALSE(p.knob->Caption()->IsGrayed());

    p.knob->Draw(&p.canvas);
    EXPECT_TRUE(p.knob->Knob()->IsGrayed());
    EXPECT_TRUE(p.knob->Caption()->IsGrayed());
    EXPECT_FLOAT_EQ(p.knob->Knob()->GetBlend().weight, 0.25f);

    p.canvas.GrayOutControl(p.index, false);
    p.knob->Draw(&p.canvas);
    EXPECT_FALSE(p.knob->Knob()->IsGrayed());
    EXPECT_FALSE(p.knob->Caption()->IsGrayed());
}

TEST(BraskoKnob, PlacedElsewhereItsChildrenFollowOnItsDrawTurn)
{
    KnobPanel p;
    p.knob->PlaceAt(10, 120);
    EXPECT_EQ(p.knob->GetRect(), IBox(10, 120, 66, 187));
    EXPECT_EQ(p.knob->OriginX(), 10);
    EXPECT_EQ(p.knob->OriginY(), 120);
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(100, 20, 156, 76));

    p.knob->Draw(&p.canvas);
    EXPECT_EQ(p.knob->Knob()->GetRect(), IBox(10, 120, 66, 176));
    EXPECT_EQ(p.knob->Caption()->GetRect(), IBox(10, 179, 66, 187));
    EXPECT_TRUE(p.knob->Knob()->IsHit(10, 120));
}

TEST(BraskoKnob, DrawTurnSetsBothChildrenToTheParameter)
{
    KnobPanel p;
    p.fx.GetParam(kThreshold)->SetValue(-15.0); // shape 2 over -60..0: (45/60)^(1/2)
    const double expected = std::sqrt(45.0 / 60.0);
    EXPECT_TRUE(p.knob->Draw(&p.canvas));
    EXPECT_NEAR(p.knob->Knob()->GetValue(), expected, 1e-12);
    EXPECT_NEAR(p.knob->Caption()->GetValue(), expected, 1e-12);
    EXPECT_TRUE(p.knob->Knob()->IsDirty());
}

TEST(ParamText, ShowsTheDisplayTextThenASpaceAndTheLabel)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    canvas.PrepareDrawing();
    auto* gain = new IParamText(&fx, IBox(0, 0, 56, 8), kInputGain, ITextStyle(), true);
    auto* bare = new IParamText(&fx, IBox(0, 10, 56, 18), kInputGain, ITextStyle(), false);
    auto* model = new IParamText(&fx, IBox(0, 20, 56, 28), kModelType, ITextStyle(), true);
    auto* ratio = new IParamText(&fx, IBox(0, 30, 56, 38), kRatio, ITextStyle(), true);
    auto* oversampling =
        new IParamText(&fx, IBox(0, 40, 56, 48), kOversampling, ITextStyle(), true);
    for (IControl* c :
         {static_cast<IControl*>(gain), static_cast<IControl*>(bare), static_cast<IControl*>(model),
          static_cast<IControl*>(ratio), static_cast<IControl*>(oversampling)})
        canvas.AttachControl(c);

    fx.GetParam(kInputGain)->SetValue(-12.5);
    fx.GetParam(kModelType)->SetValue(1.0);
    fx.GetParam(kRatio)->SetValue(4.9);
    fx.GetParam(kOversampling)->SetValue(0.0);
    // Each drawn on its own: the text is composed whether or not a font can
    // be opened on this machine.
    for (int i = 0; i < canvas.NControls(); ++i)
        canvas.GetControl(i)->Draw(&canvas);

    EXPECT_EQ(gain->GetText(), "-12.5 dB");
    EXPECT_EQ(bare->GetText(), "-12.5");
    // A display text replaces number and label; the space stays.
    EXPECT_EQ(model->GetText(), "FET ");
    // Whole steps show the truncated number; the label brings its own
    // leading space.
    EXPECT_EQ(ratio->GetText(), "4  : 1");
    EXPECT_EQ(oversampling->GetText(), "off ");
}

TEST(TextControl, KeepsItsOwnCopiesOfTextAndStyle)
{
    TestEffect fx;
    char source[] = "v1.2.5";
    ITextStyle style;
    style.size = 9;
    style.colour = IArgb(255, 1, 2, 3);
    ITextControl text(&fx, IBox(0, 0, 40, 10), style, source);
    source[0] = 'x';
    style.size = 20;
    EXPECT_EQ(text.GetText(), "v1.2.5");
    EXPECT_EQ(text.GetTextStyle().size, 9);
    EXPECT_EQ(text.GetTextStyle().colour.Packed(), 0xff010203u);
    EXPECT_EQ(text.ParamIndex(), -1);
}
