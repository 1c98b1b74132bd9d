#pragma once

// The gain computers of the three models, each twice: a reference written
// plainly from the models' descriptions, and the fastest form found for the
// same arithmetic (the floor). bench_floor checks the pairs bit for bit.
//
// Frames are interleaved stereo doubles at the rate the gain computer runs
// (three times the host's rate with oversampling on). The gain computed from
// frame i is applied to frame i + 1.

#include "dsp/GainCurve.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>

namespace floorbench
{

// The rational curve of the FET and opto models, as the plug-in has it.
constexpr double kCurveSquare = GainCurve::kSquare;
constexpr double kCurveConstant = GainCurve::kConstant;
constexpr double kCurveLinear = GainCurve::kLinear;

// ---------------------------------------------------------------- VCA ----

struct VcaState
{
    // Settings.
    double attack = 0.0, release = 0.0, rms = 0.0, threshold = 1.0, ratio = 1.0;
    double rightOffset = 0.0; // 0 unless analog emulation and stereo are on
    // Recursion state.
    double gain = 1.0, envelope = 0.0, meanSquare = 0.0;
    double smallest = 1.0; // gain-reduction value of the last call
};

// Feed-forward: the detector is the input before the gain.
inline void VcaReference(VcaState& s, double* x, size_t frames)
{
    s.smallest = 1.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double l = x[2 * i], r = x[2 * i + 1];
        const double g = s.gain;
        x[2 * i] = g * l;
        x[2 * i + 1] = (g + s.rightOffset) * r;
        double d = l + r;
        d = d * 0.5;
        s.meanSquare = d * d * (1.0 - s.rms) + s.rms * s.meanSquare;
        const double level = std::sqrt(s.meanSquare) * 1.41;
        double a;
        if (level > s.envelope)
            a = s.attack;
        else
            a = s.release;
        s.envelope = (1.0 - a) * level + a * s.envelope;
        double over = s.envelope - s.threshold;
        if (over <= 0.0) over = 0.0;
        s.gain = (over / s.ratio + s.threshold) / (s.threshold + over);
        if (s.gain < s.smallest) s.smallest = s.gain;
    }
}

// The serial part alone: mean square and envelope are the only values that
// carry from frame to frame; this loop computes them and stores the envelope.
// Everything after the envelope (threshold, two divisions, the minimum, the
// gain applied to the frame) depends on nothing carried, so VcaApplyGains
// does it two frames at a time. The choice between attack and release is a
// predicted branch (a branch-free select measured slower: it keeps the
// comparison on the envelope's chain).
inline void VcaRecursion(VcaState& s, const double* x, size_t frames, double* envelopes)
{
    const double att = s.attack, rel = s.release;
    const double oneMinusAtt = 1.0 - att, oneMinusRel = 1.0 - rel;
    const double q = s.rms, oneMinusQ = 1.0 - s.rms;
    double ms = s.meanSquare, env = s.envelope;
    for (size_t i = 0; i < frames; ++i)
    {
        double d = x[2 * i] + x[2 * i + 1];
        d = d * 0.5;
        ms = d * d * oneMinusQ + q * ms;
        const double level = std::sqrt(ms) * 1.41;
        if (level > env)
            env = oneMinusAtt * level + att * env;
        else
            env = oneMinusRel * level + rel * env;
        envelopes[i] = env;
    }
    s.meanSquare = ms;
    s.envelope = env;
}

