// The value prompt: a menu of display texts for enumerations and booleans,
// with exactly the current text checked, the chosen item pushed as a value;
// a text entry with the bare number otherwise.

#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace canvas_test;

namespace
{
struct Prompt
{
    Prompt()
    {
        fx = std::make_unique<EditProbe>();
        canvas = new TestCanvas(fx.get());
        control = new ProbeControl(IBox(10, 10, 30, 20), 0xff000000u, 1, fx.get());
        canvas->AttachControl(control);
        fx->AttachGraphics(canvas);
        HostRequests().clear();
    }
    std::vector<std::string> Texts(const IMenu& m) const
    {
        std::vector<std::string> out;
        for (const IMenuItem& item : m.items)
            out.push_back(item.text);
        return out;
    }
    std::vector<int> Flags(const IMenu& m) const
    {
        std::vector<int> out;
        for (const IMenuItem& item : m.items)
            out.push_back(item.flags);
        return out;
    }
    std::unique_ptr<EditProbe> fx;
    TestCanvas* canvas; // owned by fx
    ProbeControl* control;
};
} // namespace

TEST(Prompt, AnEnumerationOffersItsTextsWithTheCurrentOneChecked)
{
    Prompt p;
    const IBox box(1, 2, 3, 4);
    p.canvas->PromptForValue(p.control, p.fx->GetParam(1), &box);
    ASSERT_EQ(p.canvas->shownMenus.size(), 1u);
    const IMenu& m = p.canvas->shownMenus[0];
    EXPECT_EQ(m.prefix, 0);
    EXPECT_EQ(m.chosen, -1);
    EXPECT_EQ(p.Texts(m), (std::vector<std::string>{"VCA", "FET", "Opto"}));
    EXPECT_EQ(p.Flags(m), (std::vector<int>{0, IMenuItem::kChecked, 0}));
    EXPECT_EQ(p.canvas->menuBoxes[0], box);
    EXPECT_TRUE(p.canvas->entries.empty());
}

TEST(Prompt, OnlyAnExactTextMatchIsChecked)
{
    Prompt p;
    // Texts that differ in case or are a prefix of the current text do not count.
    IParameter odd;
    odd.InitEnum("Odd", 0, 4);
    odd.SetDisplayText(0, "Fast");
    odd.SetDisplayText(1, "fast");
    odd.SetDisplayText(2, "Fas");
    odd.SetDisplayText(3, "Fast ");
    odd.SetValue(0);
    const IBox box(0, 0, 1, 1);
    p.canvas->PromptForValue(p.control, &odd, &box);
    ASSERT_EQ(p.canvas->shownMenus.size(), 1u);
    EXPECT_EQ(p.Flags(p.canvas->shownMenus[0]), (std::vector<int>{IMenuItem::kChecked, 0, 0, 0}));

    // A value without a text of its own: nothing is checked.
    IParameter partial;
    partial.InitEnum("Partial", 0, 3);
    partial.SetDisplayText(0, "A");
    partial.SetDisplayText(1, "B");
    partial.SetValue(2.0);
    p.canvas->PromptForValue(p.control, &partial, &box);
    ASSERT_EQ(p.canvas->shownMenus.size(), 2u);
    EXPECT_EQ(p.Flags(p.canvas->shownMenus[1]), (std::vector<int>{0, 0}));
}

TEST(Prompt, ABooleanWithTextsIsAMenuToo)
{
    Prompt p;
    p.fx->GetParam(2)->SetValue(1.0);
    const IBox box(0, 0, 1, 1);
    p.canvas->menuChoice = 0;
    p.canvas->PromptForValue(p.control, p.fx->GetParam(2), &box);
    ASSERT_EQ(p.canvas->shownMenus.size(), 1u);
    EXPECT_EQ(p.Texts(p.canvas->shownMenus[0]), (std::vector<std::string>{"off", "on"}));
    EXPECT_EQ(p.Flags(p.canvas->shownMenus[0]), (std::vector<int>{0, IMenuItem::kChecked}));
    // The chosen index goes through the prompted parameter's range to the
    // control, which pushes it to its own parameter.
    EXPECT_DOUBLE_EQ(p.control->GetValue(), 0.0);
}

