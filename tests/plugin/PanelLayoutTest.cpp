// The panel as the plug-in builds it: every control at its index and box,
// the images decoded, the knobs following their parameters, the knobs greyed
// for the opto model and the meters drawing what the signal chain measured.

#include "PluginHarness.h"

#include "gui/BraskoKnob.h"
#include "gui/IBitmapControl.h"
#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "gui/IGainReductionMeter.h"
#include "gui/IKnobMultiControl.h"
#include "gui/IParamText.h"
#include "gui/IPeakMeter.h"
#include "gui/ISliderControl.h"
#include "gui/ISwitchControl.h"
#include "gui/ITextControl.h"
#include "plugin/BraskoKorvalaPanel.h"
#include "raster/IBitmap.h"

#include <cmath>
#include <cstdint>
#include <typeinfo>

namespace
{

// The plug-in with the editor it builds itself (no stand-in canvas).
struct Panel
{
    Panel()
    {
        fx = std::make_unique<BraskoKorvala>(&SilentHost);
        fx->SetSampleRate(48000.0);
        fx->OnReset();
        fx->ResendAllParameters();
        canvas = dynamic_cast<IEditorCanvas*>(fx->GetGUI());
    }

    void Set(int idx, double normalised)
    {
        fx->Lock();
        fx->GetParam(idx)->SetNormalized(normalised);
        fx->OnParameterChange(idx);
        fx->Unlock();
        // As the binding does for a host's change.
        canvas->SetParameterFromPlugin(idx, normalised, true);
    }

    // A window timer tick: the dirty query and the draw pass over the union.
    void Tick()
    {
        IBox dirty;
        if (canvas->IsDirty(&dirty)) canvas->Draw(dirty);
    }

    std::uint32_t Pixel(int x, int y) const
    {
        IBitmap* b = canvas->GetDrawBitmap();
        return b->Bits()[y * b->RowSpan() + x];
    }

    IControl* Control(int idx) const { return canvas->GetControl(idx); }

    std::unique_ptr<BraskoKorvala> fx;
    IEditorCanvas* canvas = nullptr;
};

template <class T> bool Is(IControl* c) { return c && typeid(*c) == typeid(T); }

} // namespace

TEST(PanelLayout, EveryControlHasItsIndexTypeAndBox)
{
    Panel p;
    ASSERT_NE(p.canvas, nullptr);
    ASSERT_EQ(p.canvas->NControls(), 28);
    EXPECT_EQ(p.canvas->Width(), 552);
    EXPECT_EQ(p.canvas->Height(), 200);
    EXPECT_EQ(p.canvas->FrameRate(), 30);

    struct Expected
    {
        int index;
        IBox box;
        int param;
    };
    const Expected table[] = {
        {0, {0, 0, 552, 200}, -1},    {1, {30, 16, 42, 142}, 0},     {2, {524, 16, 536, 142}, 6},
        {18, {426, 82, 472, 124}, 1}, {19, {66, 178, 98, 189}, 7},   {20, {116, 178, 177, 189}, 8},
        {21, {192, 178, 256, 189}, 10}, {22, {14, 16, 19, 142}, -1}, {23, {22, 16, 27, 142}, -1},
        {24, {508, 16, 513, 142}, -1}, {25, {516, 16, 521, 142}, -1}, {26, {226, 19, 421, 31}, -1},
        {27, {440, 180, 450, 210}, -1},
    };
    for (const Expected& e : table)
    {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(p.Control(e.index)->GetRect(), e.box);
        EXPECT_EQ(p.Control(e.index)->ParamIndex(), e.param);
    }
    EXPECT_TRUE(Is<IBitmapControl>(p.Control(0)));
    EXPECT_EQ(p.Control(0)->GetBlend().method, 1);
    EXPECT_TRUE(Is<ISliderControl>(p.Control(1)));
    EXPECT_TRUE(Is<ISliderControl>(p.Control(2)));
    for (int i = 18; i <= 21; ++i)
        EXPECT_TRUE(Is<ISwitchControl>(p.Control(i)));
    for (int i = 22; i <= 25; ++i)
        EXPECT_TRUE(Is<IPeakMeter>(p.Control(i)));
    EXPECT_TRUE(Is<IGainReductionMeter>(p.Control(26)));
    EXPECT_TRUE(Is<ITextControl>(p.Control(27)));

    // Knobs: image, value text and the composite, at x = 66, 138, 210, 280, 350.
    const int knobX[5] = {66, 138, 210, 280, 350};
    const int knobParam[5] = {2, 3, 4, 5, 9};
    for (int k = 0; k < 5; ++k)
    {
        SCOPED_TRACE(knobX[k]);
        const int first = 3 + 3 * k;
        const int x = knobX[k];
        EXPECT_TRUE(Is<IKnobMultiControl>(p.Control(first)));
        EXPECT_TRUE(Is<IParamText>(p.Control(first + 1)));
        EXPECT_TRUE(Is<BraskoKnob>(p.Control(first + 2)));
        EXPECT_EQ(p.Control(first)->GetRect(), IBox(x, 78, x + 56, 134));
        EXPECT_EQ(p.Control(first + 1)->GetRect(), IBox(x, 137, x + 56, 145));
        EXPECT_EQ(p.Control(first + 2)->GetRect(), IBox(x, 78, x + 56, 145));
        for (int c = first; c < first + 3; ++c)
            EXPECT_EQ(p.Control(c)->ParamIndex(), knobParam[k]);
        // The composite never takes the mouse; its image and text do, and
        // they do not overlap.
        EXPECT_FALSE(p.Control(first + 2)->IsHit(x + 28, 100));
        EXPECT_TRUE(p.Control(first)->IsHit(x + 28, 133));
        EXPECT_FALSE(p.Control(first)->IsHit(x + 28, 137));
        EXPECT_TRUE(p.Control(first + 1)->IsHit(x + 28, 137));
    }
}

