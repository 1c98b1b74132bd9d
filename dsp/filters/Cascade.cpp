#include "dsp/filters/Cascade.h"

#include "dsp/filters/Invariant.h"

#include <cmath>

namespace Dsp
{

namespace
{
// Roots closer than this to the real axis are taken as exactly real, so the
// rounding noise of a prototype's real roots cannot make them complex.
constexpr double kRealRootLimit = 1e-6;

Complex MadeRealIfNearAxis(Complex r)
{
    if (std::fabs(r.im) < kRealRootLimit) r.im = 0;
    return r;
}
} // namespace

Cascade::Cascade(Stage* stages, int stageMax) : m_stages(stages), m_stageMax(stageMax)
{
    SetStageCount(stageMax);
}

void Cascade::SetStageCount(int n)
{
    DSP_INVARIANT(n >= 1 && n <= m_stageMax, "n>=1 && n<=m_stageMax");
    m_stageCount = n;
}

void Cascade::CopyStagesFrom(const Cascade& other)
{
    SetStageCount(other.m_stageCount);
    for (int i = 0; i < m_stageMax && i < other.m_stageMax; ++i)
        m_stages[i] = other.m_stages[i];
}

Complex Cascade::Response(double w) const
{
    const Complex czn1(std::cos(w), -std::sin(w));
    const Complex czn2(std::cos(2 * w), -std::sin(2 * w));
    Complex numerator(1);
    Complex denominator(1);
    for (int i = 0; i < m_stageCount; ++i)
    {
        const Stage& s = m_stages[i];
        const Complex cb = Complex(s.b[0]) + s.b[1] * czn1 + s.b[2] * czn2;
        const Complex ct = Complex(1) - s.a[1] * czn1 - s.a[2] * czn2;
        numerator = numerator * cb;
        denominator = denominator * ct;
    }
    return numerator / denominator;
}

void Cascade::SetPassThrough()
{
    for (int i = 0; i < m_stageCount; ++i)
    {
        Stage& s = m_stages[i];
        s.a[1] = 0;
        s.a[2] = 0;
        s.b[0] = 1;
        s.b[1] = 0;
        s.b[2] = 0;
    }
}

void Cascade::AddRealPole(double r, int& used)
{
    Stage& s0 = m_stages[0];
    const double old = s0.a[1];
    s0.a[1] = old + r;
    s0.a[2] = -(old * r);
    if (s0.a[2] == 0) return; // the first real pole of a pair waits in section 0
    const int k = m_stageCount - used - 1;
    if (k > 0)
    {
        m_stages[k].a[1] = s0.a[1];
        m_stages[k].a[2] = s0.a[2];
        s0.a[1] = 0;
        s0.a[2] = 0;
        ++used;
    }
}

void Cascade::AddComplexPole(Complex p, int& used)
{
    const int k = m_stageCount - used - 1;
    // k < 0 would mean more pole pairs than sections; that section is not free.
    DSP_INVARIANT(k >= 0 && m_stages[k].a[1] == 0 && m_stages[k].a[2] == 0,
                  "s->a[1]==0 && s->a[2]==0");
    Stage& s = m_stages[k];
    s.a[1] = 2 * p.re;
    s.a[2] = -(p.im * p.im + p.re * p.re);
    ++used;
}

void Cascade::AddRealZero(double z, int& used)
{
    Stage& s0 = m_stages[0];
    const double oldB0 = s0.b[0];
    const double oldB1 = s0.b[1];
    // Multiplies the numerator by (−z + z⁻¹): the zero as a factor (z⁻¹ − z).
    s0.b[2] = oldB1;
    s0.b[1] = oldB0 - z * oldB1;
    s0.b[0] = -z * oldB0;
    if (oldB1 == 0) return;
    const int k = m_stageCount - used - 1;
    if (k > 0)
    {
        m_stages[k].b[0] = s0.b[0];
        m_stages[k].b[1] = s0.b[1];
        m_stages[k].b[2] = s0.b[2];
        s0.b[0] = 1;
        s0.b[1] = 0;
        s0.b[2] = 0;
        ++used;
    }
}

void Cascade::AddComplexZero(Complex z, int& used)
{
    const int k = m_stageCount - used - 1;
    DSP_INVARIANT(k >= 0, "k>=0 && k<m_stageCount");
    Stage& s = m_stages[k];
    s.b[0] = z.re * z.re + z.im * z.im;
    s.b[1] = -2 * z.re;
    s.b[2] = 1;
    ++used;
}

const Stage* Cascade::ApplyLayout(const Layout& layout)
{
    const int s1 = (layout.GetPoleCount() + 1) / 2;
    const int s2 = (layout.GetZeroCount() + 1) / 2;
    DSP_INVARIANT(s1 == s2, "s1==s2");
    SetStageCount(s1 > s2 ? s1 : s2);
    SetPassThrough();

    int used = 0;
    for (int i = 0; i < layout.GetPoleCount(); ++i)
    {
        const Complex p = MadeRealIfNearAxis(layout.Pole(i));
        if (p.im == 0)
            AddRealPole(p.re, used);
        else if (p.im > 0)
            AddComplexPole(p, used);
        // negative imaginary part: carried by its conjugate
    }

    used = 0;
    for (int i = 0; i < layout.GetZeroCount(); ++i)
    {
        const Complex z = MadeRealIfNearAxis(layout.Zero(i));
        if (z.im == 0)
            AddRealZero(z.re, used);
        else if (z.im > 0)
            AddComplexZero(z, used);
    }

    const double magnitude = Abs(Response(layout.GetNormalisationFrequency()));
    const double scale = layout.GetNormalisationGain() / magnitude;
    Stage& s0 = m_stages[0];
    s0.b[0] *= scale;
    s0.b[1] *= scale;
    s0.b[2] *= scale;
    return m_stages;
}

} // namespace Dsp
