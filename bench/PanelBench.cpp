// Prints what the editor's draw passes cost on this machine, with the real
// panel of the plug-in (its images, fonts and 28 controls) on a 552 x 200
// off-screen bitmap, after a block of audio has given the meters values:
//   - a full-panel pass: every control dirty, as after a window opens and
//     after every processed block while audio runs (the chain marks all
//     controls dirty);
//   - a meters-only pass: only the four peak meters and the gain-reduction
//     meter dirty; the dirty query's union then spans from the input meters
//     to the output meters, so the pass repaints most of the panel;
//   - the five meters each drawn over its own box, for comparison.
// Figures only, no assertions. Arguments are ignored (the CI step passes
// Google Benchmark's).

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "plugin/BraskoKorvala.h"
#include "plugin/BraskoKorvalaPanel.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace
{

VstIntPtr VSTCALLBACK SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

template <class F> double MicrosecondsPerCall(F f)
{
    using Clock = std::chrono::steady_clock;
    int calls = 0;
    const auto start = Clock::now();
    auto now = start;
    do
    {
        for (int i = 0; i < 8; ++i)
            f();
        calls += 8;
        now = Clock::now();
    } while (now - start < std::chrono::milliseconds(400));
    return std::chrono::duration<double, std::micro>(now - start).count() / calls;
}

} // namespace

int main()
{
    auto fx = std::make_unique<BraskoKorvala>(&SilentHost);
    fx->SetSampleRate(48000.0);
    fx->OnReset();
    fx->ResendAllParameters();
    auto* canvas = dynamic_cast<IEditorCanvas*>(fx->GetGUI());
    if (!canvas)
    {
        std::printf("bench_panel: the plug-in has no editor\n");
        return 1;
    }

    // One block of a loud sine so that the meters and gain reduction draw
    // lit bars and segments.
    const int n = 1600;
    std::vector<double> in[4], out[2];
    for (auto& c : in)
        c.assign(n, 0.0);
    for (auto& c : out)
        c.assign(n, 0.0);
    for (int i = 0; i < n; ++i)
        in[0][i] = in[1][i] = 0.8 * std::sin(0.05 * i);
    double* ins[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
    double* outs[2] = {out[0].data(), out[1].data()};
    fx->Lock();
    fx->ProcessBlock(ins, outs, n);
    fx->Unlock();

    const IBox panel(0, 0, canvas->Width(), canvas->Height());
    const double full = MicrosecondsPerCall([&] {
        canvas->SetAllControlsDirty();
        IBox dirty;
        canvas->IsDirty(&dirty);
        canvas->Draw(dirty);
    });

    const int meters[] = {BraskoKorvalaPanel::kMeterInLeft, BraskoKorvalaPanel::kMeterInRight,
                          BraskoKorvalaPanel::kMeterOutLeft, BraskoKorvalaPanel::kMeterOutRight,
                          BraskoKorvalaPanel::kGainReductionMeter};
    // Clean slate: one pass leaves only the peak meters dirty (they redraw
    // every frame).
    canvas->Draw(panel);
    IBox meterUnion;
    const double metersUnion = MicrosecondsPerCall([&] {
        for (int m : meters)
            canvas->GetControl(m)->SetDirty(false);
        meterUnion = IBox();
        canvas->IsDirty(&meterUnion);
        canvas->Draw(meterUnion);
    });
    const double metersOwn = MicrosecondsPerCall([&] {
        for (int m : meters)
        {
            IControl* c = canvas->GetControl(m);
            c->SetDirty(false);
            canvas->Draw(c->GetRect());
        }
    });

    std::printf("panel draw pass, 552 x 200, %d controls (us per pass; share of one core at 30 "
                "passes a second)\n",
                canvas->NControls());
    std::printf("  full panel, every control dirty : %8.1f us  %5.2f %%\n", full, full * 30 / 1e4);
    std::printf("  meters dirty, union (%d,%d)-(%d,%d): %8.1f us  %5.2f %%\n", meterUnion.left,
                meterUnion.top, meterUnion.right, meterUnion.bottom, metersUnion,
                metersUnion * 30 / 1e4);
    std::printf("  five meters, each its own box   : %8.1f us  %5.2f %%\n", metersOwn,
                metersOwn * 30 / 1e4);
    return 0;
}
