#pragma once

#include "gui/IControl.h"

// Shows one frame of a vertical image strip chosen by the value: with N
// frames, value 0 shows the first and value 1 the last, rounded to the
// nearest.
class IBitmapControl : public IControl
{
  public:
    // Draws at (x, y) in a box the size of one frame.
    IBitmapControl(IEffectBase* plugin, int x, int y, int paramIndex, const IImageStrip& strip,
                   int blendMethod = 0);

    // GUI thread.
    bool Draw(IEditorCanvas* canvas) override;

    const IImageStrip& GetStrip() const { return mStrip; }

    // 1-based frame for value: int((N - 1) * value + 0.5) + 1 within 1..N; a
    // strip of fewer than two frames always shows frame 1.
    static int FrameForValue(int frames, double value);

  protected:
    IImageStrip mStrip; // shared with the canvas's image cache, not owned
};
