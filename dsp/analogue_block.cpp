#include "dsp/analogue_block.h"

#include <cstdlib>
#include <ctime>

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

void analogue_block::Process(double* frames, int frameCount)
{
    harmonics.Process(frames, frameCount);
    DCBlocker dc = dcBlocker;
    NoiseGenerator gen = noise;
    for (int i = 0; i < frameCount; ++i)
    {
        double* f = frames + 2 * i;
        const double left = dc.ProcessSample(0, f[0]);
        const double right = dc.ProcessSample(1, f[1]);
        const double v = gen.Next();
        f[0] = left + v;
        f[1] = right + v;
    }
    dcBlocker = dc;
    noise = gen;
}
