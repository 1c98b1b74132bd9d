#include "plugin/BraskoKorvalaPanel.h"

#include "gui/BraskoKnob.h"
#include "gui/IBitmapControl.h"
#include "gui/IEditorCanvas.h"
#include "gui/IEditorWindowFactory.h"
#include "gui/IGainReductionMeter.h"
#include "gui/IPeakMeter.h"
#include "gui/ISliderControl.h"
#include "gui/ISwitchControl.h"
#include "gui/ITextControl.h"
#include "plugin/BraskoKorvala.h"

namespace
{
// Switch click modes: the model selector picks by vertical band, the other
// switches step to their next state on every click.
constexpr int kClickVerticalZones = 0;
constexpr int kClickCycles = 2;

constexpr int kFaderTravel = 126;
constexpr int kMeterWidth = 5;
constexpr int kMeterHeight = 126;
constexpr int kGainReductionSegments = 20;
} // namespace

ITextStyle BraskoKorvalaPanel::TextStyle()
{
    return ITextStyle("Arial", 12, IArgb(255, 170, 170, 170), 0, 1, 0, 0);
}

IEditorCanvas* BraskoKorvalaPanel::Build(IEffectBase* plugin, int meterControls[5],
                                         int knobControls[3])
{
    IEditorCanvas* canvas = CreateEditorWindow(plugin, kWidth, kHeight, kFrameRate);
    if (!canvas) return nullptr;

    canvas->AttachBackground(kBackgroundImage, "img/bg2.png");
    // Loaded in this order so that every strip is decoded once, here; the
    // background was loaded by AttachBackground.
    canvas->LoadImageStrip(kKnobImage, "img/knob.png", kKnobFrames);
    const IImageStrip modes = canvas->LoadImageStrip(kModelSelectorImage, "img/modesel.png", 3);
    const IImageStrip hq = canvas->LoadImageStrip(kOversamplingSwitchImage, "img/hqswitch.png", 2);
    const IImageStrip analog = canvas->LoadImageStrip(kAnalogSwitchImage, "img/analogswitch.png", 2);
    const IImageStrip extSc = canvas->LoadImageStrip(kExtSidechainSwitchImage, "img/extscswitch.png", 2);
    const IImageStrip handle = canvas->LoadImageStrip(kFaderHandleImage, "img/faderhandle.png", 1);

    canvas->AttachControl(new ISliderControl(plugin, 30, 16, kFaderTravel, BraskoKorvala::kInputGain,
                                             handle, 0));
    canvas->AttachControl(new ISliderControl(plugin, 524, 16, kFaderTravel,
                                             BraskoKorvala::kOutputGain, handle, 0));

    // Each knob attaches its image and value text first, then itself.
    struct KnobPlace
    {
        int x;
        int param;
    };
    const KnobPlace knobs[] = {{66, BraskoKorvala::kThreshold},
                               {138, BraskoKorvala::kRatio},
                               {210, BraskoKorvala::kAttack},
                               {280, BraskoKorvala::kRelease},
                               {350, BraskoKorvala::kSidechainFilter}};
    int knobIndex[5] = {};
    for (int i = 0; i < 5; ++i)
        knobIndex[i] = canvas->AttachControl(new BraskoKnob(plugin, knobs[i].x, 78, knobs[i].param,
                                                            kKnobImage, "img/knob.png", kKnobFrames,
                                                            canvas));
    knobControls[0] = knobIndex[1];
    knobControls[1] = knobIndex[2];
    knobControls[2] = knobIndex[3];

    canvas->AttachControl(new ISwitchControl(plugin, 426, 82, BraskoKorvala::kModelType, modes,
                                             kClickVerticalZones));
    canvas->AttachControl(new ISwitchControl(plugin, 66, 178, BraskoKorvala::kOversampling, hq,
                                             kClickCycles));
    canvas->AttachControl(new ISwitchControl(plugin, 116, 178, BraskoKorvala::kAnalogEmulation,
                                             analog, kClickCycles));
    canvas->AttachControl(new ISwitchControl(plugin, 192, 178, BraskoKorvala::kExternalSidechain,
                                             extSc, kClickCycles));

    const int meterX[4] = {14, 22, 508, 516};
    for (int i = 0; i < 4; ++i)
        meterControls[i] = canvas->AttachControl(
            new IPeakMeter(plugin, meterX[i], 16, kMeterWidth, kMeterHeight, 0));
    meterControls[4] = canvas->AttachControl(
        new IGainReductionMeter(plugin, 226, 19, 195, 12, kGainReductionSegments, 0));

    // A 10 px wide box: the text is centred on x = 445 and drawn unclipped.
    canvas->AttachControl(new ITextControl(plugin, IBox(440, 180, 450, 210), TextStyle(), "v1.2.5"));
    return canvas;
}
