// TEST-ONLY STAND-IN FOR gui/IEditorCanvas.cpp. DELETE THIS FILE once the
// real canvas is part of korvala_gui.
//
// The control tests were written while the graphics core was being built
// elsewhere. This file defines just the IEditorCanvas members the controls
// and their tests call, with the simplest behaviour that gives the same
// observable results (pixels in the off-screen bitmap, prompts through the
// virtual slots). It compiles to nothing unless tests/CMakeLists.txt defines
// KORVALA_FAKE_CANVAS, which it does only while gui/IEditorCanvas.cpp does
// not exist, so the tests switch to the real canvas by themselves.

#ifdef KORVALA_FAKE_CANVAS

#include "GuiTestSupport.h"

#include "framework/IEffectBase.h"
#include "framework/IParameter.h"
#include "gui/IBitmapControl.h"
#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace
{
std::mutex gImageLock;
std::vector<std::pair<int, std::unique_ptr<IBitmap>>> gImages;

bool Overlap(const IBox& a, const IBox& b)
{
    return a.right >= b.left && a.left < b.right && a.bottom >= b.top && a.top < b.bottom;
}

std::uint32_t Mix(std::uint32_t d, std::uint32_t s, double alpha)
{
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
    {
        const double dc = (d >> shift) & 0xff;
        const double sc = (s >> shift) & 0xff;
        const int c = static_cast<int>(dc + (sc - dc) * alpha + 0.5);
        out |= static_cast<std::uint32_t>(std::clamp(c, 0, 255)) << shift;
    }
    return out;
}

double Opacity(std::uint32_t src, const IBlend* blend)
{
    const int method = blend ? blend->method : 0;
    const double weight = blend ? blend->weight : 1.0;
    if (method == 1) return weight;
    return weight * ((src >> 24) & 0xff) / 255.0;
}
} // namespace

IEditorCanvas::IEditorCanvas(IEffectBase* plugin, int width, int height, int frameRate)
    : mPlugin(plugin), mWidth(width), mHeight(height), mFrameRate(frameRate > 0 ? frameRate : 25)
{
}

IEditorCanvas::~IEditorCanvas()
{
    for (int i = NControls() - 1; i >= 0; --i)
        delete mControls[static_cast<size_t>(i)];
    delete mDrawBitmap;
}

int IEditorCanvas::AttachControl(IControl* control)
{
    control->SetCanvas(this);
    mControls.push_back(control);
    return NControls() - 1;
}

void IEditorCanvas::AttachBackground(int resourceId, const char* name)
{
    IImageStrip strip = LoadImageStrip(resourceId, name, 1);
    auto* bg = new IBitmapControl(mPlugin, 0, 0, -1, strip, 1);
    bg->SetCanvas(this);
    mControls.insert(mControls.begin(), bg);
}

IImageStrip IEditorCanvas::LoadImageStrip(int resourceId, const char* name, int frames)
{
    IBitmap* bitmap = nullptr;
    {
        std::lock_guard<std::mutex> lock(gImageLock);
        for (auto& entry : gImages)
            if (entry.first == resourceId) bitmap = entry.second.get();
    }
    if (!bitmap)
    {
        bitmap = LoadImageResource(resourceId, name);
        std::lock_guard<std::mutex> lock(gImageLock);
        gImages.emplace_back(resourceId, std::unique_ptr<IBitmap>(bitmap));
    }
    IImageStrip strip;
    strip.bitmap = bitmap;
    strip.width = bitmap ? bitmap->Width() : 0;
    strip.height = bitmap ? bitmap->Height() : 0;
    strip.frames = frames;
    return strip;
}

IBitmap* IEditorCanvas::LoadImageResource(int resourceId, const char* name)
{
    (void)resourceId;
    (void)name;
    return nullptr;
}

void IEditorCanvas::SetParameterFromPlugin(int paramIdx, double value, bool normalized)
{
    if (!normalized)
    {
        IParameter* param = mPlugin ? mPlugin->GetParam(paramIdx) : nullptr;
        if (!param) return;
        value = param->ToNormalized(value);
    }
    for (IControl* c : mControls)
        if (c->ParamIndex() == paramIdx) c->SetValueFromPlugin(value);
}

void IEditorCanvas::PrepareDrawing()
{
    mDrawBitmap = new guitest::TestBitmap(mWidth, mHeight);
}

void IEditorCanvas::SetAllControlsDirty()
{
    for (IControl* c : mControls)
        c->SetDirty(false);
}

