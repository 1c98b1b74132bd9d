#pragma once

#include "dsp/filters/SectionState.h"
#include "dsp/filters/Stage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define DSP_HAVE_PACKED_SECTION 1

namespace Dsp
{

// One biquad section on left and right side by side (lane 0 left), in the
// addition order of Dsp::CascadeFilter::Tick, without fusing: every lane
// rounds exactly like the scalar recursion.
struct PackedSection
{
    __m128d b0, b1, b2, a1, a2;
    __m128d x1, x2, y1, y2;

    void Load(const Stage& c, const SectionState& l, const SectionState& r)
    {
        b0 = _mm_set1_pd(c.b[0]);
        b1 = _mm_set1_pd(c.b[1]);
        b2 = _mm_set1_pd(c.b[2]);
        a1 = _mm_set1_pd(c.a[1]);
        a2 = _mm_set1_pd(c.a[2]);
        x1 = _mm_set_pd(r.x1, l.x1);
        x2 = _mm_set_pd(r.x2, l.x2);
        y1 = _mm_set_pd(r.y1, l.y1);
        y2 = _mm_set_pd(r.y2, l.y2);
    }

    void Store(SectionState& l, SectionState& r) const
    {
        _mm_storel_pd(&l.x1, x1);
        _mm_storeh_pd(&r.x1, x1);
        _mm_storel_pd(&l.x2, x2);
        _mm_storeh_pd(&r.x2, x2);
        _mm_storel_pd(&l.y1, y1);
        _mm_storeh_pd(&r.y1, y1);
        _mm_storel_pd(&l.y2, y2);
        _mm_storeh_pd(&r.y2, y2);
    }

    __m128d Run(__m128d in)
    {
        __m128d out = _mm_add_pd(_mm_mul_pd(b1, x1), _mm_mul_pd(b0, in));
        out = _mm_add_pd(out, _mm_mul_pd(b2, x2));
        out = _mm_add_pd(out, _mm_mul_pd(a1, y1));
        out = _mm_add_pd(out, _mm_mul_pd(a2, y2));
        x2 = x1;
        x1 = in;
        y2 = y1;
        y1 = out;
        return out;
    }
};

} // namespace Dsp
#endif
