#include "gui/IParamText.h"

#include "framework/IEffectBase.h"
#include "framework/IParameter.h"

IParamText::IParamText(IEffectBase* plugin, const IBox& box, int paramIndex,
                       const ITextStyle& style, bool showLabel)
    : ITextControl(plugin, box, style, ""), mShowLabel(showLabel)
{
    mParamIndex = paramIndex;
    mPromptDisabled = false;
}

void IParamText::OnMouseDown(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    if (keys.left || keys.right) PromptForValue();
}

void IParamText::OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)dx;
    (void)dy;
    (void)keys;
}

void IParamText::OnMouseDoubleClick(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)keys;
    PromptForValue();
}

bool IParamText::Draw(IEditorCanvas* canvas)
{
    IParameter* param = mPlugin ? mPlugin->GetParam(mParamIndex) : nullptr;
    if (param)
    {
        // The host may change or re-declare the parameter on another thread
        // (a model switch re-declares the time ranges): its texts are read
        // under the plug-in lock, held only for that read, never while
        // drawing.
        IEffectBase::ScopedLock lock(mPlugin);
        char display[IParameter::kTextSize] = {};
        param->GetDisplayForHost(param->Value(), false, display, true);
        mText = display;
        if (mShowLabel)
        {
            // The label is empty while a display text applies, which leaves
            // the separating space at the end. A label that brings its own
            // space (the ratio's " : 1", spaced for hosts that join value
            // and unit without one) gets no second one.
            const char* label = param->GetLabelForHost();
            if (label[0] != ' ') mText += ' ';
            mText += label;
        }
    }
    return ITextControl::Draw(canvas);
}
