// The edit-box model: filter, limit, editing, the commit rule and the
// states of the timer tick, with the host's view of a commit.

#include "framework/TestEffect.h"
#include "gui/IControl.h"
#include "gui/ITextEntry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
struct Fixture
{
    TestEffect effect;
    std::unique_ptr<IControl> control;
    ITextEntry entry;

    bool Open(int param, const char* text, int limit = 7)
    {
        control.reset(new IControl(&effect, IBox(0, 0, 40, 20), param));
        return entry.Open(control.get(), effect.GetParam(param), text, limit, IBox(0, 0, 40, 20),
                          ITextStyle());
    }
    void Type(const char* s)
    {
        for (; *s; ++s) entry.OnKey(ITextEntry::kKeyChar, *s, false);
    }
    int Automations(int idx, double* last)
    {
        int n = 0;
        for (const TestEffect::HostCall& c : effect.mHost)
            if (c.mWhat == "automate" && c.mIdx == idx)
            {
                ++n;
                *last = c.mValue;
            }
        return n;
    }
};
} // namespace

TEST(TextEntry, OpensWithTheWholeTextSelectedAndTypingReplacesIt)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, "0.25"));
    EXPECT_EQ(f.entry.SelectionStart(), 0);
    EXPECT_EQ(f.entry.SelectionEnd(), 4);
    f.Type("7");
    EXPECT_EQ(f.entry.Text(), "7");
    EXPECT_FALSE(f.entry.HasSelection());
    // A second box cannot open over the first; none opens without a control.
    EXPECT_FALSE(f.entry.Open(f.control.get(), nullptr, "x", 7, IBox(), ITextStyle()));
    ITextEntry other;
    EXPECT_FALSE(other.Open(nullptr, nullptr, "x", 7, IBox(), ITextStyle()));
}

TEST(TextEntry, FilterFollowsTheParameterType)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, ""));
    f.Type("-1.5e+x2");
    EXPECT_EQ(f.entry.Text(), "-1.5+2"); // a double keeps digits, signs and "."
    f.entry.Close();

    ASSERT_TRUE(f.Open(kModelType, ""));
    f.Type("1.5a-");
    EXPECT_EQ(f.entry.Text(), "15-"); // an enumeration drops the "."
    f.entry.Close();

    ASSERT_TRUE(f.Open(kOversampling, ""));
    f.Type("on1");
    EXPECT_EQ(f.entry.Text(), "1");

    EXPECT_TRUE(ITextEntry::Accepts(nullptr, 'q'));
    EXPECT_FALSE(ITextEntry::Accepts(nullptr, '\n'));
    IParameter untyped;
    EXPECT_TRUE(ITextEntry::Accepts(&untyped, 'q'));
}

TEST(TextEntry, LengthLimitBoundsTypingButNotTheInitialText)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, "123456789", 7));
    f.entry.SetCaret(9, false);
    f.Type("0");
    EXPECT_EQ(f.entry.Text(), "123456789");
    f.entry.SelectAll();
    f.Type("12345678");
    EXPECT_EQ(f.entry.Text(), "1234567");
}

TEST(TextEntry, BackspaceDeleteAndCaretMovesEditAroundTheCaret)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, "12345"));
    f.entry.OnKey(ITextEntry::kKeyEnd, 0, false);
    f.entry.OnKey(ITextEntry::kKeyBackspace, 0, false);
    EXPECT_EQ(f.entry.Text(), "1234");
    f.entry.OnKey(ITextEntry::kKeyHome, 0, false);
    f.entry.OnKey(ITextEntry::kKeyDelete, 0, false);
    EXPECT_EQ(f.entry.Text(), "234");
    f.entry.OnKey(ITextEntry::kKeyRight, 0, true);
    f.entry.OnKey(ITextEntry::kKeyRight, 0, true);
    f.Type("9");
    EXPECT_EQ(f.entry.Text(), "94");
    f.entry.OnKey(ITextEntry::kKeyHome, 0, false);
    f.entry.OnKey(ITextEntry::kKeyBackspace, 0, false); // nothing before the caret
    EXPECT_EQ(f.entry.Text(), "94");
}

