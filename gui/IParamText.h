#pragma once

#include "gui/ITextControl.h"

// The value of a parameter as the host shows it (its display text, or the
// number), optionally followed by a space and the unit label. Clicking it
// asks the canvas for a typed or picked value.
class IParamText : public ITextControl
{
  public:
    IParamText(IEffectBase* plugin, const IBox& box, int paramIndex, const ITextStyle& style,
               bool showLabel);

    // GUI thread.
    void OnMouseDown(int x, int y, const MouseKeys& keys) override;
    void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys) override;
    void OnMouseDoubleClick(int x, int y, const MouseKeys& keys) override;
    // Rebuilds the text from the parameter's current value, then draws it.
    bool Draw(IEditorCanvas* canvas) override;

    bool ShowsLabel() const { return mShowLabel; }

  protected:
    bool mShowLabel;
};
