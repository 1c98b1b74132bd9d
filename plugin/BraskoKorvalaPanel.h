#pragma once

class IEditorCanvas;
class IEffectBase;
struct ITextStyle;

// The 552 x 200 panel: its images and every control at its place, attached
// in the order that fixes the control indices the signal chain addresses.
// Called once, from the plug-in constructor (whichever thread the host
// creates plug-ins on); the images are decoded then, not when a window opens.
class BraskoKorvalaPanel
{
  public:
    static constexpr int kWidth = 552;
    static constexpr int kHeight = 200;
    static constexpr int kFrameRate = 30;

    // Image resource ids (resources/BraskoKorvala.rc on Windows, the
    // embedded table on Linux).
    enum ImageId
    {
        kBackgroundImage = 100,
        kKnobImage = 101,
        kModelSelectorImage = 102,
        kOversamplingSwitchImage = 103,
        kAnalogSwitchImage = 104,
        kFaderHandleImage = 105,
        kExtSidechainSwitchImage = 106,
    };
    static constexpr int kKnobFrames = 64;

    // Control indices that result from the attach order.
    enum ControlIndex
    {
        kBackgroundControl = 0,
        kInputFader = 1,
        kOutputFader = 2,
        kThresholdKnob = 5,
        kRatioKnob = 8,
        kAttackKnob = 11,
        kReleaseKnob = 14,
        kSidechainFilterKnob = 17,
        kModelSelector = 18,
        kOversamplingSwitch = 19,
        kAnalogSwitch = 20,
        kExtSidechainSwitch = 21,
        kMeterInLeft = 22,
        kMeterInRight = 23,
        kMeterOutLeft = 24,
        kMeterOutRight = 25,
        kGainReductionMeter = 26,
        kVersionText = 27,
        kNumControls = 28,
    };

    // Builds the canvas and its controls. meterControls receives the indices
    // of the input left/right, output left/right peak meters and the
    // gain-reduction meter, knobControls those of the Ratio, Attack and
    // Release knobs, as AttachControl returned them.
    static IEditorCanvas* Build(IEffectBase* plugin, int meterControls[5], int knobControls[3]);

    // Font "Arial", 12 px, grey (255, 170, 170, 170), normal, centred.
    static ITextStyle TextStyle();
};
