#include "gui/ITextControl.h"

#include "gui/IEditorCanvas.h"

ITextControl::ITextControl(IEffectBase* plugin, const IBox& box, const ITextStyle& style,
                           const char* text)
    : IControl(plugin, box, -1), mText(text ? text : "")
{
    mTextStyle = style;
}

void ITextControl::SetText(const char* text)
{
    mText = text ? text : "";
}

bool ITextControl::Draw(IEditorCanvas* canvas)
{
    if (mText.empty()) return true;
    return canvas->DrawText(&mTextStyle, mText.c_str(), mRect);
}
