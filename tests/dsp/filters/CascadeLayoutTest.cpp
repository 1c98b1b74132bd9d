#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace FilterTest;

namespace
{

// |G · Π(e^{jw} − zero) / Π(e^{jw} − pole)|, with G chosen so that the
// magnitude is the normalisation gain at the normalisation frequency.
double RootFormMagnitude(const Dsp::Layout& l, double w)
{
    auto raw = [&l](double v)
    {
        const Cplx z = std::polar(1.0, v);
        Cplx num = 1, den = 1;
        for (int i = 0; i < l.GetZeroCount(); ++i)
            num *= z - Cplx(l.Zero(i).re, l.Zero(i).im);
        for (int i = 0; i < l.GetPoleCount(); ++i)
            den *= z - Cplx(l.Pole(i).re, l.Pole(i).im);
        return std::abs(num / den);
    };
    return l.GetNormalisationGain() * raw(w) / raw(l.GetNormalisationFrequency());
}

template <int N>
void Fill(Dsp::LayoutSpace<N>& l, std::initializer_list<Dsp::Complex> poles,
          std::initializer_list<Dsp::Complex> zeros, double w0, double gain)
{
    l.SetPoleCount(int(poles.size()));
    l.SetZeroCount(int(zeros.size()));
    int i = 0;
    for (const Dsp::Complex& p : poles)
        l.Pole(i++) = p;
    i = 0;
    for (const Dsp::Complex& z : zeros)
        l.Zero(i++) = z;
    l.SetNormalisation(w0, gain);
}

} // namespace

TEST(CascadeLayout, OnePoleHighPassIsOneSectionScaledAtNyquist)
{
    Dsp::LayoutSpace<1> l;
    Fill(l, {{0.9, 0}}, {{1, 0}}, Dsp::kPi, 2.0);
    Dsp::CascadeSpace<1> c;
    c.ApplyLayout(l);
    ASSERT_EQ(c.GetStageCount(), 1);
    const Dsp::Stage& s = c.GetStage(0);
    EXPECT_EQ(s.a[1], 0.9);
    EXPECT_EQ(s.a[2], 0.0);
    // H(π) = b·(−2)/(1.9) before scaling, so the scale is 1.9.
    EXPECT_NEAR(s.b[0], -1.9, 1e-15);
    EXPECT_NEAR(s.b[1], 1.9, 1e-15);
    EXPECT_EQ(s.b[2], 0.0);
    EXPECT_NEAR(Dsp::Abs(c.Response(Dsp::kPi)), 2.0, 1e-15);
}

TEST(CascadeLayout, ConjugatePairsFillSectionsFromTheBackInArrayOrder)
{
    const double c2 = std::cos(2.0), s2 = std::sin(2.0), c25 = std::cos(2.5), s25 = std::sin(2.5);
    Dsp::LayoutSpace<4> l;
    Fill(l, {{0.5, 0.3}, {0.5, -0.3}, {0.2, 0.6}, {0.2, -0.6}},
         {{c2, s2}, {c2, -s2}, {c25, s25}, {c25, -s25}}, 0.0, 1.0);
    Dsp::CascadeSpace<4> c;
    c.ApplyLayout(l);
    ASSERT_EQ(c.GetStageCount(), 2);
    EXPECT_DOUBLE_EQ(c.GetStage(1).a[1], 1.0);
    EXPECT_DOUBLE_EQ(c.GetStage(1).a[2], -0.34);
    EXPECT_DOUBLE_EQ(c.GetStage(0).a[1], 0.4);
    EXPECT_DOUBLE_EQ(c.GetStage(0).a[2], -0.4);
    // Section 1 keeps the unscaled first zero pair; section 0 carries the gain.
    EXPECT_DOUBLE_EQ(c.GetStage(1).b[1], -2 * c2);
    EXPECT_DOUBLE_EQ(c.GetStage(1).b[0], 1.0);
    EXPECT_DOUBLE_EQ(c.GetStage(0).b[1] / c.GetStage(0).b[0], -2 * c25);
    for (double w = 0; w <= Dsp::kPi; w += 0.05)
        EXPECT_NEAR(Dsp::Abs(c.Response(w)), RootFormMagnitude(l, w), 1e-12) << w;
}

TEST(CascadeLayout, RealRootsPairFromTheBackAndAnOddOneStaysInSectionZero)
{
    Dsp::LayoutSpace<4> l;
    Fill(l, {{0.1, 0}, {0.2, 0}, {0.3, 0}}, {{-1, 0}, {-1, 0}, {-1, 0}}, 0.0, 1.0);
    Dsp::CascadeSpace<4> c;
    c.ApplyLayout(l);
    ASSERT_EQ(c.GetStageCount(), 2);
    // (1 − 0.1z⁻¹)(1 − 0.2z⁻¹) in section 1, the lone 0.3 in section 0.
    EXPECT_DOUBLE_EQ(c.GetStage(1).a[1], 0.30000000000000004);
    EXPECT_DOUBLE_EQ(c.GetStage(1).a[2], -0.02);
    EXPECT_EQ(c.GetStage(0).a[1], 0.3);
    EXPECT_EQ(c.GetStage(0).a[2], 0.0);
    EXPECT_EQ(c.GetStage(1).b[0], 1.0);
    EXPECT_EQ(c.GetStage(1).b[1], 2.0);
    EXPECT_EQ(c.GetStage(1).b[2], 1.0);
    EXPECT_EQ(c.GetStage(0).b[2], 0.0);
    EXPECT_NEAR(Dsp::Abs(c.Response(0)), 1.0, 1e-15);
    for (double w = 0; w < Dsp::kPi; w += 0.05)
        EXPECT_NEAR(Dsp::Abs(c.Response(w)), RootFormMagnitude(l, w), 1e-12) << w;
}