// Gains from the stored envelopes, two frames per step; frame i gets the gain
// of frame i - 1 (the carried gain for frame 0).
inline void VcaApplyGains(VcaState& s, double* x, size_t frames, const double* envelopes)
{
    const __m128d thr = _mm_set1_pd(s.threshold), ratio = _mm_set1_pd(s.ratio);
    const __m128d zero = _mm_setzero_pd(), offset = _mm_set_pd(s.rightOffset, 0.0);
    __m128d smallest = _mm_set1_pd(1.0);
    double previous = s.gain;
    size_t i = 0;
    for (; i + 2 <= frames; i += 2)
    {
        __m128d over = _mm_sub_pd(_mm_loadu_pd(envelopes + i), thr);
        over = _mm_andnot_pd(_mm_cmple_pd(over, zero), over);
        const __m128d g =
            _mm_div_pd(_mm_add_pd(_mm_div_pd(over, ratio), thr), _mm_add_pd(thr, over));
        smallest = _mm_min_pd(g, smallest);
        // Frame i uses the previous gain, frame i + 1 the gain of frame i.
        const __m128d g0 = _mm_set1_pd(previous);
        const __m128d g1 = _mm_unpacklo_pd(g, g);
        _mm_storeu_pd(x + 2 * i, _mm_mul_pd(_mm_add_pd(g0, offset), _mm_loadu_pd(x + 2 * i)));
        _mm_storeu_pd(x + 2 * i + 2,
                      _mm_mul_pd(_mm_add_pd(g1, offset), _mm_loadu_pd(x + 2 * i + 2)));
        previous = _mm_cvtsd_f64(_mm_unpackhi_pd(g, g));
    }
    double least =
        std::fmin(_mm_cvtsd_f64(smallest), _mm_cvtsd_f64(_mm_unpackhi_pd(smallest, smallest)));
    for (; i < frames; ++i)
    {
        double over = envelopes[i] - s.threshold;
        if (over <= 0.0) over = 0.0;
        const double g = (over / s.ratio + s.threshold) / (s.threshold + over);
        x[2 * i] = previous * x[2 * i];
        x[2 * i + 1] = (previous + s.rightOffset) * x[2 * i + 1];
        previous = g;
        if (g < least) least = g;
    }
    s.gain = previous;
    s.smallest = least;
}

// The left channel's (g + 0) * l equals g * l for every gain (g >= 0, never
// -0), which is what lets the packed multiply above add a zero offset.

// ---------------------------------------------------------------- FET ----

struct FetState
{
    double attack = 0.0, release = 0.0, k = 0.0; // k = threshold factor * ratio amount * 400
    double rightOffset = 0.0;
    double gain = 1.0, envelope = 0.0;
    double smallest = 1.0;
};

// Feedback: the detector reads the frame after the gain.
inline void FetReference(FetState& s, double* x, size_t frames)
{
    s.smallest = 1.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double g = s.gain;
        const double l = g * x[2 * i];
        const double r = (g + s.rightOffset) * x[2 * i + 1];
        x[2 * i] = l;
        x[2 * i + 1] = r;
        const double d = l + r;
        const double v = std::fabs(s.k * d);
        double a;
        if (v > s.envelope)
            a = s.attack;
        else
            a = s.release;
        s.envelope = (1.0 - a) * v + a * s.envelope;
        const double m = 2.0 * (s.envelope * s.envelope);
        double o = m / (kCurveSquare * (m * m) + kCurveConstant) + kCurveLinear * m;
        if (o < -1.0) o = -1.0;
        if (o > 1.0) o = 1.0;
        s.gain = 1.0 - o;
        if (s.gain < s.smallest) s.smallest = s.gain;
    }
}

// The fastest form found: selection and clamp as predicted branches (off the
// chain), 1 - a hoisted, and two exact rewrites that shorten the chain:
// - o >= 0 for every m >= 0, so the clamp at -1 never acts;
// - with r = env * env, m = 2r exactly and m * m = 4 (r * r) exactly (scaling
//   by a power of two does not round), so c2 * (m * m) = (4 c2) * (r * r):
//   r * r runs beside 2r instead of after it. Where r * r leaves the normal
//   range, c2 * (m * m) + c0 rounds to c0 both ways.
inline void FetFloor(FetState& s, double* x, size_t frames)
{
    const double att = s.attack, rel = s.release;
    const double oneMinusAtt = 1.0 - att, oneMinusRel = 1.0 - rel;
    const double k = s.k, offset = s.rightOffset;
    const double c2x4 = 4.0 * kCurveSquare;
    double g = s.gain, env = s.envelope, smallest = 1.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double l = g * x[2 * i];
        const double r = (g + offset) * x[2 * i + 1];
        x[2 * i] = l;
        x[2 * i + 1] = r;
        const double v = std::fabs(k * (l + r));
        if (v > env)
            env = oneMinusAtt * v + att * env;
        else
            env = oneMinusRel * v + rel * env;
        const double sq = env * env;
        const double m = 2.0 * sq;
        double o = m / (c2x4 * (sq * sq) + kCurveConstant) + kCurveLinear * m;
        if (o > 1.0) o = 1.0;
        g = 1.0 - o;
        if (g < smallest) smallest = g;
    }
    s.gain = g;
    s.envelope = env;
    s.smallest = smallest;
}

