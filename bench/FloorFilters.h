#pragma once

// Biquad kernels of the floor benchmark: the direct-form-I section recursion
// with the plug-in's fixed order of operations, run in the orders that can be
// compared for speed. Every variant performs, per channel and section, exactly
// the same multiplications and additions in the same order on the same values
// as the reference; they differ only in which independent chains run side by
// side, so their outputs are bit-identical and bench_floor checks that.

#include <emmintrin.h>

#include <array>
#include <cstddef>

namespace floorbench
{

// out = b1*x1 + b0*in; out += b2*x2; out += a1*y1; out += a2*y2 (a1, a2 are
// added: the denominator is 1 - a1 z^-1 - a2 z^-2).
struct Biquad
{
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
};

struct BiquadState
{
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

inline double RunSection(const Biquad& c, BiquadState& s, double in)
{
    double out = c.b1 * s.x1 + c.b0 * in;
    out += c.b2 * s.x2;
    out += c.a1 * s.y1;
    out += c.a2 * s.y2;
    s.x2 = s.x1;
    s.x1 = in;
    s.y2 = s.y1;
    s.y1 = out;
    return out;
}

// A cascade of S sections over C interleaved channels, state [channel][section].
template <int S, int C> struct Cascade
{
    std::array<Biquad, S> sections{};
    std::array<std::array<BiquadState, S>, C> state{};
};

// Reference order: frame by frame, channel by channel, the sample through
// every section (the general path). One serial chain at a time, so the
// processor waits on each section's latency.
template <int S, int C> void ProcessReference(Cascade<S, C>& f, double* x, size_t frames)
{
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < C; ++c)
        {
            double v = x[i * C + c];
            for (int s = 0; s < S; ++s)
                v = RunSection(f.sections[s], f.state[c][s], v);
            x[i * C + c] = v;
        }
}

// Two channels of one section side by side in an SSE2 register.
struct PackedSection
{
    __m128d b0, b1, b2, a1, a2;
    __m128d x1, x2, y1, y2;

    void Load(const Biquad& c, const BiquadState& l, const BiquadState& r)
    {
        b0 = _mm_set1_pd(c.b0);
        b1 = _mm_set1_pd(c.b1);
        b2 = _mm_set1_pd(c.b2);
        a1 = _mm_set1_pd(c.a1);
        a2 = _mm_set1_pd(c.a2);
        x1 = _mm_set_pd(r.x1, l.x1);
        x2 = _mm_set_pd(r.x2, l.x2);
        y1 = _mm_set_pd(r.y1, l.y1);
        y2 = _mm_set_pd(r.y2, l.y2);
    }

    void Store(BiquadState& l, BiquadState& r) const
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

