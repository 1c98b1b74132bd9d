// The single-precision entry, which widens and narrows inside the chain's own
// passes, against the double-precision entry fed the same values widened and
// its output narrowed: the same bits for every model and switch, over blocks
// longer and shorter than the host's block size, with the meters of the
// whole block.

#include "PluginHarness.h"

#include "framework/IFlushDenormals.h"

#include <cstring>
#include <random>

namespace
{
using P = BraskoKorvala;

struct Blocks
{
    std::vector<float> in[4];
    std::vector<double> wideIn[4];
};

Blocks Noise(int frames, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    Blocks b;
    for (int c = 0; c < 4; ++c)
    {
        b.in[c].resize(frames);
        for (float& v : b.in[c])
            v = u(gen) * (c < 2 ? 0.9f : 0.5f);
        b.wideIn[c].assign(b.in[c].begin(), b.in[c].end());
    }
    return b;
}
} // namespace

TEST(SinglePrecisionEntry, FloatBlocksEqualTheDoubleEntryNarrowed)
{
    const int kBlockSize = 512;
    for (double model : {0.0, 0.5, 1.0})
        for (double switches : {0.0, 1.0})
            for (double external : {0.0, 1.0})
            {
                Plugin single(48000.0, 5), wide(48000.0, 5);
                for (Plugin* p : {&single, &wide})
                {
                    p->fx->SetBlockSize(kBlockSize);
                    p->Set(P::kModelType, model);
                    p->Set(P::kOversampling, switches);
                    p->Set(P::kAnalogEmulation, switches);
                    p->Set(P::kExternalSidechain, external);
                    p->Set(P::kSidechainFilter, 0.5);
                    p->Set(P::kThreshold, 0.4);
                    p->Set(P::kRatio, 0.3);
                    p->Set(P::kInputGain, 0.75);
                    p->Set(P::kOutputGain, 0.7);
                }
                const int total = 4000;
                const Blocks b = Noise(total, 11);
                std::vector<float> out[2] = {std::vector<float>(total), std::vector<float>(total)};
                std::vector<double> wideOut[2] = {std::vector<double>(total),
                                                  std::vector<double>(total)};
                int done = 0;
                for (int n : {kBlockSize, 1, 1300, 0, 700, 2000})
                {
                    n = std::min(n, total - done);
                    float* ins[4];
                    double* wideIns[4];
                    for (int c = 0; c < 4; ++c)
                    {
                        ins[c] = const_cast<float*>(b.in[c].data()) + done;
                        wideIns[c] = const_cast<double*>(b.wideIn[c].data()) + done;
                    }
                    float* outs[2] = {out[0].data() + done, out[1].data() + done};
                    double* wideOuts[2] = {wideOut[0].data() + done, wideOut[1].data() + done};
                    single.fx->Lock();
                    single.fx->ProcessHostSingle(ins, outs, n, false);
                    single.fx->Unlock();
                    wide.fx->Lock();
                    wide.fx->ProcessHostDouble(wideIns, wideOuts, n);
                    wide.fx->Unlock();
                    // Narrowed with flush-to-zero, as the entries run: a
                    // double below the float range becomes a zero.
                    IFlushDenormals flush;
                    for (int c = 0; c < 2; ++c)
                        for (int i = done; i < done + n; ++i)
                        {
                            const float expected = static_cast<float>(wideOut[c][i]);
                            ASSERT_EQ(0, std::memcmp(&out[c][i], &expected, sizeof(float)))
                                << "model " << model << " switches " << switches << " external "
                                << external << " channel " << c << " frame " << i;
                        }
                    // The meters cover the whole host block on both entries.
                    ASSERT_EQ(single.canvas->LastMeters(), wide.canvas->LastMeters()) << n;
                    done += n;
                }
            }
}
