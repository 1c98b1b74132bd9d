#include "gui/BraskoKnob.h"

#include "framework/IEffectBase.h"
#include "framework/IParameter.h"
#include "gui/IEditorCanvas.h"
#include "gui/IKnobMultiControl.h"
#include "gui/IParamText.h"

#include <cstring>

namespace
{
// Light grey 12-pixel Arial, centred.
ITextStyle CaptionStyle()
{
    ITextStyle style;
    std::strncpy(style.fontName, "Arial", ITextStyle::kFontNameSize - 1);
    style.fontName[ITextStyle::kFontNameSize - 1] = '\0';
    style.size = 12;
    style.colour = IArgb(255, 170, 170, 170);
    style.style = 0;
    style.alignment = 1;
    return style;
}
} // namespace

BraskoKnob::BraskoKnob(IEffectBase* plugin, int x, int y, int paramIndex, int imageId,
                       const char* imageName, int frames, IEditorCanvas* canvas)
    : IControl(plugin, IBox(), paramIndex), mOriginX(x), mOriginY(y), mLabelParam(paramIndex)
{
    if (canvas)
    {
        mStrip = canvas->LoadImageStrip(imageId, imageName, frames);
        mKnob = new IKnobMultiControl(plugin, x, y, paramIndex, mStrip,
                                      IKnobMultiControl::kVertical, 4.0);
        mCaption = new IParamText(plugin, IBox(x, y + kCaptionOffset, x + kWidth, y + kHeight),
                                  paramIndex, CaptionStyle(), true);
        mKnobIndex = canvas->AttachControl(mKnob);
        mCaptionIndex = canvas->AttachControl(mCaption);
    }
    mGrayFlag.store(0, std::memory_order_release);
    // Draws (for the dirty union) but is never hit: the hit box stays empty.
    mRect = IBox(x, y, x + kWidth, y + kHeight);
}

void BraskoKnob::SetValueFromPlugin(double v)
{
    mLastValue.store(v, std::memory_order_release);
    if (mKnob) mKnob->SetValueFromPlugin(v);
    if (mCaption) mCaption->SetValueFromPlugin(v);
}

void BraskoKnob::GrayOut(bool gray)
{
    mGrayFlag.store(gray ? 1 : 0, std::memory_order_release);
}

void BraskoKnob::PlaceAt(int x, int y)
{
    mOriginX = x;
    mOriginY = y;
    mRect = IBox(x, y, x + kWidth, y + kHeight);
}

// The children were attached before this control, so they pick up the new
// position, gray state and value on the next pass.
bool BraskoKnob::Draw(IEditorCanvas* canvas)
{
    (void)canvas;
    const bool gray = GrayFlag();
    IParameter* param = mPlugin ? mPlugin->GetParam(mParamIndex) : nullptr;
    if (mKnob)
    {
        mKnob->MoveTo(mOriginX, mOriginY);
        mKnob->GrayOut(gray);
    }
    if (mCaption)
    {
        mCaption->MoveTo(mOriginX, mOriginY + kCaptionOffset);
        mCaption->GrayOut(gray);
    }
    if (param)
    {
        double v = 0.0;
        {
            // Read under the plug-in lock (the host may change or re-declare
            // the parameter meanwhile), held only for the read.
            IEffectBase::ScopedLock lock(mPlugin);
            v = param->GetNormalized();
        }
        if (mKnob) mKnob->SetValueFromUser(v);
        if (mCaption) mCaption->SetValueFromUser(v);
    }
    return true;
}