TEST(CascadeLayout, ImaginaryPartBelowOneMillionthCountsAsReal)
{
    Dsp::LayoutSpace<2> nearReal, complex;
    Fill(nearReal, {{0.5, 5e-7}, {0.5, -5e-7}}, {{-0.3, 5e-7}, {-0.3, -5e-7}}, 0.0, 1.0);
    Fill(complex, {{0.5, 2e-6}, {0.5, -2e-6}}, {{-0.3, 2e-6}, {-0.3, -2e-6}}, 0.0, 1.0);
    Dsp::CascadeSpace<2> a, b;
    a.ApplyLayout(nearReal);
    b.ApplyLayout(complex);
    // Two real poles at exactly 0.5: a2 = −0.25 with no 4e-12 from Im².
    EXPECT_EQ(a.GetStage(0).a[1], 1.0);
    EXPECT_EQ(a.GetStage(0).a[2], -0.25);
    EXPECT_EQ(b.GetStage(0).a[1], 1.0);
    EXPECT_EQ(b.GetStage(0).a[2], -(4e-12 + 0.25));
    // Real zeros build (z⁻¹ + 0.3)² = 0.09 + 0.6z⁻¹ + z⁻²; complex ones
    // give 0.09 + 4e-12 as the constant term.
    const Dsp::Stage& sa = a.GetStage(0);
    const Dsp::Stage& sb = b.GetStage(0);
    EXPECT_DOUBLE_EQ(sa.b[0] / sa.b[2], 0.09);
    EXPECT_DOUBLE_EQ(sa.b[1] / sa.b[2], 0.6);
    EXPECT_NEAR(sb.b[0] / sb.b[2], 0.09 + 4e-12, 1e-17);
    EXPECT_GT(std::fabs(sb.b[0] / sb.b[2] - 0.09), 3e-12);
}

TEST(CascadeLayout, PassThroughAndResponseOfUnitSections)
{
    Dsp::CascadeSpace<6> c;
    EXPECT_EQ(c.GetStageCount(), 3);
    EXPECT_EQ(Dsp::Abs(c.Response(1.0)), 0.0) << "zero coefficients: no output";
    c.SetPassThrough();
    for (double w : {0.0, 1.0, 3.0})
    {
        const Dsp::Complex h = c.Response(w);
        EXPECT_EQ(h.re, 1.0);
        EXPECT_EQ(h.im, 0.0);
    }
}

using CascadeLayoutDeathTest = ::testing::Test;

TEST_F(CascadeLayoutDeathTest, BrokenInvariantsAbortWithTheirConditionText)
{
    Dsp::LayoutSpace<4> l;
    EXPECT_DEATH(l.SetPoleCount(0), Literal("n>=1 && n<=m_rootMax"));
    EXPECT_DEATH(l.SetZeroCount(5), Literal("n>=1 && n<=m_rootMax"));
    l.SetPoleCount(2);
    EXPECT_DEATH(l.Pole(2), Literal("i>=0 && i<m_rootCount"));
    EXPECT_DEATH(l.Pole(-1), Literal("i>=0 && i<m_rootCount"));

    Dsp::LayoutSpace<4> unequal;
    Fill(unequal, {{0.1, 0}, {0.2, 0}, {0.3, 0}}, {{-1, 0}}, 0, 1);
    Dsp::CascadeSpace<4> c;
    EXPECT_DEATH(c.ApplyLayout(unequal), Literal("s1==s2"));

    Dsp::LayoutSpace<4> tooMany;
    Fill(tooMany, {{0.1, 0}, {0.2, 0}, {0.3, 0}}, {{-1, 0}, {-1, 0}, {-1, 0}}, 0, 1);
    Dsp::CascadeSpace<1> small;
    EXPECT_DEATH(small.ApplyLayout(tooMany), Literal("n>=1 && n<=m_stageMax"));

    // The real pole waits in section 0 when the second pair wants it.
    Dsp::LayoutSpace<4> crowded;
    Fill(crowded, {{0.1, 0}, {0.2, 0.3}, {0.4, 0.1}}, {{-1, 0}, {-1, 0}, {-1, 0}}, 0, 1);
    EXPECT_DEATH(c.ApplyLayout(crowded), Literal("s->a[1]==0 && s->a[2]==0"));

    // Two unpaired complex zeros in one section would write before the array.
    Dsp::LayoutSpace<2> zeros;
    Fill(zeros, {{0.1, 0}, {0.2, 0}}, {{0.3, 0.4}, {0.5, 0.6}}, 0, 1);
    Dsp::CascadeSpace<2> one;
    EXPECT_DEATH(one.ApplyLayout(zeros), Literal("k>=0 && k<m_stageCount"));

    EXPECT_DEATH(Dsp::BesselSolver(101), Literal("degree<=m_maxdegree"));
}
