#pragma once

#include "gui/IControl.h"

#include <atomic>

class IKnobMultiControl;
class IParamText;

// The panel's knob: an image-strip knob with the parameter's value text under
// it, kept in step with one parameter. The two children live in the canvas's
// control list (attached, knob first, by the constructor); this control
// paints nothing and takes no mouse input (its hit box stays empty). Its
// draw turn moves the children to its origin, passes its gray state on and
// sets both to the parameter's current value.
//
// Size: 56 x 67 pixels, the caption's box 8 pixels high at y + 59.
class BraskoKnob : public IControl
{
  public:
    static constexpr int kWidth = 56;
    static constexpr int kHeight = 67;
    static constexpr int kCaptionOffset = 59;

    BraskoKnob(IEffectBase* plugin, int x, int y, int paramIndex, int imageId,
               const char* imageName, int frames, IEditorCanvas* canvas);

    // Any thread: remembered and passed to both children.
    void SetValueFromPlugin(double v) override;
    // Any thread (the plug-in, under its lock): only stored; the next draw
    // turn applies it to the children.
    void GrayOut(bool gray) override;
    // GUI thread.
    bool Draw(IEditorCanvas* canvas) override;
    // Set-up: moves the composite (the children follow on the next draw).
    virtual void PlaceAt(int x, int y);

    IKnobMultiControl* Knob() const { return mKnob; }
    IParamText* Caption() const { return mCaption; }
    int KnobIndex() const { return mKnobIndex; }
    int CaptionIndex() const { return mCaptionIndex; }
    int OriginX() const { return mOriginX; }
    int OriginY() const { return mOriginY; }
    int LabelParam() const { return mLabelParam; }
    double LastValue() const { return mLastValue.load(std::memory_order_acquire); }
    bool GrayFlag() const { return mGrayFlag.load(std::memory_order_acquire) != 0; }
    const IImageStrip& GetStrip() const { return mStrip; }

  protected:
    IKnobMultiControl* mKnob = nullptr; // owned by the canvas
    IParamText* mCaption = nullptr;     // owned by the canvas
    int mKnobIndex = -1;
    int mCaptionIndex = -1;
    int mOriginX;
    int mOriginY;
    int mLabelParam;
    std::atomic<double> mLastValue{0.0};
    std::atomic<int> mGrayFlag{0};
    IImageStrip mStrip;
};
