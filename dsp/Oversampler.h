#pragma once

#include "dsp/filters/Dsp.h"
#include "dsp/filters/PackedSection.h"

#include <memory>

// Threefold up- and down-sampling of interleaved stereo frames: zero-stuffing
// with a gain of 3 followed by a sixth-order Bessel low-pass on the way up, a
// fourth-order Bessel low-pass and decimation on the way down. The main and
// the sidechain signals have their own up-sampling filters; filter states are
// never cleared, so switching oversampling off and on mid-stream resumes from
// what the filters last held. There is no delay compensation.
class Oversampler
{
  public:
    static constexpr int kFactor = 3;
    // Frames at the oversampled rate per buffer, hence at most
    // kMaxOversampledFrames / kFactor = 5461 base frames per call.
    static constexpr int kMaxOversampledFrames = 16384;
    static constexpr int kMaxFrames = kMaxOversampledFrames / kFactor;
    static_assert(kMaxFrames * kFactor <= kMaxOversampledFrames,
                  "a full call's oversampled frames fit the buffers");
    // The three filters' cutoff: 20 kHz at the oversampled rate.
    static constexpr double kCutoffHz = 20000.0;

    // The oversampled frames between the passes: scratch, written before it
    // is read in every call, and never cleared, so that the pages no block
    // reached take no resident memory.
    struct Buffers
    {
        double main[2 * kMaxOversampledFrames];
        double sidechain[2 * kMaxOversampledFrames];
    };

    // Owns a set of buffers until UseBuffers hands it shared ones.
    Oversampler() : ownBuffers(new Buffers), buffers(ownBuffers.get()) {}

    // Makes the oversampler work in shared (which must outlive it) and
    // releases its own: the models of one plug-in run one at a time, so one
    // set serves them all. Outside the audio thread.
    void UseBuffers(Buffers& shared)
    {
        buffers = &shared;
        ownBuffers.reset();
    }

    // Designs the three filters for the base rate in Hz (> 0), for factor 3
    // whether or not oversampling is on; switching it does not redesign them.
    void SetSampleRate(double baseRate) { Design(kCutoffHz / (kFactor * baseRate)); }

    // The three filters' cutoff in cycles per oversampled sample (20 kHz at
    // three times the base rate is 20000 / (3 * rate)). At base rates of
    // 13333 Hz and below that reaches half the oversampled rate, where a
    // design is not valid; the filters are then designed at the base rate's
    // Nyquist frequency (1/6 at the oversampled rate), the band an
    // interpolator by 3 must keep, so the chain stays finite and band-limited.
    void Design(double cutoffPerSample);

    // Writes kFactor * frameCount frames (frameCount <= kMaxFrames).
    void UpsampleMain(const double* frames, int frameCount)
    {
        Upsample(frames, frameCount, buffers->main, mainUp);
    }
    void UpsampleSidechain(const double* frames, int frameCount)
    {
        Upsample(frames, frameCount, buffers->sidechain, sidechainUp);
    }

    // Filters kFactor * frameCount frames of the main buffer and keeps the
    // first of every three. The main buffer is scratch afterwards (it may or
    // may not hold the filtered frames).
    void Downsample(double* frames, int frameCount);

    // The three filters' memory: finite-state check and the way back to the
    // constructed state (designs kept). The buffers are scratch.
    bool IsStateFinite() const
    {
        return mainUp.IsStateFinite() && sidechainUp.IsStateFinite() && down.IsStateFinite();
    }
    void ResetState()
    {
        mainUp.ResetState();
        sidechainUp.ResetState();
        down.ResetState();
    }

    // True when RunFused applies: the up-sampling filters (the sidechain's
    // only when it is read) hold the stuffed zeros as their first section's
    // previous inputs, and every filter has the sections the packed loops
    // are written for. Whoever ran a filter on other data leaves that
    // untrue until the next up-sampling pass has run.
    bool CanRunFused(bool sidechain) const;

    // Up-sampling, a per-frame step at the oversampled rate and
    // down-sampling, in one loop over the base frames instead of three
    // passes through the buffers: the frames in place, the sidechain frames
    // read only when External. Step has
    //   void Frame(double& left, double& right, double sideLeft, double sideRight)
    // which changes one oversampled frame in place (the side values are the
    // up-sampled sidechain frame, or 0 without External). Every filter sees
    // the same values in the same order as in UpsampleMain,
    // UpsampleSidechain, the step run over the buffer and Downsample, so
    // the output and the filter states are the same bits. Only while
    // CanRunFused(External) holds. Any frame count: the buffers are not
    // used.
    template <bool External, class Step>
    void RunFused(double* frames, int frameCount, const double* sidechain, Step& step);

    double* MainBuffer() { return buffers->main; }
    double* SidechainBuffer() { return buffers->sidechain; }

    Dsp::BesselLowPass<6, 2> mainUp;
    Dsp::BesselLowPass<6, 2> sidechainUp;
    Dsp::BesselLowPass<4, 2> down;