TEST(TextEntry, ReturnCommitsOnlyOnTheNextTickAndReachesTheHost)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, "0.5"));
    f.Type("0.2");
    f.entry.OnKey(ITextEntry::kKeyReturn, 0, false);
    EXPECT_EQ(f.entry.GetState(), ITextEntry::kStateCommit);
    double v = -1;
    EXPECT_EQ(f.Automations(kAttack, &v), 0);
    EXPECT_FALSE(f.entry.Tick());
    EXPECT_FALSE(f.entry.IsOpen());
    ASSERT_EQ(f.Automations(kAttack, &v), 1);
    // Attack: 0.02..0.8 with shape 2, so 0.2 sits at sqrt(0.18 / 0.78).
    EXPECT_NEAR(v, std::sqrt(0.18 / 0.78), 1e-6);
}

TEST(TextEntry, CancelAndTheRedrawStateFollowTheTickRules)
{
    Fixture f;
    ASSERT_TRUE(f.Open(kAttack, "0.5"));
    EXPECT_TRUE(f.entry.Tick()); // state 0: the tick goes on to paint
    f.entry.PaintedAround();
    EXPECT_EQ(f.entry.GetState(), ITextEntry::kStateRedrawn);
    EXPECT_FALSE(f.entry.Tick()); // 2 -> 0, nothing else
    EXPECT_EQ(f.entry.GetState(), ITextEntry::kStateOpen);
    f.entry.SetState(ITextEntry::kStateFocused);
    EXPECT_FALSE(f.entry.Tick());
    EXPECT_EQ(f.entry.GetState(), ITextEntry::kStateFocused);
    f.entry.OnKey(ITextEntry::kKeyEscape, 0, false);
    EXPECT_FALSE(f.entry.Tick());
    EXPECT_FALSE(f.entry.IsOpen());
    double v;
    EXPECT_EQ(f.Automations(kAttack, &v), 0);
}

TEST(TextEntry, CommitRuleMatchesDisplayTextsOrReadsTheNumber)
{
    TestEffect effect;
    IParameter* model = effect.GetParam(kModelType);
    EXPECT_EQ(ITextEntry::ValueFromText(model, "FET"), 1.0);
    EXPECT_EQ(ITextEntry::ValueFromText(model, "OPTO"), 2.0);
    // Digits name the value (the filter lets only digits into such a box).
    EXPECT_EQ(ITextEntry::ValueFromText(model, "2"), 2.0);
    EXPECT_EQ(ITextEntry::ValueFromText(model, "fet"), 0.0);
    IParameter* threshold = effect.GetParam(kThreshold);
    EXPECT_EQ(ITextEntry::ValueFromText(threshold, "-12.5dB"), -12.5);
    EXPECT_EQ(ITextEntry::ValueFromText(threshold, "x"), 0.0);
    threshold->SetDisplayNegated(true);
    EXPECT_EQ(ITextEntry::ValueFromText(threshold, "12.5"), -12.5);
}

TEST(TextEntry, HostKeyCodesBecomeEditingKeys)
{
    char c = 0;
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 1, &c), ITextEntry::kKeyBackspace);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 4, &c), ITextEntry::kKeyReturn);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 19, &c), ITextEntry::kKeyReturn);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 6, &c), ITextEntry::kKeyEscape);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 22, &c), ITextEntry::kKeyDelete);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 27, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '3');
    EXPECT_EQ(ITextEntry::KeyFromHost('7', 0, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '7');
    EXPECT_EQ(ITextEntry::KeyFromHost('.', 0, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '.');
    EXPECT_EQ(ITextEntry::KeyFromHost(13, 0, &c), ITextEntry::kKeyReturn);
    EXPECT_EQ(ITextEntry::KeyFromHost(0, 0, &c), ITextEntry::kKeyNone);
}