// ---------------------------------------------------------------- opto ---

struct OptoState
{
    double attack = 0.0, fastRelease = 0.0, slowRelease = 0.0, drive = 0.0;
    double rightOffset = 0.0;
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0; // detector shelf
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    double gain = 1.0, envelope = 0.0, split = 0.0;
    bool attackPhase = false;
    double smallest = 1.0;
};

inline void OptoReference(OptoState& s, double* x, size_t frames)
{
    s.smallest = 1.0;
    for (size_t i = 0; i < frames; ++i)
    {
        const double g = s.gain;
        const double l = g * x[2 * i];
        const double r = (g + s.rightOffset) * x[2 * i + 1];
        x[2 * i] = l;
        x[2 * i + 1] = r;
        const double in = l + r;
        double d = s.b1 * s.x1 + s.b0 * in;
        d += s.b2 * s.x2;
        d += s.a1 * s.y1;
        d += s.a2 * s.y2;
        s.x2 = s.x1;
        s.x1 = in;
        s.y2 = s.y1;
        s.y1 = d;
        const double v = std::fabs(d * s.drive);
        double a;
        if (v > s.envelope)
        {
            a = s.attack;
            s.attackPhase = true;
        }
        else
        {
            if (s.attackPhase) s.split = s.envelope * 0.9;
            a = s.envelope > s.split ? s.fastRelease : s.slowRelease;
            s.attackPhase = false;
        }
        s.envelope = (1.0 - a) * v + a * s.envelope;
        const double e = s.envelope;
        double o = e / (kCurveSquare * (e * e) + kCurveConstant) + kCurveLinear * e;
        if (o < -1.0) o = -1.0;
        if (o > 1.0) o = 1.0;
        s.gain = 1.0 - o;
        if (s.gain < s.smallest) s.smallest = s.gain;
    }
}

// Selection as predicted branches, 1 - a hoisted, the clamp at -1 dropped
// (o >= 0 for every envelope >= 0).
inline void OptoFloor(OptoState& s, double* x, size_t frames)
{
    const double att = s.attack, fast = s.fastRelease, slow = s.slowRelease;
    const double oneMinusAtt = 1.0 - att, oneMinusFast = 1.0 - fast, oneMinusSlow = 1.0 - slow;
    const double b0 = s.b0, b1 = s.b1, b2 = s.b2, a1 = s.a1, a2 = s.a2;
    const double drive = s.drive, offset = s.rightOffset;
    double x1 = s.x1, x2 = s.x2, y1 = s.y1, y2 = s.y2;
    double g = s.gain, env = s.envelope, split = s.split, smallest = 1.0;
    bool phase = s.attackPhase;
    for (size_t i = 0; i < frames; ++i)
    {
        const double l = g * x[2 * i];
        const double r = (g + offset) * x[2 * i + 1];
        x[2 * i] = l;
        x[2 * i + 1] = r;
        const double in = l + r;
        double d = b1 * x1 + b0 * in;
        d += b2 * x2;
        d += a1 * y1;
        d += a2 * y2;
        x2 = x1;
        x1 = in;
        y2 = y1;
        y1 = d;
        const double v = std::fabs(d * drive);
        if (v > env)
        {
            env = oneMinusAtt * v + att * env;
            phase = true;
        }
        else
        {
            if (phase) split = env * 0.9;
            phase = false;
            if (env > split)
                env = oneMinusFast * v + fast * env;
            else
                env = oneMinusSlow * v + slow * env;
        }
        double o = env / (kCurveSquare * (env * env) + kCurveConstant) + kCurveLinear * env;
        if (o > 1.0) o = 1.0;
        g = 1.0 - o;
        if (g < smallest) smallest = g;
    }
    s.x1 = x1;
    s.x2 = x2;
    s.y1 = y1;
    s.y2 = y2;
    s.gain = g;
    s.envelope = env;
    s.split = split;
    s.attackPhase = phase;
    s.smallest = smallest;
}

} // namespace floorbench