TEST(PanelLayout, ImagesAreDecodedWithTheirSizesAndFrames)
{
    Panel p;
    struct Strip
    {
        int id;
        const char* name;
        int frames, w, h;
    };
    const Strip strips[] = {{100, "img/bg2.png", 1, 552, 200},     {101, "img/knob.png", 64, 56, 3584},
                            {102, "img/modesel.png", 3, 46, 126},  {103, "img/hqswitch.png", 2, 32, 22},
                            {104, "img/analogswitch.png", 2, 61, 22}, {105, "img/faderhandle.png", 1, 12, 14},
                            {106, "img/extscswitch.png", 2, 64, 22}};
    for (const Strip& s : strips)
    {
        SCOPED_TRACE(s.name);
        const IImageStrip strip = p.canvas->LoadImageStrip(s.id, s.name, s.frames);
        ASSERT_NE(strip.bitmap, nullptr);
        EXPECT_EQ(strip.width, s.w);
        EXPECT_EQ(strip.height, s.h);
    }
}

TEST(PanelLayout, BackgroundIsCopiedOpaqueAndKnobsShowTheirParameterFrame)
{
    Panel p;
    p.canvas->SetAllControlsDirty();
    p.Tick();
    // The background is a plain copy: every pixel away from the controls is
    // exactly the image's, alpha included.
    const IImageStrip bg = p.canvas->LoadImageStrip(100, "img/bg2.png", 1);
    for (int y : {2, 50, 150, 198})
        for (int x : {2, 60, 300, 549})
            EXPECT_EQ(p.Pixel(x, y), bg.bitmap->Bits()[y * bg.bitmap->RowSpan() + x]) << x << "," << y;

    // Threshold knob at the minimum and maximum: where the strip's frame is
    // opaque, the panel shows exactly the frame's pixel.
    const IImageStrip knob = p.canvas->LoadImageStrip(101, "img/knob.png", 64);
    for (double v : {0.0, 1.0, 0.5})
    {
        p.Set(BraskoKorvala::kThreshold, v);
        p.Tick();
        const int frame = static_cast<int>(63 * v + 0.5); // 0-based
        int opaque = 0;
        for (int y = 0; y < 56; ++y)
            for (int x = 0; x < 56; ++x)
            {
                const std::uint32_t s = knob.bitmap->Bits()[(frame * 56 + y) * knob.bitmap->RowSpan() + x];
                if ((s >> 24) != 255) continue;
                ++opaque;
                ASSERT_EQ(p.Pixel(66 + x, 78 + y), s) << "value " << v << " at " << x << "," << y;
            }
        EXPECT_GT(opaque, 100);
    }
}

TEST(PanelLayout, OptoModelGreysRatioAttackAndReleaseAndOthersRestoreThem)
{
    Panel p;
    const int greyed[] = {6, 7, 9, 10, 12, 13};
    auto tick = [&] {
        p.canvas->SetAllControlsDirty();
        p.Tick();
    };
    p.Set(BraskoKorvala::kModelType, 1.0); // OPTO
    tick();
    for (int c : greyed)
        EXPECT_TRUE(p.Control(c)->IsGrayed()) << c;
    EXPECT_FALSE(p.Control(3)->IsGrayed());
    EXPECT_FALSE(p.Control(15)->IsGrayed());
    p.Set(BraskoKorvala::kModelType, 0.5); // FET
    tick();
    for (int c : greyed)
        EXPECT_FALSE(p.Control(c)->IsGrayed()) << c;
}

