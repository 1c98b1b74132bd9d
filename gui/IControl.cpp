#include "gui/IControl.h"

#include "framework/IEffectBase.h"
#include "framework/IParameter.h"
#include "gui/IEditorCanvas.h"

IControl::IControl(IEffectBase* plugin, const IBox& box, int paramIndex, int blendMethod)
    : mPlugin(plugin), mRect(box), mTargetRect(box), mParamIndex(paramIndex),
      mBlend(blendMethod, 1.0f)
{
}

IControl::~IControl() {}

// GUI thread.
void IControl::OnMouseDown(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    if (keys.right) PromptForValue();
}

void IControl::OnMouseUp(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)keys;
}

void IControl::OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)dx;
    (void)dy;
    (void)keys;
}

// GUI thread: back to the value the parameter had when it was first pushed.
void IControl::OnMouseDoubleClick(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)keys;
    const double def = mDefaultValue.load(std::memory_order_acquire);
    if (def >= 0.0)
    {
        SetValue(def);
        SetDirty(true);
    }
}

// GUI thread: one notch is 1 % of the range, 0.1 % with a modifier held.
void IControl::OnMouseWheel(int x, int y, const MouseKeys& keys, int notches)
{
    (void)x;
    (void)y;
    const double step = (keys.control || keys.shift) ? 0.001 : 0.01;
    SetValue(GetValue() + notches * step);
    SetDirty(true);
}

bool IControl::OnKeyDown(int x, int y, int key)
{
    (void)x;
    (void)y;
    (void)key;
    return false;
}

void IControl::OnMouseOver(int x, int y, const MouseKeys& keys)
{
    (void)x;
    (void)y;
    (void)keys;
}

void IControl::OnMouseOut() {}

bool IControl::Draw(IEditorCanvas* canvas)
{
    (void)canvas;
    return true;
}

// Any thread (audio thread for meters, the parameter thread otherwise). The
// first value ever received is also the default a double click restores; the
// compare-exchange makes exactly one caller capture it even when two threads
// push at once.
void IControl::SetValueFromPlugin(double v)
{
    double def = mDefaultValue.load(std::memory_order_acquire);
    if (def < 0.0 && mDefaultValue.compare_exchange_strong(def, v, std::memory_order_acq_rel,
                                                           std::memory_order_acquire))
    {
        SetValue(v);
        return;
    }
    if (v != GetValue())
    {
        // Redraw before dirty: a SetClean that runs between the two then
        // keeps the control dirty, so the reading is drawn on the next pass
        // whichever way the threads interleave.
        SetValue(v);
        RequestRedraw();
        SetDirty(false);
    }
}

void IControl::SetTextFromEntry(const char* text)
{
    (void)text;
}

// GUI thread.
void IControl::MoveTo(int x, int y)
{
    const int w = mRect.W();
    const int h = mRect.H();
    mRect = IBox(x, y, x + w, y + h);
    mTargetRect = mRect;
}

// GUI thread.
void IControl::Resize(int w, int h)
{
    mRect.right = mRect.left + w;
    mRect.bottom = mRect.top + h;
    mTargetRect = mRect;
    RequestRedraw();
}

// Any thread.
void IControl::Hide(bool hide)
{
    mHidden.store(hide, std::memory_order_release);
    RequestRedraw();
    mBlendWeight.store(hide ? 0.0f : 1.0f, std::memory_order_release);
    SetDirty(false);
}

// Any thread: a grayed control draws at a quarter of its opacity.
void IControl::GrayOut(bool gray)
{
    mGrayed.store(gray, std::memory_order_release);
    mBlendWeight.store(gray ? 0.25f : 1.0f, std::memory_order_release);
    SetDirty(false);
}

bool IControl::IsHit(int x, int y) const
{
    if (mTargetRect.IsEmpty()) return false;
    return mTargetRect.Contains(x, y);
}

// Any thread with push false (the audio thread marks every control after each
// block); GUI thread with push true. The clamp writes only a value that is out
// of range, and only if nobody stored another value meanwhile.
void IControl::SetDirty(bool pushToPlugin)
{
    double v = GetValue();
    for (;;)
    {
        double clamped = v;
        if (v < mClampLow)
            clamped = mClampLow;
        else if (v > mClampHigh)
            clamped = mClampHigh;
        else
            break;
        if (mValue.compare_exchange_weak(v, clamped, std::memory_order_acq_rel,
                                         std::memory_order_acquire))
        {
            v = clamped;
            break;
        }
    }
    mDirtyFlags.fetch_or(kDirty, std::memory_order_acq_rel);
    if (pushToPlugin && mPlugin && mParamIndex >= 0) mPlugin->SetParameterFromGUI(mParamIndex, v);
}

// GUI thread, after the control's turn in a draw pass: dirty := redraw,
// redraw := false, as one atomic step.
void IControl::SetClean()
{
    unsigned flags = mDirtyFlags.load(std::memory_order_acquire);
    while (!mDirtyFlags.compare_exchange_weak(flags, (flags & kRedraw) ? kDirty : 0u,
                                              std::memory_order_acq_rel, std::memory_order_acquire))
    {
    }
}

bool IControl::IsDirty() const
{
    return (mDirtyFlags.load(std::memory_order_acquire) & kDirty) != 0;
}

// GUI thread.
void IControl::SetValueFromUser(double v)
{
    if (v != GetValue())
    {
        SetValue(v);
        SetDirty(true);
        RequestRedraw();
    }
}

// GUI thread: asks the canvas for a menu or text entry for the bound
// parameter. Parameters with display texts pick from a menu over the whole
// control; the others get a 30 x 16 entry box centred on it.
void IControl::PromptForValue()
{
    if (mParamIndex < 0 || mPromptDisabled || !mPlugin || !mCanvas) return;
    IParameter* param = mPlugin->GetParam(mParamIndex);
    if (!param) return;
    IBox box = mRect;
    if (param->NDisplayTexts() == 0)
    {
        const int cx = static_cast<int>((mRect.left + mRect.right) * 0.5);
        const int cy = static_cast<int>((mRect.top + mRect.bottom) * 0.5);
        box = IBox(cx - 15, cy - 8, cx + 15, cy + 8);
    }
    mCanvas->PromptForValue(this, param, &box);
    RequestRedraw();
}
