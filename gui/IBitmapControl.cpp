#include "gui/IBitmapControl.h"

#include "gui/IEditorCanvas.h"

namespace
{
IBox FrameBox(int x, int y, const IImageStrip& strip)
{
    const int frames = strip.frames > 0 ? strip.frames : 1;
    return IBox(x, y, x + strip.width, y + strip.height / frames);
}
} // namespace

IBitmapControl::IBitmapControl(IEffectBase* plugin, int x, int y, int paramIndex,
                               const IImageStrip& strip, int blendMethod)
    : IControl(plugin, FrameBox(x, y, strip), paramIndex, blendMethod), mStrip(strip)
{
}

int IBitmapControl::FrameForValue(int frames, double value)
{
    if (frames < 2) return 1;
    // Compared in double first: a value far outside 0..1 (or NaN) must not
    // reach the int conversion.
    const double pos = (frames - 1) * value + 0.5;
    if (!(pos >= 0.0)) return 1;
    if (pos >= frames) return frames;
    const int frame = static_cast<int>(pos) + 1;
    return frame > frames ? frames : frame;
}

bool IBitmapControl::Draw(IEditorCanvas* canvas)
{
    const IBlend blend = GetBlend();
    return canvas->DrawImageFrame(mStrip, mRect, FrameForValue(mStrip.frames, GetValue()), &blend);
}