TEST(PanelLayout, SteadyInputDrawsTheMetersAtTheFormulaHeights)
{
    Panel p;
    // A constant input of 0.05 on both channels: the input peaks read
    // 0.05 (plus the chain's 1e-24) every block.
    const double amp = 0.05;
    const int n = 1600; // one tick of audio at 48 kHz and 30 frames a second
    Audio a(n);
    for (int c = 0; c < 2; ++c)
        a.in[c].assign(n, amp);
    for (int t = 0; t < 90; ++t)
    {
        double* ins[4];
        double* outs[2];
        for (int c = 0; c < 4; ++c)
            ins[c] = a.in[c].data();
        for (int c = 0; c < 2; ++c)
            outs[c] = a.out[c].data();
        p.fx->Lock();
        p.fx->ProcessBlock(ins, outs, n);
        p.fx->Unlock();
        p.Tick();
    }
    // Settled: level = 7.94328 * amp; bar = floor(level * H * 1.001001001001001).
    const int H = 126;
    const int bar = static_cast<int>(std::floor(amp * 7.94328 * H * 1.001001001001001));
    for (int meterX : {14, 22})
    {
        SCOPED_TRACE(meterX);
        const int bottom = 16 + H;
        EXPECT_EQ(p.Pixel(meterX + 2, bottom - 1), 0xffffffffu);   // white: level below 1
        EXPECT_EQ(p.Pixel(meterX + 2, bottom - bar), 0xffffffffu);
        EXPECT_NE(p.Pixel(meterX + 2, bottom - bar - 3), 0xffffffffu); // above bar and peak line
    }
}

TEST(PanelLayout, GainReductionMeterLightsTheSegmentsOfTheGain)
{
    Panel p;
    const std::uint32_t lit = IArgb(255, 234, 175, 77).Packed();
    const std::uint32_t unlit = IArgb(255, 93, 93, 93).Packed();
    // -6.5 dB of gain: the release ballistics settle after a few seconds of
    // ticks; then 6 segments (1..6 dB) are lit from the right.
    const double gain = std::pow(10.0, -6.5 / 20.0);
    for (int t = 0; t < 150; ++t)
    {
        p.canvas->SetControlFromPlugin(26, gain);
        p.canvas->SetAllControlsDirty();
        p.Tick();
    }
    int litCount = 0;
    for (int k = 0; k < 20; ++k)
    {
        const std::uint32_t px = p.Pixel(226 + 10 * k + 2, 25);
        EXPECT_TRUE(px == lit || px == unlit) << k;
        if (px == lit)
        {
            ++litCount;
            EXPECT_GE(k, 14) << "lit from the right";
        }
    }
    EXPECT_EQ(litCount, 6);
}

TEST(PanelLayout, GainReductionMeterShowsWhatTheChainMeasured)
{
    Panel p;
    p.Set(BraskoKorvala::kModelType, 0.5); // FET
    p.Set(BraskoKorvala::kThreshold, 0.2);
    p.Set(BraskoKorvala::kRatio, 1.0);
    // A steady loud tone of 40 whole cycles per block: once the detector has
    // settled, every block reports the same smallest gain, and the meter's
    // ballistics reach it.
    const int n = 1600;
    Audio a(n);
    for (int c = 0; c < 2; ++c)
        a.Sine(c, 0.5, 40.0 / n);
    for (int t = 0; t < 240; ++t)
    {
        double* ins[4] = {a.in[0].data(), a.in[1].data(), a.in[2].data(), a.in[3].data()};
        double* outs[2] = {a.out[0].data(), a.out[1].data()};
        p.fx->Lock();
        p.fx->ProcessBlock(ins, outs, n);
        p.fx->Unlock();
        p.Tick();
    }
    // The reading the chain handed over, in single precision as it does.
    const double gain = static_cast<float>(p.fx->FET().stages.GainReduction());
    ASSERT_LT(gain, 0.5);
    ASSERT_GT(gain, 0.0);
    // Segments light where their dB count is at most the reduction, read
    // through the meter's 1024-entry table.
    const int entry = static_cast<int>(gain * 1023);
    const double reductionDb = std::fabs(20.0 * std::log10(entry / 1024.0));
    int expectedLit = 0;
    for (int k = 1; k <= 20; ++k)
        if (k <= reductionDb) ++expectedLit;
    const std::uint32_t lit = IArgb(255, 234, 175, 77).Packed();
    int litCount = 0;
    for (int s = 0; s < 20; ++s)
        if (p.Pixel(226 + 10 * s + 2, 25) == lit) ++litCount;
    EXPECT_EQ(litCount, expectedLit) << "gain " << gain << ", " << reductionDb << " dB";
    EXPECT_GT(litCount, 0);
}