    // The first section of a zero-stuffed up-sampler: in phase 0 the input is
    // u and both previous inputs are stuffed zeros, in phase 1 only x1 = u is
    // non-zero, in phase 2 only x2 = u. Dropping the products with those zeros
    // and the additions of them leaves every other operation as it was; an
    // added zero changes no sum except the sign of an exact zero, which the
    // chain's 1e-24 offset keeps from occurring.
    __m128d RunStuffed(__m128d u)
    {
        __m128d out = _mm_mul_pd(b0, u);
        out = _mm_add_pd(out, _mm_mul_pd(a1, y1));
        out = _mm_add_pd(out, _mm_mul_pd(a2, y2));
        __m128d out1 = _mm_mul_pd(b1, u);
        out1 = _mm_add_pd(out1, _mm_mul_pd(a1, out));
        out1 = _mm_add_pd(out1, _mm_mul_pd(a2, y1));
        __m128d out2 = _mm_mul_pd(b2, u);
        out2 = _mm_add_pd(out2, _mm_mul_pd(a1, out1));
        out2 = _mm_add_pd(out2, _mm_mul_pd(a2, out));
        y2 = out1;
        y1 = out2;
        x1 = _mm_setzero_pd();
        x2 = _mm_setzero_pd();
        return out;
    }
};

template <int S> void LoadPacked(const Cascade<S, 2>& f, PackedSection* p)
{
    for (int s = 0; s < S; ++s)
        p[s].Load(f.sections[s], f.state[0][s], f.state[1][s]);
}

template <int S> void StorePacked(Cascade<S, 2>& f, const PackedSection* p)
{
    for (int s = 0; s < S; ++s)
        p[s].Store(f.state[0][s], f.state[1][s]);
}

// Wavefront: in step t section s works on frame t - s, so the S sections are
// S independent chains whose latencies overlap. Each section still sees its
// frames in order with its own state, so the result equals the reference.
template <int S> void ProcessInterleaved(Cascade<S, 2>& f, double* x, size_t frames)
{
    PackedSection p[S];
    LoadPacked(f, p);
    __m128d carry[S] = {};
    const size_t steps = frames + S - 1;
    for (size_t t = 0; t < steps; ++t)
    {
        // High sections first: carry[s - 1] still holds frame t - s.
        for (int s = S - 1; s >= 0; --s)
        {
            if (t < static_cast<size_t>(s) || t - s >= frames) continue;
            const __m128d in = s == 0 ? _mm_loadu_pd(x + 2 * t) : carry[s - 1];
            carry[s] = p[s].Run(in);
            if (s == S - 1) _mm_storeu_pd(x + 2 * (t - s), carry[s]);
        }
    }
    StorePacked(f, p);
}

// Up-sampling by 3, reference: stuff (3x, 0, 0) into out, then filter out in
// place with the reference order.
template <int S>
void UpsampleReference(Cascade<S, 2>& f, const double* in, size_t frames, double* out)
{
    for (size_t i = 0; i < frames; ++i)
    {
        out[6 * i + 0] = 3.0 * in[2 * i + 0];
        out[6 * i + 1] = 3.0 * in[2 * i + 1];
        for (int k = 2; k < 6; ++k)
            out[6 * i + k] = 0.0;
    }
    ProcessReference(f, out, 3 * frames);
}

// Up-sampling by 3, fused: no stuffing pass, the known zeros skipped in the
// first section, and the sections interleaved as in ProcessInterleaved.
template <int S>
void UpsampleInterleaved(Cascade<S, 2>& f, const double* in, size_t frames, double* out)
{
    static_assert(S >= 1, "at least one section");
    PackedSection p[S];
    LoadPacked(f, p);
    const __m128d three = _mm_set1_pd(3.0);
    // Section 0 emits three frames per input frame; later sections run one
    // input frame behind each other so their chains overlap.
    __m128d stage[S][3] = {};
    const size_t steps = frames + S - 1;
    for (size_t t = 0; t < steps; ++t)
    {
        for (int s = S - 1; s >= 1; --s)
        {
            if (t < static_cast<size_t>(s) || t - s >= frames) continue;
            for (int k = 0; k < 3; ++k)
                stage[s][k] = p[s].Run(stage[s - 1][k]);
            if (s == S - 1)
                for (int k = 0; k < 3; ++k)
                    _mm_storeu_pd(out + 6 * (t - s) + 2 * k, stage[s][k]);
        }
        if (t < frames)
        {
            const __m128d u = _mm_mul_pd(three, _mm_loadu_pd(in + 2 * t));
            stage[0][0] = p[0].RunStuffed(u);
            stage[0][1] = p[0].y2;
            stage[0][2] = p[0].y1;
            // The zero inputs of phases 1 and 2 leave x1 = 0, x2 = 0 after
            // phase 2, as in the reference.
            if (S == 1)
                for (int k = 0; k < 3; ++k)
                    _mm_storeu_pd(out + 6 * t + 2 * k, stage[0][k]);
        }
    }
    StorePacked(f, p);
}

// Down-sampling by 3, reference: filter all 3n frames in place, keep every
// third.
template <int S> void DownsampleReference(Cascade<S, 2>& f, double* buf, size_t frames, double* out)
{
    ProcessReference(f, buf, 3 * frames);
    for (size_t j = 0; j < frames; ++j)
    {
        out[2 * j + 0] = buf[6 * j + 0];
        out[2 * j + 1] = buf[6 * j + 1];
    }
}

// Down-sampling by 3, fused: sections interleaved, and only the surviving
// frames stored (the recursion itself needs every output, so every frame is
// still filtered).
template <int S>
void DownsampleInterleaved(Cascade<S, 2>& f, const double* buf, size_t frames, double* out)
{
    PackedSection p[S];
    LoadPacked(f, p);
    __m128d carry[S] = {};
    const size_t n = 3 * frames;
    const size_t steps = n + S - 1;
    for (size_t t = 0; t < steps; ++t)
    {
        for (int s = S - 1; s >= 0; --s)
        {
            if (t < static_cast<size_t>(s) || t - s >= n) continue;
            const __m128d in = s == 0 ? _mm_loadu_pd(buf + 2 * t) : carry[s - 1];
            carry[s] = p[s].Run(in);
            if (s == S - 1 && (t - s) % 3 == 0) _mm_storeu_pd(out + 2 * ((t - s) / 3), carry[s]);
        }
    }
    StorePacked(f, p);
}

} // namespace floorbench
