#include "dsp/filters/CascadeFilter.h"

#include "dsp/filters/CpuFeatures.h"
#include "dsp/filters/PackedSection.h"

#include <cmath>

#if defined(DSP_HAVE_PACKED_SECTION) && (defined(__GNUC__) || defined(__clang__))
#define DSP_HAVE_PACKED_PATH 1
#endif

namespace Dsp
{

namespace
{

// One section over a block, left and right side by side, scalar: the same
// operations as the general path, only in section-major order.
void RunSectionPair(const Stage& c, SectionState& l, SectionState& r, int frameCount,
                    double* samples, int stride)
{
    SectionState sl = l;
    SectionState sr = r;
    for (int f = 0; f < frameCount; ++f)
    {
        double* frame = samples + static_cast<long>(f) * stride;
        frame[0] = CascadeFilter::Tick(c, sl, frame[0]);
        frame[1] = CascadeFilter::Tick(c, sr, frame[1]);
    }
    l = sl;
    r = sr;
}

#ifdef DSP_HAVE_PACKED_PATH
// The packed version of RunSectionPair. Only SSE2 packed multiplies and adds,
// in exactly the order of CascadeFilter::Tick and without fusing, so every
// lane rounds like the scalar recursion. Gated on SSE3 at run time.
__attribute__((target("sse3"))) void RunSectionPairPacked(const Stage& c, SectionState& l,
                                                          SectionState& r, int frameCount,
                                                          double* samples, int stride)
{
    PackedSection section;
    section.Load(c, l, r);
    double* p = samples;
    for (int f = 0; f < frameCount; ++f, p += stride)
        _mm_storeu_pd(p, section.Run(_mm_loadu_pd(p)));
    section.Store(l, r);
}

// All sections per frame, both channels packed. Same operations per
// (channel, section) as the general path; the sections of consecutive frames
// overlap in the pipeline, which section-major order cannot do.
template <int Stages>
__attribute__((target("sse3"))) void RunFramesPacked(const Stage* c, SectionState* state,
                                                     int stageMax, int frameCount, double* samples,
                                                     int stride)
{
    PackedSection sections[Stages];
    for (int k = 0; k < Stages; ++k)
        sections[k].Load(c[k], state[k], state[stageMax + k]);
    double* p = samples;
    for (int f = 0; f < frameCount; ++f, p += stride)
    {
        __m128d v = _mm_loadu_pd(p);
        for (int k = 0; k < Stages; ++k)
            v = sections[k].Run(v);
        _mm_storeu_pd(p, v);
    }
    for (int k = 0; k < Stages; ++k)
        sections[k].Store(state[k], state[stageMax + k]);
}
#endif

} // namespace

CascadeFilter::CascadeFilter(Stage* stages, int stageMax, SectionState* state, int channels)
    : Cascade(stages, stageMax), m_state(state), m_channels(channels)
{
}

void CascadeFilter::CopyFilterFrom(const CascadeFilter& other)
{
    CopyStagesFrom(other);
    const int n = m_channels * GetStageMax();
    if (other.m_channels * other.GetStageMax() == n)
        for (int i = 0; i < n; ++i)
            m_state[i] = other.m_state[i];
}

void CascadeFilter::ResetState()
{
    const int n = m_channels * GetStageMax();
    for (int i = 0; i < n; ++i)
        m_state[i] = SectionState{0, 0, 0, 0};
}

bool CascadeFilter::IsStateFinite() const
{
    const int n = m_channels * GetStageMax();
    for (int i = 0; i < n; ++i)
    {
        const SectionState& s = m_state[i];
        if (!std::isfinite(s.x1) || !std::isfinite(s.x2) || !std::isfinite(s.y1) ||
            !std::isfinite(s.y2))
            return false;
    }
    return true;
}

bool CascadeFilter::HasTwoChannelPath()
{
    return CpuFeatures::Get().sse3;
}

void CascadeFilter::Process(int frameCount, double* samples, int skip)
{
    if (m_channels == 2 && HasTwoChannelPath())
        ProcessTwoChannel(frameCount, samples, skip);
    else
        ProcessGeneral(frameCount, samples, skip);
}

void CascadeFilter::ProcessGeneral(int frameCount, double* samples, int skip)
{
    const int stages = GetStageCount();
    const int stageMax = GetStageMax();
    const Stage* c = GetStages();
    const int stride = m_channels + skip;
    for (int f = 0; f < frameCount; ++f)
    {
        double* frame = samples + static_cast<long>(f) * stride;
        for (int ch = 0; ch < m_channels; ++ch)
        {
            SectionState* st = m_state + ch * stageMax;
            double v = frame[ch];
            for (int k = 0; k < stages; ++k)
                v = Tick(c[k], st[k], v);
            frame[ch] = v;
        }
    }
}

void CascadeFilter::ProcessTwoChannel(int frameCount, double* samples, int skip)
{
    if (m_channels != 2)
    {
        ProcessGeneral(frameCount, samples, skip);
        return;
    }
    const int stages = GetStageCount();
    const int stageMax = GetStageMax();
    const int stride = 2 + skip;
#ifdef DSP_HAVE_PACKED_PATH
    const bool packed = HasTwoChannelPath();
    if (packed && stages <= 3)
    {
        if (stages == 1)
            RunFramesPacked<1>(GetStages(), m_state, stageMax, frameCount, samples, stride);
        else if (stages == 2)
            RunFramesPacked<2>(GetStages(), m_state, stageMax, frameCount, samples, stride);
        else
            RunFramesPacked<3>(GetStages(), m_state, stageMax, frameCount, samples, stride);
        return;
    }
#endif
    for (int k = 0; k < stages; ++k)
    {
        SectionState& l = m_state[k];
        SectionState& r = m_state[stageMax + k];
#ifdef DSP_HAVE_PACKED_PATH
        if (packed)
        {
            RunSectionPairPacked(GetStage(k), l, r, frameCount, samples, stride);
            continue;
        }
#endif
        RunSectionPair(GetStage(k), l, r, frameCount, samples, stride);
    }
}

} // namespace Dsp