void IEditorCanvas::SetControlFromPlugin(int controlIdx, double normalizedValue)
{
    if (controlIdx >= 0 && controlIdx < NControls())
        mControls[static_cast<size_t>(controlIdx)]->SetValueFromPlugin(normalizedValue);
}

void IEditorCanvas::GrayOutControl(int controlIdx, bool gray)
{
    if (controlIdx >= 0 && controlIdx < NControls())
        mControls[static_cast<size_t>(controlIdx)]->GrayOut(gray);
}

IControl* IEditorCanvas::GetControl(int idx) const
{
    return idx >= 0 && idx < NControls() ? mControls[static_cast<size_t>(idx)] : nullptr;
}

bool IEditorCanvas::IsDirty(IBox* box)
{
    bool dirty = false;
    for (IControl* c : mControls)
    {
        if (!c->IsDirty()) continue;
        dirty = true;
        const IBox& r = c->GetRect();
        if (r.IsEmpty()) continue;
        if (box->IsEmpty())
            *box = r;
        else
            *box = IBox(std::min(box->left, r.left), std::min(box->top, r.top),
                        std::max(box->right, r.right), std::max(box->bottom, r.bottom));
    }
    return dirty;
}

bool IEditorCanvas::Draw(const IBox& box)
{
    mDrawRect = box;
    for (IControl* c : mControls)
    {
        if (!c->IsHidden() && !box.IsEmpty() && !c->GetRect().IsEmpty() &&
            Overlap(box, c->GetRect()))
            if (!c->Draw(this)) break;
        c->SetClean();
    }
    return DrawScreen(box);
}

bool IEditorCanvas::DrawImage(const IImageStrip& image, const IBox& dest, int srcX, int srcY,
                              const IBlend* blend)
{
    if (!image.bitmap || !mDrawBitmap || !Overlap(dest, mDrawRect)) return true;
    const IBox c(std::max(dest.left, mDrawRect.left), std::max(dest.top, mDrawRect.top),
                 std::min(dest.right, mDrawRect.right), std::min(dest.bottom, mDrawRect.bottom));
    srcX += c.left - dest.left;
    srcY += c.top - dest.top;
    IBitmap* src = image.bitmap;
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x)
        {
            const int sx = srcX + x - c.left;
            const int sy = srcY + y - c.top;
            if (sx < 0 || sy < 0 || sx >= src->Width() || sy >= src->Height()) continue;
            if (x < 0 || y < 0 || x >= mDrawBitmap->Width() || y >= mDrawBitmap->Height()) continue;
            const std::uint32_t s = src->Bits()[sy * src->RowSpan() + sx];
            std::uint32_t& d = mDrawBitmap->Bits()[y * mDrawBitmap->RowSpan() + x];
            d = Mix(d, s, Opacity(s, blend));
        }
    return true;
}

bool IEditorCanvas::DrawImageFrame(const IImageStrip& image, const IBox& dest, int frame,
                                   const IBlend* blend)
{
    int srcY = 0;
    if (image.frames >= 2 && frame >= 2)
        srcY =
            static_cast<int>(static_cast<double>(image.height) * (frame - 1) / image.frames + 0.5);
    return DrawImage(image, dest, 0, srcY, blend);
}

bool IEditorCanvas::FillBox(const IArgb& colour, const IBox& box, const IBlend* blend)
{
    if (!mDrawBitmap) return true;
    const std::uint32_t s = colour.Packed();
    for (int y = std::max(box.top, 0); y < std::min(box.bottom, mDrawBitmap->Height()); ++y)
        for (int x = std::max(box.left, 0); x < std::min(box.right, mDrawBitmap->Width()); ++x)
        {
            std::uint32_t& d = mDrawBitmap->Bits()[y * mDrawBitmap->RowSpan() + x];
            d = Mix(d, s, Opacity(s, blend));
        }
    return true;
}

// No glyphs here: the tests read the text a control hands over, not pixels.
bool IEditorCanvas::DrawText(ITextStyle* style, const char* text, const IBox& box)
{
    (void)style;
    (void)text;
    (void)box;
    return true;
}

void IEditorCanvas::PromptForValue(IControl* control, IParameter* param, const IBox* box)
{
    if (!control || !param || !box) return;
    if (param->NDisplayTexts() > 0)
    {
        IMenu menu;
        CreateMenu(&menu, *box);
        return;
    }
    char text[IParameter::kTextSize] = {};
    param->GetDisplayForHost(param->Value(), false, text, false);
    CreateTextEntry(control, control->GetTextStyle(), *box, text, param);
}

#endif // KORVALA_FAKE_CANVAS
