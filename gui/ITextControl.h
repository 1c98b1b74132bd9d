#pragma once

#include "gui/IControl.h"

#include <string>

// A line of text drawn in its box with its own text style; not bound to a
// parameter.
class ITextControl : public IControl
{
  public:
    ITextControl(IEffectBase* plugin, const IBox& box, const ITextStyle& style, const char* text);

    // GUI thread. An empty text draws nothing.
    bool Draw(IEditorCanvas* canvas) override;

    // GUI thread.
    void SetText(const char* text);
    const std::string& GetText() const { return mText; }

  protected:
    std::string mText;
};
