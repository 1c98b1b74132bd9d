#include "dsp/filters/SingleSectionFilter.h"

#include "dsp/filters/FastApprox.h"

#include <cmath>

namespace Dsp
{

SingleSectionFilter::SingleSectionFilter() : CascadeFilter(&m_stage, 1, &m_state, 1) {}

SingleSectionFilter::SingleSectionFilter(const SingleSectionFilter& other)
    : CascadeFilter(&m_stage, 1, &m_state, 1)
{
    CopyFilterFrom(other);
}

SingleSectionFilter& SingleSectionFilter::operator=(const SingleSectionFilter& other)
{
    CopyFilterFrom(other);
    return *this;
}

void SingleSectionFilter::Process(int frameCount, double* samples, int skip)
{
    const Stage c = m_stage;
    SectionState s = m_state;
    const int stride = 1 + skip;
    for (int f = 0; f < frameCount; ++f)
    {
        double& v = samples[static_cast<long>(f) * stride];
        v = Tick(c, s, v);
    }
    m_state = s;
}

void SingleSectionFilter::DesignHighShelf(double frequency, double gainDb, double slope)
{
    const double A = std::pow(10.0, gainDb / 40);
    const double w = kTwoPi * frequency;
    const double sn = FastApprox::Sin(w);
    const double cs = FastApprox::Cos(w);
    const double beta = (sn * 0.5) * FastApprox::Sqrt((1 / A + A) * (1 / slope - 1) + 2) *
                        (2 * FastApprox::Sqrt(A));

    const double d = A + 1;
    const double e = (A - 1) * cs;
    const double inv = 1 / (d - e + beta);
    Stage& s = m_stage;
    s.a[1] = -2 * ((A - 1) - d * cs) * inv;
    s.a[2] = (e + beta - d) * inv;
    s.b[0] = A * (d + e + beta) * inv;
    s.b[1] = -2 * A * (d * cs + (A - 1)) * inv;
    s.b[2] = A * (d + e - beta) * inv;
}

} // namespace Dsp
