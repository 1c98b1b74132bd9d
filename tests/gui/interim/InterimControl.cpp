// Stand-in for the control base (see README.md): the base behaviour the
// canvas relies on, nothing more.
#include "gui/IControl.h"

#include "framework/IEffectBase.h"
#include "gui/IEditorCanvas.h"

IControl::IControl(IEffectBase* plugin, const IBox& box, int paramIndex, int blendMethod)
    : mPlugin(plugin), mRect(box), mTargetRect(box), mParamIndex(paramIndex),
      mBlend(blendMethod, 1.0f)
{
}

IControl::~IControl() {}

void IControl::OnMouseDown(int, int, const MouseKeys& keys)
{
    if (keys.right) PromptForValue();
}
void IControl::OnMouseUp(int, int, const MouseKeys&) {}
void IControl::OnMouseDrag(int, int, int, int, const MouseKeys&) {}
void IControl::OnMouseDoubleClick(int, int, const MouseKeys&)
{
    if (GetDefaultValue() >= 0.0)
    {
        SetValue(GetDefaultValue());
        SetDirty(true);
    }
}
void IControl::OnMouseWheel(int, int, const MouseKeys& keys, int notches)
{
    SetValue(GetValue() + notches * ((keys.control || keys.shift) ? 0.001 : 0.01));
    SetDirty(true);
}
bool IControl::OnKeyDown(int, int, int)
{
    return false;
}
void IControl::OnMouseOver(int, int, const MouseKeys&) {}
void IControl::OnMouseOut() {}
bool IControl::Draw(IEditorCanvas*)
{
    return true;
}

void IControl::SetValueFromPlugin(double v)
{
    if (GetDefaultValue() < 0.0)
    {
        mDefaultValue.store(v, std::memory_order_release);
        SetValue(v);
        return;
    }
    if (v != GetValue())
    {
        SetValue(v);
        SetDirty(false);
        mRedraw.store(true, std::memory_order_release);
    }
}

void IControl::SetTextFromEntry(const char*) {}

void IControl::MoveTo(int x, int y)
{
    mRect = IBox(x, y, x + mRect.W(), y + mRect.H());
    mTargetRect = mRect;
}

void IControl::Resize(int w, int h)
{
    mRect.right = mRect.left + w;
    mRect.bottom = mRect.top + h;
    mTargetRect = mRect;
    mRedraw.store(true, std::memory_order_release);
}

void IControl::Hide(bool hide)
{
    mHidden.store(hide, std::memory_order_release);
    mRedraw.store(true, std::memory_order_release);
    mBlend.weight = hide ? 0.0f : 1.0f;
    SetDirty(false);
}

void IControl::GrayOut(bool gray)
{
    mGrayed.store(gray, std::memory_order_release);
    mBlend.weight = gray ? 0.25f : 1.0f;
    SetDirty(false);
}

bool IControl::IsHit(int x, int y) const
{
    if (mTargetRect.IsEmpty()) return false;
    return mTargetRect.Contains(x, y);
}

void IControl::SetDirty(bool pushToPlugin)
{
    const double v = GetValue();
    if (v < mClampLow) SetValue(mClampLow);
    if (v > mClampHigh) SetValue(mClampHigh);
    mDirty.store(true, std::memory_order_release);
    if (pushToPlugin && mPlugin && mParamIndex >= 0)
        mPlugin->SetParameterFromGUI(mParamIndex, GetValue());
}

void IControl::SetClean()
{
    mDirty.store(mRedraw.load(std::memory_order_acquire), std::memory_order_release);
    mRedraw.store(false, std::memory_order_release);
}

bool IControl::IsDirty() const
{
    return mDirty.load(std::memory_order_acquire);
}

void IControl::SetValueFromUser(double v)
{
    if (v == GetValue()) return;
    SetValue(v);
    SetDirty(true);
    mRedraw.store(true, std::memory_order_release);
}

void IControl::PromptForValue()
{
    if (mParamIndex < 0 || mPromptDisabled || !mPlugin || !mCanvas) return;
    IParameter* param = mPlugin->GetParam(mParamIndex);
    if (!param) return;
    if (param->NDisplayTexts() > 0)
    {
        mCanvas->PromptForValue(this, param, &mRect);
    }
    else
    {
        const int cx = static_cast<int>((mRect.left + mRect.right) * 0.5);
        const int cy = static_cast<int>((mRect.top + mRect.bottom) * 0.5);
        const IBox box(cx - 15, cy - 8, cx + 15, cy + 8);
        mCanvas->PromptForValue(this, param, &box);
    }
    mRedraw.store(true, std::memory_order_release);
}
