#pragma once

// The FET and opto models' oversampled path in one pass per host frame:
// up-sampling (zeros skipped), three steps of the gain computer, and the
// down-sampling cascade with only the kept frame stored. The feedback chain
// of the gain computer is long (about 80 cycles per oversampled frame) and
// leaves the arithmetic units idle most of the time; in one loop the
// processor runs the filters' independent chains in that idle time instead
// of in passes of their own. Every value sees the same operations in the same
// order as in the separate passes, so the output is bit-identical.

#include "FloorFilters.h"
#include "FloorModels.h"

namespace floorbench
{

// One FET step on the packed frame (left, right); returns the gained frame.
struct FetStep
{
    double att, rel, oneMinusAtt, oneMinusRel, k, offset, c2x4;
    double g, env, smallest;

    explicit FetStep(const FetState& s)
        : att(s.attack), rel(s.release), oneMinusAtt(1.0 - s.attack), oneMinusRel(1.0 - s.release),
          k(s.k), offset(s.rightOffset), c2x4(4.0 * kCurveSquare), g(s.gain), env(s.envelope),
          smallest(1.0)
    {
    }

    __m128d Run(__m128d frame)
    {
        const __m128d y = _mm_mul_pd(_mm_set_pd(g + offset, g), frame);
        const double v = std::fabs(k * _mm_cvtsd_f64(_mm_add_sd(y, _mm_unpackhi_pd(y, y))));
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
        return y;
    }

    void Store(FetState& s) const
    {
        s.gain = g;
        s.envelope = env;
        s.smallest = smallest;
    }
};

// One opto step on the packed frame, as OptoFloor.
struct OptoStep
{
    OptoState s;
    double oneMinusAtt, oneMinusFast, oneMinusSlow;

    explicit OptoStep(const OptoState& state)
        : s(state), oneMinusAtt(1.0 - state.attack), oneMinusFast(1.0 - state.fastRelease),
          oneMinusSlow(1.0 - state.slowRelease)
    {
        s.smallest = 1.0;
    }

    __m128d Run(__m128d frame)
    {
        const __m128d y = _mm_mul_pd(_mm_set_pd(s.gain + s.rightOffset, s.gain), frame);
        const double in = _mm_cvtsd_f64(_mm_add_sd(y, _mm_unpackhi_pd(y, y)));
        double d = s.b1 * s.x1 + s.b0 * in;
        d += s.b2 * s.x2;
        d += s.a1 * s.y1;
        d += s.a2 * s.y2;
        s.x2 = s.x1;
        s.x1 = in;
        s.y2 = s.y1;
        s.y1 = d;
        const double v = std::fabs(d * s.drive);
        double env = s.envelope;
        if (v > env)
        {
            env = oneMinusAtt * v + s.attack * env;
            s.attackPhase = true;
        }
        else
        {
            if (s.attackPhase) s.split = env * 0.9;
            s.attackPhase = false;
            if (env > s.split)
                env = oneMinusFast * v + s.fastRelease * env;
            else
                env = oneMinusSlow * v + s.slowRelease * env;
        }
        s.envelope = env;
        double o = env / (kCurveSquare * (env * env) + kCurveConstant) + kCurveLinear * env;
        if (o > 1.0) o = 1.0;
        s.gain = 1.0 - o;
        if (s.gain < s.smallest) s.smallest = s.gain;
        return y;
    }

    void Store(OptoState& state) const { state = s; }
};

// The oversampled path of either model in one loop. Step is FetStep or
// OptoStep over its State. in: n host frames; out: n host frames (may be the
// same buffer).
template <class Step, class State>
void OversampledFused(Cascade<3, 2>& up, State& state, Cascade<2, 2>& down, const double* in,
                      size_t n, double* out)
{
    PackedSection u[3], d[2];
    LoadPacked(up, u);
    LoadPacked(down, d);
    Step step(state);
    const __m128d three = _mm_set1_pd(3.0);
    for (size_t t = 0; t < n; ++t)
    {
        __m128d f[3];
        f[0] = u[0].RunStuffed(_mm_mul_pd(three, _mm_loadu_pd(in + 2 * t)));
        f[1] = u[0].y2;
        f[2] = u[0].y1;
        for (int k = 0; k < 3; ++k)
            f[k] = u[2].Run(u[1].Run(f[k]));
        for (int k = 0; k < 3; ++k)
            f[k] = d[1].Run(d[0].Run(step.Run(f[k])));
        _mm_storeu_pd(out + 2 * t, f[0]);
    }
    StorePacked(up, u);
    StorePacked(down, d);
    step.Store(state);
}

} // namespace floorbench