TEST(Prompt, TheChosenItemBecomesTheValueAndADismissedMenuChangesNothing)
{
    Prompt p;
    const IBox box(0, 0, 1, 1);
    p.canvas->menuChoice = -1;
    p.canvas->PromptForValue(p.control, p.fx->GetParam(1), &box);
    EXPECT_DOUBLE_EQ(p.fx->GetParam(1)->Value(), 1.0);
    EXPECT_DOUBLE_EQ(p.control->GetValue(), 0.5);
    EXPECT_TRUE(HostRequests().empty());

    p.canvas->menuChoice = 0;
    p.canvas->PromptForValue(p.control, p.fx->GetParam(1), &box);
    EXPECT_DOUBLE_EQ(p.fx->GetParam(1)->Value(), 0.0);
    EXPECT_DOUBLE_EQ(p.control->GetValue(), 0.0);

    // An index the menu never had is ignored.
    p.canvas->menuChoice = 3;
    p.canvas->PromptForValue(p.control, p.fx->GetParam(1), &box);
    EXPECT_DOUBLE_EQ(p.fx->GetParam(1)->Value(), 0.0);
}

TEST(Prompt, AContinuousParameterOpensATextEntryWithTheBareNumber)
{
    Prompt p;
    p.fx->GetParam(0)->SetValue(-2.5);
    p.control->TextStyle().size = 17;
    const IBox box(5, 6, 35, 22);
    p.canvas->PromptForValue(p.control, p.fx->GetParam(0), &box);
    EXPECT_TRUE(p.canvas->shownMenus.empty());
    ASSERT_EQ(p.canvas->entries.size(), 1u);
    const TestCanvas::Entry& e = p.canvas->entries[0];
    EXPECT_EQ(e.control, p.control);
    EXPECT_EQ(e.style.size, 17);
    EXPECT_EQ(e.box, box);
    EXPECT_EQ(e.text, "-2.5");
    EXPECT_EQ(e.param, p.fx->GetParam(0));
}

TEST(Prompt, NothingHappensWithoutControlParameterOrBox)
{
    Prompt p;
    const IBox box(0, 0, 1, 1);
    p.canvas->PromptForValue(nullptr, p.fx->GetParam(1), &box);
    p.canvas->PromptForValue(p.control, nullptr, &box);
    p.canvas->PromptForValue(p.control, p.fx->GetParam(1), nullptr);
    EXPECT_TRUE(p.canvas->shownMenus.empty());
    EXPECT_TRUE(p.canvas->entries.empty());
}

TEST(Menu, ItemLabelsCarryTheirNumberingPrefix)
{
    IMenu m;
    m.AddItem("Soft");
    m.AddItem(nullptr);
    for (int i = 0; i < 8; ++i)
        m.AddItem("x");
    m.prefix = 0;
    EXPECT_EQ(m.ItemLabel(0), "Soft");
    EXPECT_EQ(m.ItemLabel(1), "");
    m.prefix = 1;
    EXPECT_EQ(m.ItemLabel(0), "1: Soft");
    EXPECT_EQ(m.ItemLabel(9), "10: x");
    m.prefix = 2;
    EXPECT_EQ(m.ItemLabel(0), "01: Soft");
    m.prefix = 3;
    EXPECT_EQ(m.ItemLabel(9), "010: x");
    EXPECT_EQ(m.ItemLabel(10), "");
    EXPECT_EQ(m.ItemLabel(-1), "");
}

TEST(TextStyle, TheConstructorKeepsAtMostThirtyOneCharactersOfTheName)
{
    const ITextStyle longName("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij", 10, IArgb(1, 2, 3, 4), 2, 0,
                              45, 3);
    EXPECT_STREQ(longName.fontName, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
    EXPECT_EQ(longName.orientation, 45);
    const ITextStyle nullName(nullptr, 10, IArgb());
    EXPECT_STREQ(nullName.fontName, "Arial");
}
