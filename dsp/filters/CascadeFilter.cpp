#include "dsp/filters/CascadeFilter.h"

#include "dsp/filters/CpuFeatures.h"

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
