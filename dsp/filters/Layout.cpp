#include "dsp/filters/Layout.h"

#include "dsp/filters/Invariant.h"

namespace Dsp
{

Layout::Layout(Complex* poles, Complex* zeros, int rootMax)
    : m_poles{poles, rootMax, 0}, m_zeros{zeros, rootMax, 0}
{
}

void Layout::CopyLayoutFrom(const Layout& other)
{
    // A never-designed source has counts of 0, which SetCount rejects.
    const int poles = other.GetPoleCount();
    const int zeros = other.GetZeroCount();
    DSP_INVARIANT(poles <= m_poles.m_rootMax && zeros <= m_zeros.m_rootMax, "n>=1 && n<=m_rootMax");
    m_poles.m_rootCount = poles;
    m_zeros.m_rootCount = zeros;
    for (int i = 0; i < other.GetPoleCount(); ++i)
        Pole(i) = other.Pole(i);
    for (int i = 0; i < other.GetZeroCount(); ++i)
        Zero(i) = other.Zero(i);
    m_normalisationFrequency = other.m_normalisationFrequency;
    m_normalisationGain = other.m_normalisationGain;
}

void Layout::Roots::SetCount(int n)
{
    DSP_INVARIANT(n >= 1 && n <= m_rootMax, "n>=1 && n<=m_rootMax");
    m_rootCount = n;
}

Complex& Layout::Roots::At(int i) const
{
    DSP_INVARIANT(i >= 0 && i < m_rootCount, "i>=0 && i<m_rootCount");
    return m_roots[i];
}

} // namespace Dsp
