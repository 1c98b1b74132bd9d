#include "dsp/analogue_block.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#if defined(__SSE2__)
#include <emmintrin.h>
#define KORVALA_PACKED_ANALOG 1
#endif

void analogue_block::Setup(int rate, int kind)
{
    stereo = false;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    sampleRate = rate;
    dcBlocker.SetRate(rate);
    harmonics.Setup(kind == kVCA ? 0.005 : 0.5);
}

bool analogue_block::IsStateFinite() const
{
    return harmonics.IsStateFinite() && dcBlocker.IsStateFinite();
}

void analogue_block::ResetState()
{
    harmonics.ResetState();
    dcBlocker.ResetState();
}

// The saturator's band limit runs over a copy of each piece; the polynomial,
// the DC blocker and the noise then take one pass together. Per value these
// are the operations of saturator::Process followed by the DC blocker and the
// noise, in the same order, so the result is the same as running the three
// one after the other (each is sequential frame by frame).
void analogue_block::Process(double* frames, int frameCount)
{
    DCBlocker dc = dcBlocker;
    NoiseGenerator gen = noise;
    const double drive = harmonics.drive;
    double* work = harmonics.work;
    for (int done = 0; done < frameCount; done += saturator::kMaxFrames)
    {
        const int n = std::min(saturator::kMaxFrames, frameCount - done);
        double* x = frames + 2 * done;
        std::memcpy(work, x, sizeof(double) * 2 * static_cast<size_t>(n));
        harmonics.bandLimit.Process(n, work);
#ifdef KORVALA_PACKED_ANALOG
        // Lane 0 left, lane 1 right; plain SSE2 multiplies and adds in the
        // scalar order (no fusing), so both lanes round as saturator::Shape
        // and DCBlocker::ProcessSample do.
        const __m128d k = _mm_set1_pd(drive);
        const __m128d c2 = _mm_set1_pd(0.5), c4 = _mm_set1_pd(0.25), c6 = _mm_set1_pd(0.125);
        const __m128d c3 = _mm_set1_pd(0.15), c5 = _mm_set1_pd(0.075);
        const __m128d tiny = _mm_set1_pd(DCBlocker::kOffset);
        const __m128d b0 = _mm_set1_pd(dc.b0), b1 = _mm_set1_pd(dc.b1), a1 = _mm_set1_pd(dc.a1);
        __m128d x1 = _mm_loadu_pd(dc.x1);
        __m128d y1 = _mm_loadu_pd(dc.y1);
        for (int i = 0; i < n; ++i)
        {
            const __m128d b = _mm_loadu_pd(work + 2 * i);
            const __m128d bb2 = _mm_mul_pd(b, b);
            const __m128d bb3 = _mm_mul_pd(bb2, b);
            const __m128d bb4 = _mm_mul_pd(bb3, b);
            const __m128d bb5 = _mm_mul_pd(bb4, b);
            const __m128d bb6 = _mm_mul_pd(bb5, b);
            __m128d even = _mm_add_pd(_mm_mul_pd(c2, bb2), _mm_mul_pd(c4, bb4));
            even = _mm_add_pd(even, _mm_mul_pd(c6, bb6));
            __m128d shaped = _mm_add_pd(_mm_loadu_pd(x + 2 * i), _mm_mul_pd(k, even));
            shaped = _mm_sub_pd(shaped, _mm_mul_pd(c3, bb3));
            shaped = _mm_sub_pd(shaped, _mm_mul_pd(c5, bb5));

            const __m128d v = _mm_add_pd(shaped, tiny);
            const __m128d y =
                _mm_add_pd(_mm_add_pd(_mm_mul_pd(b0, v), _mm_mul_pd(b1, x1)), _mm_mul_pd(a1, y1));
            x1 = v;
            y1 = y;
            _mm_storeu_pd(x + 2 * i, _mm_add_pd(y, _mm_set1_pd(gen.Next())));
        }
        _mm_storeu_pd(dc.x1, x1);
        _mm_storeu_pd(dc.y1, y1);
#else
        for (int i = 0; i < n; ++i)
        {
            double* f = x + 2 * i;
            const double left = dc.ProcessSample(0, saturator::Shape(f[0], work[2 * i], drive));
            const double right =
                dc.ProcessSample(1, saturator::Shape(f[1], work[2 * i + 1], drive));
            const double v = gen.Next();
            f[0] = left + v;
            f[1] = right + v;
        }
#endif
    }
    dcBlocker = dc;
    noise = gen;
}
