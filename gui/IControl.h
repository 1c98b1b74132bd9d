#pragma once

#include "gui/IGraphicsTypes.h"

#include <atomic>

class IEffectBase;
class IEditorCanvas;

// One control of the panel: a normalised value 0..1, optionally bound to a
// plug-in parameter by index, drawn into the canvas and fed mouse events by
// it.
//
// Threads. Mouse handling and Draw run on the editor's GUI thread. The audio
// thread (end of every block) and the host's parameter thread reach a
// control only through SetDirty(false) and SetValueFromPlugin, without any
// lock and without waiting for the GUI: so value, default value, the dirty
// and redraw flags, hidden, grayed and the blend weight are atomics. Stores
// use release and the draw pass's loads acquire, so a draw that sees a dirty
// flag also sees the value stored before it. The last value stored always
// wins; nothing is queued.
//
// Dirty and redraw share one atomic word: SetClean (GUI) turns "redraw" into
// "dirty" with one read-modify-write, so a flag the audio thread raises while
// a draw pass is cleaning the control is never lost. Writes of the value from
// the GUI side that only correct it (the clamp in SetDirty, a meter zeroing
// a reading below its floor) are compare-exchanges, so they never overwrite a
// reading pushed in the meantime.
class IControl
{
  public:
    IControl(IEffectBase* plugin, const IBox& box, int paramIndex = -1, int blendMethod = 0);
    virtual ~IControl();
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // Virtual slots, in their fixed order.
    virtual void OnMouseDown(int x, int y, const MouseKeys& keys);
    virtual void OnMouseUp(int x, int y, const MouseKeys& keys);
    virtual void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& keys);
    virtual void OnMouseDoubleClick(int x, int y, const MouseKeys& keys);
    virtual void OnMouseWheel(int x, int y, const MouseKeys& keys, int notches);
    virtual bool OnKeyDown(int x, int y, int key);
    virtual void OnMouseOver(int x, int y, const MouseKeys& keys);
    virtual void OnMouseOut();
    // False when a canvas primitive failed; the canvas still draws the
    // controls after this one and reports the failure.
    virtual bool Draw(IEditorCanvas* canvas);
    virtual void SetValueFromPlugin(double v);
    virtual void SetTextFromEntry(const char* text);
    virtual void MoveTo(int x, int y);
    virtual void Resize(int w, int h);
    virtual void Hide(bool hide);
    virtual void GrayOut(bool gray);
    virtual bool IsHit(int x, int y) const;
    virtual void SetDirty(bool pushToPlugin);
    virtual void SetClean();
    virtual bool IsDirty() const;
    virtual void Reserved() {}

    void SetValueFromUser(double v);
    void PromptForValue();

    // Accessors.
    double GetValue() const { return mValue.load(std::memory_order_acquire); }
    void SetValue(double v) { mValue.store(v, std::memory_order_release); }
    double GetDefaultValue() const { return mDefaultValue.load(std::memory_order_acquire); }
    const IBox& GetRect() const { return mRect; }
    const IBox& GetTargetRect() const { return mTargetRect; }
    void SetTargetRect(const IBox& box) { mTargetRect = box; }
    int ParamIndex() const { return mParamIndex; }
    bool IsHidden() const { return mHidden.load(std::memory_order_acquire); }
    bool IsGrayed() const { return mGrayed.load(std::memory_order_acquire); }
    bool DrawsDoubleClickAsSingle() const { return mDblAsSingleClick; }
    void SetDrawDoubleClickAsSingle(bool on) { mDblAsSingleClick = on; }
    void SetPromptDisabled(bool disabled) { mPromptDisabled = disabled; }
    void SetClamp(double lo, double hi) { mClampLow = lo; mClampHigh = hi; }
    int TextEntryLength() const { return mTextEntryLength; }
    const ITextStyle& GetTextStyle() const { return mTextStyle; }
    ITextStyle& TextStyle() { return mTextStyle; }
    // The blend to draw with: the method from construction, the weight that
    // Hide and GrayOut set (any thread).
    IBlend GetBlend() const
    {
        return IBlend(mBlend.method, mBlendWeight.load(std::memory_order_acquire));
    }
    IEffectBase* GetPlugin() const { return mPlugin; }
    IEditorCanvas* GetCanvas() const { return mCanvas; }
    // Set by IEditorCanvas::AttachControl.
    void SetCanvas(IEditorCanvas* canvas) { mCanvas = canvas; }

  protected:
    int mTextEntryLength = 7;
    ITextStyle mTextStyle;
    IEffectBase* mPlugin;
    IEditorCanvas* mCanvas = nullptr;
    IBox mRect;
    IBox mTargetRect;
    int mParamIndex;
    std::atomic<double> mValue{0.0};
    std::atomic<double> mDefaultValue{-1.0};
    double mClampLow = 0.0;
    double mClampHigh = 1.0;
    // Bit set of kDirty and kRedraw.
    std::atomic<unsigned> mDirtyFlags{kDirty};
    std::atomic<bool> mHidden{false};
    std::atomic<bool> mGrayed{false};
    bool mPromptDisabled = true;
    bool mDblAsSingleClick = false;
    // Only the method is read from here; the weight lives in mBlendWeight.
    IBlend mBlend;
    std::atomic<float> mBlendWeight{1.0f};

    static constexpr unsigned kDirty = 1u;
    static constexpr unsigned kRedraw = 2u;

    // Any thread: raises the redraw request that SetClean turns into dirty.
    void RequestRedraw() { mDirtyFlags.fetch_or(kRedraw, std::memory_order_acq_rel); }
    // Replaces the value with replacement only while it still holds seen:
    // a reading pushed in between wins.
    void ReplaceValueIfUnchanged(double seen, double replacement)
    {
        mValue.compare_exchange_strong(seen, replacement, std::memory_order_acq_rel,
                                       std::memory_order_acquire);
    }
};
