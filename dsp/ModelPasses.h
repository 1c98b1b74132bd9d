#pragma once

#include <algorithm>

// Every model works a host block in passes of at most kModelPassFrames
// frames: the analog stage's band limit and the oversampled buffers
// (3 x 4096 < 16384 frames) are sized for that, and the models are
// sequential per frame, so any split gives the same output.
constexpr int kModelPassFrames = 4096;

// Runs model.ProcessChunk over the block pass by pass and recovers from
// non-finite input after each pass: when the model's state is no longer
// finite it returns to its constructed values (ResetState) and the pass is
// silenced, since its samples from the fault on cannot be trusted. The
// check reads the state once per pass and changes nothing on finite data.
// Audio thread, plug-in lock held.
template <class Model>
void ProcessModelInPasses(Model& model, double* frames, int frameCount, const double* sidechain)
{
    model.gainReduction = 1.0;
    for (int done = 0; done < frameCount; done += kModelPassFrames)
    {
        const int n = std::min(kModelPassFrames, frameCount - done);
        double* pass = frames + 2 * done;
        model.ProcessChunk(pass, n, sidechain ? sidechain + 2 * done : nullptr);
        if (!model.IsStateFinite())
        {
            model.ResetState();
            std::fill(pass, pass + 2 * n, 0.0);
        }
    }
}
