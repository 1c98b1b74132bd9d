#include "tools/validate/SignalGenerator.h"

#include <cmath>

namespace validate
{

SignalGenerator::SignalGenerator(uint64_t seed, double sampleRate)
    : mRandom(seed), mSampleRate(sampleRate > 0.0 ? sampleRate : 44100.0)
{
}

void SignalGenerator::Start(Segment& s)
{
    s.kind = static_cast<Kind>(mRandom.Integer(0, KindCount - 1));
    // 2 ms to 150 ms, so that a few thousand frames see several kinds.
    s.remaining = static_cast<long>(mSampleRate * mRandom.Uniform(0.002, 0.15)) + 1;
    // Mostly loud (a compressor has to work), sometimes very quiet.
    s.amplitude = mRandom.Chance(0.2) ? mRandom.Uniform(1e-6, 1e-3) : mRandom.Uniform(0.05, 2.0);
    s.phase = 0.0;
    const double hz = std::exp(mRandom.Uniform(std::log(20.0), std::log(0.45 * mSampleRate)));
    s.phasePerFrame = 2.0 * 3.14159265358979323846 * hz / mSampleRate;
    s.period = static_cast<long>(mRandom.Integer(1, 2000));
    s.position = 0;
}

double SignalGenerator::Sample(Segment& s)
{
    if (s.remaining <= 0) Start(s);
    --s.remaining;
    ++s.position;
    switch (s.kind)
    {
    case Noise:
        return s.amplitude * mRandom.Uniform(-1.0, 1.0);
    case Sine:
        s.phase += s.phasePerFrame;
        return s.amplitude * std::sin(s.phase);
    case Burst:
        // Full-scale noise gated on and off every 5 ms or so.
        return ((s.position / 220) % 2 == 0) ? mRandom.Uniform(-1.0, 1.0) * 1.5 : 0.0;
    case Impulses:
        return (s.position % s.period == 0) ? s.amplitude : 0.0;
    case Dc:
        return s.amplitude;
    case Silence:
    case KindCount:
        break;
    }
    return 0.0;
}

void SignalGenerator::Fill(double* const channels[4], int n)
{
    for (int i = 0; i < n; ++i)
    {
        // Left and right differ slightly so that stereo paths are exercised.
        const double m = Sample(mMain);
        channels[0][i] = m;
        channels[1][i] = m * 0.8 + (mMain.kind == Noise ? 0.1 * mRandom.Uniform(-1.0, 1.0) : 0.0);
        const double sc = Sample(mSide);
        channels[2][i] = sc;
        channels[3][i] = -sc;
    }
}

} // namespace validate
