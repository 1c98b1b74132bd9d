#include "dsp/filters/CascadeFilter.h"

#include "dsp/filters/CpuFeatures.h"

#include <cmath>

#if defined(__SSE2__) && (defined(__GNUC__) || defined(__clang__))
#include <emmintrin.h>
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
    const __m128d b0 = _mm_set1_pd(c.b[0]);
    const __m128d b1 = _mm_set1_pd(c.b[1]);
    const __m128d b2 = _mm_set1_pd(c.b[2]);
    const __m128d a1 = _mm_set1_pd(c.a[1]);
    const __m128d a2 = _mm_set1_pd(c.a[2]);
    // Lane 0 is the left channel, lane 1 the right.
    __m128d x1 = _mm_set_pd(r.x1, l.x1);
    __m128d x2 = _mm_set_pd(r.x2, l.x2);
    __m128d y1 = _mm_set_pd(r.y1, l.y1);
    __m128d y2 = _mm_set_pd(r.y2, l.y2);
    double* p = samples;
    for (int f = 0; f < frameCount; ++f, p += stride)
    {
        const __m128d in = _mm_loadu_pd(p);
        __m128d out = _mm_add_pd(_mm_mul_pd(b1, x1), _mm_mul_pd(b0, in));
        out = _mm_add_pd(out, _mm_mul_pd(b2, x2));
        out = _mm_add_pd(out, _mm_mul_pd(a1, y1));
        out = _mm_add_pd(out, _mm_mul_pd(a2, y2));
        x2 = x1;
        x1 = in;
        y2 = y1;
        y1 = out;
        _mm_storeu_pd(p, out);
    }
    double lo[2], hi[2];
    _mm_storeu_pd(lo, x1);
    _mm_storeu_pd(hi, x2);
    l.x1 = lo[0];
    r.x1 = lo[1];
    l.x2 = hi[0];
    r.x2 = hi[1];
    _mm_storeu_pd(lo, y1);
    _mm_storeu_pd(hi, y2);
    l.y1 = lo[0];
    r.y1 = lo[1];
    l.y2 = hi[0];
    r.y2 = hi[1];
}

// All sections per frame, both channels packed. Same operations per
// (channel, section) as the general path; the sections of consecutive frames
// overlap in the pipeline, which section-major order cannot do.
template <int Stages>
__attribute__((target("sse3"))) void RunFramesPacked(const Stage* c, SectionState* state,
                                                     int stageMax, int frameCount, double* samples,
                                                     int stride)
{
    __m128d b0[Stages], b1[Stages], b2[Stages], a1[Stages], a2[Stages];
    __m128d x1[Stages], x2[Stages], y1[Stages], y2[Stages];
    for (int k = 0; k < Stages; ++k)
    {
        const SectionState& l = state[k];
        const SectionState& r = state[stageMax + k];
        b0[k] = _mm_set1_pd(c[k].b[0]);
        b1[k] = _mm_set1_pd(c[k].b[1]);
        b2[k] = _mm_set1_pd(c[k].b[2]);
        a1[k] = _mm_set1_pd(c[k].a[1]);
        a2[k] = _mm_set1_pd(c[k].a[2]);
        x1[k] = _mm_set_pd(r.x1, l.x1);
        x2[k] = _mm_set_pd(r.x2, l.x2);
        y1[k] = _mm_set_pd(r.y1, l.y1);
        y2[k] = _mm_set_pd(r.y2, l.y2);
    }
    double* p = samples;
    for (int f = 0; f < frameCount; ++f, p += stride)
    {
        __m128d v = _mm_loadu_pd(p);
        for (int k = 0; k < Stages; ++k)
        {
            __m128d out = _mm_add_pd(_mm_mul_pd(b1[k], x1[k]), _mm_mul_pd(b0[k], v));
            out = _mm_add_pd(out, _mm_mul_pd(b2[k], x2[k]));
            out = _mm_add_pd(out, _mm_mul_pd(a1[k], y1[k]));
            out = _mm_add_pd(out, _mm_mul_pd(a2[k], y2[k]));
            x2[k] = x1[k];
            x1[k] = v;
            y2[k] = y1[k];
            y1[k] = out;
            v = out;
        }
        _mm_storeu_pd(p, v);
    }
    for (int k = 0; k < Stages; ++k)
    {
        double lo[2], hi[2], ylo[2], yhi[2];
        _mm_storeu_pd(lo, x1[k]);
        _mm_storeu_pd(hi, x2[k]);
        _mm_storeu_pd(ylo, y1[k]);
        _mm_storeu_pd(yhi, y2[k]);
        state[k] = SectionState{lo[0], hi[0], ylo[0], yhi[0]};
        state[stageMax + k] = SectionState{lo[1], hi[1], ylo[1], yhi[1]};
    }
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
