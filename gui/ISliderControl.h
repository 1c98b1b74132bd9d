#pragma once

#include "gui/IControl.h"

// A fader: the strip's one image is the handle, moved along a travel of
// length pixels. A click or drag puts the handle's centre under the mouse.
class ISliderControl : public IControl
{
  public:
    enum Direction : int
    {
        kVertical = 0,
        kHorizontal = 1,
    };

    // The box is the travel: length pixels along the direction, the handle's
    // size across it.
    ISliderControl(IEffectBase* plugin, int x, int y, int length, int paramIndex,
                   const IImageStrip& strip, int direction = kVertical);

    // GUI thread.
    void OnMouseDown(int x, int y, const MouseKeys& keys) override;
    void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys) override;
    bool Draw(IEditorCanvas* canvas) override;

    // Where Draw puts the handle for the current value.
    IBox HandleBox() const;
    int Length() const { return mLength; }
    int HandleSize() const { return mHandleSize; }

  protected:
    void SnapToMouse(int x, int y);

    int mLength;
    int mHandleSize;
    IImageStrip mStrip; // shared with the canvas's image cache, not owned
    int mDirection;
};
