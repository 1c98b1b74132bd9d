#pragma once

// Controls shared by the window-layer tests (X11 and Win32): a flat box of
// one colour, and a control that records every mouse and key event the
// canvas routes to it, and the text an edit box committed to it; and one
// that opens the edit box on a right click.

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

struct RecordedEvent
{
    std::string what;
    int x, y, dx, dy, extra;
    MouseKeys keys;
};

class FlatControl : public IControl
{
  public:
    FlatControl(IEffectBase* plugin, const IBox& box, std::uint32_t rgb)
        : IControl(plugin, box), mRgb(rgb)
    {
    }
    bool Draw(IEditorCanvas* canvas) override
    {
        IArgb c(255, (mRgb >> 16) & 0xff, (mRgb >> 8) & 0xff, mRgb & 0xff);
        IBlend copy(1);
        return canvas->FillBox(c, mRect, &copy);
    }
    std::uint32_t mRgb;
};

class RecordingControl : public FlatControl
{
  public:
    RecordingControl(IEffectBase* plugin, const IBox& box, int param, std::uint32_t rgb)
        : FlatControl(plugin, box, rgb)
    {
        mParamIndex = param;
    }
    void OnMouseDown(int x, int y, const MouseKeys& k) override { Add("down", x, y, 0, 0, 0, k); }
    void OnMouseUp(int x, int y, const MouseKeys& k) override { Add("up", x, y, 0, 0, 0, k); }
    void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys& k) override
    {
        Add("drag", x, y, dx, dy, 0, k);
    }
    void OnMouseDoubleClick(int x, int y, const MouseKeys& k) override
    {
        Add("double", x, y, 0, 0, 0, k);
    }
    void OnMouseWheel(int x, int y, const MouseKeys& k, int notches) override
    {
        Add("wheel", x, y, 0, 0, notches, k);
    }
    bool OnKeyDown(int x, int y, int key) override
    {
        Add("key", x, y, 0, 0, key, MouseKeys());
        return true;
    }
    void SetTextFromEntry(const char* text) override { mEntryText = text ? text : "(null)"; }
    int Count(const std::string& what) const
    {
        int n = 0;
        for (const RecordedEvent& e : mEvents)
            n += e.what == what;
        return n;
    }
    const RecordedEvent* Last(const std::string& what) const
    {
        for (auto it = mEvents.rbegin(); it != mEvents.rend(); ++it)
            if (it->what == what) return &*it;
        return nullptr;
    }
    void Add(const char* what, int x, int y, int dx, int dy, int extra, const MouseKeys& k)
    {
        mEvents.push_back({what, x, y, dx, dy, extra, k});
    }
    std::vector<RecordedEvent> mEvents;
    std::string mEntryText;
};

// Right click: the edit box for its parameter (none for -1) with the
// initial text.
class EntryControl : public RecordingControl
{
  public:
    EntryControl(IEffectBase* plugin, const IBox& box, int param, const char* initial)
        : RecordingControl(plugin, box, param, 0xffffff), mInitial(initial)
    {
    }
    void OnMouseDown(int x, int y, const MouseKeys& k) override
    {
        RecordingControl::OnMouseDown(x, y, k);
        if (k.right)
            GetCanvas()->CreateTextEntry(this, GetTextStyle(), mRect, mInitial.c_str(),
                                         mParamIndex >= 0 ? GetPlugin()->GetParam(mParamIndex)
                                                          : nullptr);
    }
    std::string mInitial;
};
