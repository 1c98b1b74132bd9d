// The hand-over from the audio thread to the editor without a lock: one
// thread does what the plug-in does at the end of every block (mark every
// control dirty, push the meter readings) as fast as it can, while another
// runs the editor's timer ticks (dirty query, draw pass). Run under
// ThreadSanitizer (CTest label tsan) this finds any data race; in any build it
// checks that the last readings are neither overwritten nor left undrawn.

#include "GuiTestSupport.h"

#include "gui/IBitmapControl.h"
#include "gui/IGainReductionMeter.h"
#include "gui/IPeakMeter.h"
#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace guitest;

TEST(MeterHandOver, ReadingsAndDirtyFlagsCrossWithoutRaceOrLoss)
{
    TestEffect fx;
    TestCanvas canvas(&fx);
    auto* knob =
        new IBitmapControl(&fx, 0, 0, kInputGain, canvas.LoadImageStrip(kStrip5Frames, "k", 5));
    canvas.AttachControl(knob);
    int peak[2];
    for (int i = 0; i < 2; ++i)
        peak[i] = canvas.AttachControl(new IPeakMeter(&fx, 20 + 10 * i, 10, 6, 100));
    const int gr = canvas.AttachControl(new IGainReductionMeter(&fx, 20, 150, 195, 8, 20));
    canvas.PrepareDrawing();

    // Every reading the pushing thread sends lies in 0.2..0.6 (peaks) and
    // 0.5..1 (gains); the last ones lie outside, so they can be told apart.
    constexpr int kBlocks = 20000;
    const double lastPeak[2] = {0.05, 0.07};
    constexpr double kLastGain = 0.25;

    std::atomic<bool> done{false};
    std::thread audio(
        [&]
        {
            for (int b = 0; b < kBlocks; ++b)
            {
                const double t = (b % 97) / 96.0;
                canvas.SetAllControlsDirty();
                canvas.SetControlFromPlugin(peak[0], 0.2 + 0.4 * t);
                canvas.SetControlFromPlugin(peak[1], 0.6 - 0.4 * t);
                canvas.SetControlFromPlugin(gr, 0.5 + 0.5 * t);
                canvas.SetParameterFromPlugin(kInputGain, t, true);
            }
            canvas.SetControlFromPlugin(peak[0], lastPeak[0]);
            canvas.SetControlFromPlugin(peak[1], lastPeak[1]);
            canvas.SetControlFromPlugin(gr, kLastGain);
            done.store(true, std::memory_order_release);
        });

    int passes = 0;
    while (!done.load(std::memory_order_acquire))
    {
        IBox box;
        if (canvas.IsDirty(&box))
        {
            canvas.Draw(box);
            ++passes;
        }
    }
    audio.join();

    auto* grMeter = static_cast<IGainReductionMeter*>(canvas.GetControl(gr));
    // The last readings are what the controls hold: no draw pass replaced them.
    EXPECT_EQ(canvas.GetControl(peak[0])->GetValue(), lastPeak[0]);
    EXPECT_EQ(canvas.GetControl(peak[1])->GetValue(), lastPeak[1]);
    EXPECT_EQ(grMeter->GetValue(), kLastGain);

    // The gain-reduction meter does not mark itself dirty, so if its last
    // reading's dirty flag had been lost it would never be drawn. With it,
    // the next ticks draw it, and the attack (1 ms at 30 frames a second)
    // catches the new, larger reduction within that one frame.
    for (int tick = 0; tick < 400; ++tick)
    {
        IBox box;
        if (canvas.IsDirty(&box)) canvas.Draw(box);
    }
    EXPECT_NEAR(grMeter->Smoothed(), kLastGain, 1e-9);
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(static_cast<IPeakMeter*>(canvas.GetControl(peak[i]))->Level(),
                    lastPeak[i] * 7.94328, 1e-9);
    RecordProperty("drawPasses", passes);
}