  private:
    std::unique_ptr<Buffers> ownBuffers;
    Buffers* buffers;

#ifdef DSP_HAVE_PACKED_SECTION
    // The up-sampling filter on packed doubles, with the stuffing folded
    // into its first section: that section sees (3x, 0, 0) per base frame,
    // so its previous inputs are the stuffed zeros at every base frame, and
    // the products with them are constants. Every operation of the stuffed
    // recursion is kept; only the products with the known +0.0 inputs come
    // from constants computed once (b * +0.0 is a zero with the sign of b),
    // so sums and signed zeros come out exactly as if the zeros had been
    // stuffed and multiplied.
    struct FoldedUpsampler
    {
        Dsp::PackedSection s0, s1, s2;
        __m128d z0, z1, z2, z10;

        void Load(Dsp::BesselLowPass<6, 2>& filter);
        void Store(Dsp::BesselLowPass<6, 2>& filter);

        // The three oversampled frames of the base frame at in.
        void Run(const double* in, __m128d out[kFactor])
        {
            const __m128d u =
                _mm_mul_pd(_mm_set1_pd(static_cast<double>(kFactor)), _mm_loadu_pd(in));
            // Phase 0: input u, previous inputs 0 and 0.
            __m128d p0 = _mm_add_pd(z1, _mm_mul_pd(s0.b0, u));
            p0 = _mm_add_pd(p0, z2);
            p0 = _mm_add_pd(p0, _mm_mul_pd(s0.a1, s0.y1));
            p0 = _mm_add_pd(p0, _mm_mul_pd(s0.a2, s0.y2));
            // Phase 1: input 0, previous inputs u and 0.
            __m128d p1 = _mm_add_pd(_mm_mul_pd(s0.b1, u), z0);
            p1 = _mm_add_pd(p1, z2);
            p1 = _mm_add_pd(p1, _mm_mul_pd(s0.a1, p0));
            p1 = _mm_add_pd(p1, _mm_mul_pd(s0.a2, s0.y1));
            // Phase 2: input 0, previous inputs 0 and u.
            __m128d p2 = _mm_add_pd(z10, _mm_mul_pd(s0.b2, u));
            p2 = _mm_add_pd(p2, _mm_mul_pd(s0.a1, p1));
            p2 = _mm_add_pd(p2, _mm_mul_pd(s0.a2, p0));
            s0.y2 = p1;
            s0.y1 = p2;
            out[0] = s2.Run(s1.Run(p0));
            out[1] = s2.Run(s1.Run(p1));
            out[2] = s2.Run(s1.Run(p2));
        }
    };
#endif

    // Whether filter's first section holds the stuffed zeros (+0.0) as its
    // previous inputs and the filter has three sections.
    static bool CanFold(const Dsp::BesselLowPass<6, 2>& filter);

    static void Upsample(const double* in, int frameCount, double* out,
                         Dsp::BesselLowPass<6, 2>& filter);
    // Stuffing folded into the filter, on packed doubles: the same bits as
    // stuffing and filtering, without the stuffing pass and the products
    // with the stuffed zeros. False (nothing done) where it does not apply.
    static bool UpsampleFused(const double* in, int frameCount, double* out,
                              Dsp::BesselLowPass<6, 2>& filter);
};

template <bool External, class Step>
void Oversampler::RunFused(double* frames, int frameCount, const double* sidechain, Step& step)
{
#ifdef DSP_HAVE_PACKED_SECTION
    FoldedUpsampler main, side;
    main.Load(mainUp);
    if (External) side.Load(sidechainUp);
    Dsp::PackedSection d0, d1;
    d0.Load(down.GetStage(0), down.State(0, 0), down.State(1, 0));
    d1.Load(down.GetStage(1), down.State(0, 1), down.State(1, 1));
    for (int i = 0; i < frameCount; ++i)
    {
        __m128d f[kFactor], y[kFactor];
        main.Run(frames + 2 * i, f);
        if (External) side.Run(sidechain + 2 * i, y);
        for (int k = 0; k < kFactor; ++k)
        {
            double left = _mm_cvtsd_f64(f[k]);
            double right = _mm_cvtsd_f64(_mm_unpackhi_pd(f[k], f[k]));
            if (External)
                step.Frame(left, right, _mm_cvtsd_f64(y[k]),
                           _mm_cvtsd_f64(_mm_unpackhi_pd(y[k], y[k])));
            else
                step.Frame(left, right, 0.0, 0.0);
            // Every frame runs through the down-sampling filter, whose
            // recursion needs them all; only the first of three is kept.
            f[k] = d1.Run(d0.Run(_mm_set_pd(right, left)));
        }
        _mm_storeu_pd(frames + 2 * i, f[0]);
    }
    main.Store(mainUp);
    if (External) side.Store(sidechainUp);
    d0.Store(down.State(0, 0), down.State(1, 0));
    d1.Store(down.State(0, 1), down.State(1, 1));
#else
    (void)frames;
    (void)frameCount;
    (void)sidechain;
    (void)step;
#endif
}
