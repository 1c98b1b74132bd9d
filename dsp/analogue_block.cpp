#include "dsp/analogue_block.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "dsp/filters/PackedSection.h"

void analogue_block::SetSampleRate(int rate, int kind)
{
    stereo = false;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    sampleRate = rate;
    dcBlocker.SetSampleRate(rate);
    harmonics.SetDrive(kind == kVCA ? 0.005 : 0.5);
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

// Per value these are the operations of saturator::Process (band limit on a
// copy, then the polynomial) followed by the DC blocker and the noise, in the
// same order, so the result is the same as running the three one after the
// other: each is sequential frame by frame.
void analogue_block::Process(double* frames, int frameCount)
{
#ifdef DSP_HAVE_PACKED_SECTION
    constexpr int kStages = Dsp::ChebyILowPass<4, 2>::kStages;
    static_assert(kStages == 2, "the packed pass is written for two sections");
    if (harmonics.bandLimit.GetStageCount() == kStages)
    {
        ProcessPacked(frames, frameCount);
        return;
    }
#endif
    DCBlocker dc = dcBlocker;
    NoiseGenerator gen = noise;
    const double drive = harmonics.drive;
    double work[2 * saturator::kMaxFrames];
    for (int done = 0; done < frameCount; done += saturator::kMaxFrames)
    {
        const int n = std::min(saturator::kMaxFrames, frameCount - done);
        double* x = frames + 2 * done;
        std::memcpy(work, x, sizeof(double) * 2 * static_cast<size_t>(n));
        harmonics.bandLimit.Process(n, work);
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
    }
    dcBlocker = dc;
    noise = gen;
}

void analogue_block::ProcessPacked(double* frames, int frameCount)
{
#ifdef DSP_HAVE_PACKED_SECTION
    // One pass, both channels side by side (lane 0 left): the band limit's two
    // sections, the polynomial, the DC blocker, the noise. Plain SSE2
    // multiplies and adds in the scalar order, without fusing, so each lane
    // rounds as saturator::Shape and DCBlocker::ProcessSample do; the copy
    // buffer is not needed.
    Dsp::ChebyILowPass<4, 2>& band = harmonics.bandLimit;
    Dsp::PackedSection s0, s1;
    s0.Load(band.GetStage(0), band.State(0, 0), band.State(1, 0));
    s1.Load(band.GetStage(1), band.State(0, 1), band.State(1, 1));
    NoiseGenerator gen = noise;
    const __m128d k = _mm_set1_pd(harmonics.drive);
    const __m128d c2 = _mm_set1_pd(0.5), c4 = _mm_set1_pd(0.25), c6 = _mm_set1_pd(0.125);
    const __m128d c3 = _mm_set1_pd(0.15), c5 = _mm_set1_pd(0.075);
    const __m128d tiny = _mm_set1_pd(DCBlocker::kOffset);
    const __m128d b0 = _mm_set1_pd(dcBlocker.b0);
    const __m128d b1 = _mm_set1_pd(dcBlocker.b1);
    const __m128d a1 = _mm_set1_pd(dcBlocker.a1);
    __m128d x1 = _mm_loadu_pd(dcBlocker.x1);
    __m128d y1 = _mm_loadu_pd(dcBlocker.y1);
    for (int i = 0; i < frameCount; ++i)
    {
        const __m128d x = _mm_loadu_pd(frames + 2 * i);
        const __m128d b = s1.Run(s0.Run(x));
        const __m128d bb2 = _mm_mul_pd(b, b);
        const __m128d bb3 = _mm_mul_pd(bb2, b);
        const __m128d bb4 = _mm_mul_pd(bb3, b);
        const __m128d bb5 = _mm_mul_pd(bb4, b);
        const __m128d bb6 = _mm_mul_pd(bb5, b);
        __m128d even = _mm_add_pd(_mm_mul_pd(c2, bb2), _mm_mul_pd(c4, bb4));
        even = _mm_add_pd(even, _mm_mul_pd(c6, bb6));
        __m128d shaped = _mm_add_pd(x, _mm_mul_pd(k, even));
        shaped = _mm_sub_pd(shaped, _mm_mul_pd(c3, bb3));
        shaped = _mm_sub_pd(shaped, _mm_mul_pd(c5, bb5));

        const __m128d v = _mm_add_pd(shaped, tiny);
        const __m128d y =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(b0, v), _mm_mul_pd(b1, x1)), _mm_mul_pd(a1, y1));
        x1 = v;
        y1 = y;
        _mm_storeu_pd(frames + 2 * i, _mm_add_pd(y, _mm_set1_pd(gen.Next())));
    }
    s0.Store(band.State(0, 0), band.State(1, 0));
    s1.Store(band.State(0, 1), band.State(1, 1));
    _mm_storeu_pd(dcBlocker.x1, x1);
    _mm_storeu_pd(dcBlocker.y1, y1);
    noise = gen;
#else
    (void)frames;
    (void)frameCount;
#endif
}
