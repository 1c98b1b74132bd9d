#include "gui/IEditorCanvas.h"

#include "framework/IEffectBase.h"
#include "framework/IParameter.h"
#include "gui/IBitmapControl.h"
#include "gui/IControl.h"
#include "gui/IEmbeddedImages.h"
#include "gui/IFontCache.h"
#include "gui/IImageCache.h"
#include "raster/ICachedFont.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IPngImage.h"
#include "raster/IRaster.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

namespace
{
// The overlap rule of the draw pass and the image clip: a box whose right
// edge equals the other's left edge (or bottom equals top) still counts.
bool Overlaps(const IBox& box, const IBox& r)
{
    return box.right >= r.left && box.left < r.right && box.bottom >= r.top && box.top < r.bottom;
}

bool EndsWithPng(const char* name)
{
    if (!name) return false;
    const size_t n = std::strlen(name);
    if (n < 4) return false;
    static const char kExt[] = ".png";
    for (size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(name[n - 4 + i])) != kExt[i]) return false;
    return true;
}
} // namespace

IEditorCanvas::IEditorCanvas(IEffectBase* plugin, int width, int height, int frameRate)
    : mPlugin(plugin), mWidth(width), mHeight(height), mFrameRate(frameRate > 0 ? frameRate : 25)
{
}

IEditorCanvas::~IEditorCanvas()
{
    for (auto it = mControls.rbegin(); it != mControls.rend(); ++it)
        delete *it;
    mControls.clear();
    delete mDrawBitmap;
    mDrawBitmap = nullptr;
}

// ---- set-up -------------------------------------------------------------------

int IEditorCanvas::AttachControl(IControl* control)
{
    if (!control) return -1;
    control->SetCanvas(this);
    mControls.push_back(control);
    return static_cast<int>(mControls.size()) - 1;
}

void IEditorCanvas::AttachBackground(int resourceId, const char* name)
{
    const IImageStrip strip = LoadImageStrip(resourceId, name, 1);
    // Copied as it is, alpha ignored (blend method 1), bound to nothing.
    IControl* background = new IBitmapControl(mPlugin, 0, 0, -1, strip, 1);
    background->SetCanvas(this);
    mControls.insert(mControls.begin(), background);
}

// A missing or undecodable image gives a zero-sized strip (null bitmap, width
// and height 0): every primitive draws nothing for it and a control sized
// from it is empty. Nothing is cached for it, so a later load tries again.
IImageStrip IEditorCanvas::LoadImageStrip(int resourceId, const char* name, int frames)
{
    IImageCache& cache = IImageCache::Instance();
    IBitmap* bitmap = cache.Find(resourceId);
    if (!bitmap)
    {
        // Decoded without the cache's mutex; a concurrent load of the same
        // id loses its copy in Insert.
        if (IBitmap* loaded = LoadImageResource(resourceId, name))
            bitmap = cache.Insert(resourceId, loaded);
    }
    IImageStrip strip;
    strip.bitmap = bitmap;
    strip.width = bitmap ? bitmap->Width() : 0;
    strip.height = bitmap ? bitmap->Height() : 0;
    // A strip has at least one frame: controls divide its height by it.
    strip.frames = frames >= 1 ? frames : 1;
    return strip;
}

IBitmap* IEditorCanvas::LoadImageResource(int resourceId, const char* name)
{
    if (!EndsWithPng(name)) return nullptr;
    const void* data = nullptr;
    std::size_t size = 0;
    if (!FindEmbeddedImage(resourceId, &data, &size)) return nullptr;
    return IPngImage::DecodeBitmap(data, size);
}

// ---- plug-in side ---------------------------------------------------------------

// Any thread that changes a parameter, plug-in lock held. Walks the control
// list, which is complete before the canvas is attached and never changes
// afterwards, so no lock of the canvas is needed.
void IEditorCanvas::SetParameterFromPlugin(int paramIdx, double value, bool normalized)
{
    if (!normalized)
    {
        const IParameter* param = mPlugin ? mPlugin->GetParam(paramIdx) : nullptr;
        if (!param) return;
        value = param->ToNormalized(value);
    }
    for (IControl* control : mControls)
        if (control->ParamIndex() == paramIdx) control->SetValueFromPlugin(value);
}

void IEditorCanvas::PrepareDrawing()
{
    delete mDrawBitmap;
    mDrawBitmap = CreateDrawBitmap(mWidth, mHeight);
}

IBitmap* IEditorCanvas::CreateDrawBitmap(int width, int height)
{
    IMemoryBitmap* bitmap = new (std::nothrow) IMemoryBitmap(width, height, 4);
    return bitmap;
}

// Audio thread, end of every block: stores flags only (IControl's atomics);
// neither waits nor allocates.
void IEditorCanvas::SetAllControlsDirty()
{
    for (IControl* control : mControls)
        control->SetDirty(false);
}

// Audio thread, end of every block (the meters): as SetAllControlsDirty.
void IEditorCanvas::SetControlFromPlugin(int controlIdx, double normalizedValue)
{
    if (controlIdx < 0 || controlIdx >= NControls()) return;
    mControls[static_cast<size_t>(controlIdx)]->SetValueFromPlugin(normalizedValue);
}

void IEditorCanvas::GrayOutControl(int controlIdx, bool gray)
{
    if (controlIdx < 0 || controlIdx >= NControls()) return;
    mControls[static_cast<size_t>(controlIdx)]->GrayOut(gray);
}

IControl* IEditorCanvas::GetControl(int idx) const
{
    if (idx < 0 || idx >= NControls()) return nullptr;
    return mControls[static_cast<size_t>(idx)];
}

// ---- draw pass --------------------------------------------------------------------

bool IEditorCanvas::IsDirty(IBox* box)
{
    bool dirty = false;
    for (IControl* control : mControls)
    {
        if (!control->IsDirty()) continue;
        dirty = true;
        if (!box) continue;
        const IBox& r = control->GetRect();
        if (r.IsEmpty()) continue;
        if (box->IsEmpty())
        {
            *box = r;
        }
        else
        {
            box->left = std::min(box->left, r.left);
            box->top = std::min(box->top, r.top);
            box->right = std::max(box->right, r.right);
            box->bottom = std::max(box->bottom, r.bottom);
        }
    }
    return dirty;
}

// Controls paint in list order, the background (index 0) first, so a
// transparent control always composes over fresh background pixels.
bool IEditorCanvas::Draw(const IBox& box)
{
    mDrawRect = box;
    bool ok = true;
    for (IControl* control : mControls)
    {
        const IBox& r = control->GetRect();
        if (!control->IsHidden() && !box.IsEmpty() && !r.IsEmpty() && Overlaps(box, r))
        {
            // A failing control (say, a font that cannot be opened) must not
            // leave every control after it undrawn on every frame.
            if (!control->Draw(this)) ok = false;
        }
        control->SetClean();
    }
    const bool shown = DrawScreen(box);
    return ok && shown;
}

int IEditorCanvas::RasterMode(const IBlend* blend)
{
    switch (blend ? blend->method : 0)
    {
    case 1:
        return IRaster::kCopy;
    case 2:
        return IRaster::kAdd | IRaster::kUseSourceAlpha;
    case 3:
        return IRaster::kColourDodge | IRaster::kUseSourceAlpha;
    default:
        return IRaster::kCopy | IRaster::kUseSourceAlpha;
    }
}

float IEditorCanvas::RasterWeight(const IBlend* blend)
{
    return blend ? blend->weight : 1.0f;
}

bool IEditorCanvas::DrawImage(const IImageStrip& image, const IBox& dest, int srcX, int srcY,
                              const IBlend* blend)
{
    if (dest.IsEmpty() || mDrawRect.IsEmpty() || !Overlaps(mDrawRect, dest)) return true;
    const IBox clipped(std::max(dest.left, mDrawRect.left), std::max(dest.top, mDrawRect.top),
                       std::min(dest.right, mDrawRect.right),
                       std::min(dest.bottom, mDrawRect.bottom));
    srcX += clipped.left - dest.left;
    srcY += clipped.top - dest.top;
    const IRasterBox source{srcX, srcY, srcX + clipped.W(), srcY + clipped.H()};
    // The raster layer keeps every read and write inside both bitmaps and
    // does nothing for a null bitmap or an empty area.
    IRaster::Blit(mDrawBitmap, image.bitmap, clipped.left, clipped.top, &source,
                  RasterWeight(blend), RasterMode(blend));
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

// Clipped to the bitmap only, not to the draw rectangle.
bool IEditorCanvas::FillBox(const IArgb& colour, const IBox& box, const IBlend* blend)
{
    IRaster::FillRect(mDrawBitmap, box.left, box.top, box.W(), box.H(), colour.Packed(),
                      RasterWeight(blend), RasterMode(blend));
    return true;
}

int IEditorCanvas::TextFlags(const ITextStyle& style)
{
    int flags = ICachedFont::kDtNoClip;
    if (style.colour.A != 255) flags |= ICachedFont::kForegroundAlpha;
    if (style.alignment == 1)
        flags |= ICachedFont::kDtCenter;
    else if (style.alignment != 0)
        flags |= ICachedFont::kDtRight;
    return flags;
}

bool IEditorCanvas::DrawText(ITextStyle* style, const char* text, const IBox& box)
{
    if (!text || !text[0]) return true;
    if (!style) return false;
    ICachedFont* font = style->cachedFont ? style->cachedFont : CacheFont(style);
    if (!font) return false;
    font->SetTextColour(style->colour.Packed());
    if (mDrawBitmap)
    {
        const IRasterBox target{box.left, box.top, box.right, box.bottom};
        font->DrawText(mDrawBitmap, text, -1, target, TextFlags(*style));
    }
    return true;
}

ICachedFont* IEditorCanvas::CacheFont(ITextStyle* style)
{
    if (!style) return nullptr;
    IFontCache::Key key;
    key.size = style->size;
    key.orientation = style->orientation;
    key.style = style->style;
    // The name field holds at most 31 characters and its terminator.
    key.name.assign(style->fontName, strnlen(style->fontName, ITextStyle::kFontNameSize - 1));
    ICachedFont* font =
        IFontCache::Instance().FindOrCreate(key, [&]() { return CreateCachedFont(*style); });
    if (font) style->cachedFont = font;
    return font;
}

ICachedFont* IEditorCanvas::CreateCachedFont(const ITextStyle& style)
{
    char name[ITextStyle::kFontNameSize];
    std::memcpy(name, style.fontName, sizeof(name));
    name[sizeof(name) - 1] = '\0';
    ICachedFont* font = new (std::nothrow) ICachedFont;
    if (!font) return nullptr;
    // The quality code (0..3) goes through as it is; the Windows font maps it
    // onto the system's quality constants.
    if (!font->Create(name, style.size, style.style == 1 ? 700 : 400, style.style == 2,
                      style.orientation, style.quality))
    {
        delete font;
        return nullptr;
    }
    return font;
}

// ---- mouse and keys ----------------------------------------------------------------

int IEditorCanvas::HitControl(int x, int y) const
{
    for (int i = NControls() - 1; i >= 0; --i)
    {
        const IControl* control = mControls[static_cast<size_t>(i)];
        if (!control->IsHidden() && !control->IsGrayed() && control->IsHit(x, y)) return i;
    }
    return -1;
}

int IEditorCanvas::MouseTarget(int x, int y) const
{
    if (mMouseCapture >= 0 && mMouseCapture < NControls()) return mMouseCapture;
    return HitControl(x, y);
}

void IEditorCanvas::ReleaseMouseCapture()
{
    mMouseCapture = -1;
    mMouseX = -1;
    mMouseY = -1;
}

// The host hears the gesture's begin and end (begin/end edit) with the
// plug-in lock held, as it hears every other notice.
void IEditorCanvas::EndGesture()
{
    const int param = mGestureParam;
    mGestureParam = -1;
    if (param >= 0 && mPlugin)
    {
        IEffectBase::ScopedLock lock(mPlugin);
        mPlugin->EndParameterEdit(param);
    }
}

void IEditorCanvas::OnMouseDown(int x, int y, const MouseKeys& keys)
{
    // A press without the release of the one before (a release the window
    // system never delivered) still closes the gesture it began.
    EndGesture();
    ReleaseMouseCapture();
    const int hit = HitControl(x, y);
    if (hit < 0) return;
    IControl* control = mControls[static_cast<size_t>(hit)];
    mMouseCapture = hit;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, keys);
    const int param = control->ParamIndex();
    if (param >= 0 && mPlugin)
    {
        IEffectBase::ScopedLock lock(mPlugin);
        mPlugin->BeginParameterEdit(param);
        mGestureParam = param;
    }
}

void IEditorCanvas::OnMouseUp(int x, int y, const MouseKeys& keys)
{
    const int target = MouseTarget(x, y);
    ReleaseMouseCapture();
    if (target < 0)
    {
        EndGesture();
        return;
    }
    IControl* control = mControls[static_cast<size_t>(target)];
    control->OnMouseUp(x, y, keys);
    // The release ends the gesture its press began, whichever control it
    // lands on; a release that began none (the second half of a double
    // click, a press outside the panel) tells the host nothing.
    EndGesture();
}

void IEditorCanvas::OnMouseDrag(int x, int y, const MouseKeys& keys)
{
    if (mMouseCapture < 0 || mMouseCapture >= NControls()) return;
    if (x == mMouseX && y == mMouseY) return;
    const int dx = x - mMouseX;
    const int dy = y - mMouseY;
    mMouseX = x;
    mMouseY = y;
    mControls[static_cast<size_t>(mMouseCapture)]->OnMouseDrag(x, y, dx, dy, keys);
}

bool IEditorCanvas::OnMouseDoubleClick(int x, int y, const MouseKeys& keys)
{
    ReleaseMouseCapture();
    const int hit = HitControl(x, y);
    if (hit < 0) return false;
    IControl* control = mControls[static_cast<size_t>(hit)];
    if (!control->DrawsDoubleClickAsSingle())
    {
        control->OnMouseDoubleClick(x, y, keys);
        return false;
    }
    // Taken as a mouse-down, without a begin-edit notice.
    mMouseCapture = hit;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, keys);
    return true;
}

void IEditorCanvas::OnMouseWheel(int x, int y, const MouseKeys& keys, int notches)
{
    const int target = MouseTarget(x, y);
    if (target < 0) return;
    mControls[static_cast<size_t>(target)]->OnMouseWheel(x, y, keys, notches);
}

bool IEditorCanvas::OnKeyDown(int x, int y, int keyCode)
{
    const int target = MouseTarget(x, y);
    // The background (index 0) never takes keys.
    if (target <= 0) return false;
    return mControls[static_cast<size_t>(target)]->OnKeyDown(x, y, keyCode);
}

// ---- value prompt ----------------------------------------------------------------------

void IEditorCanvas::PromptForValue(IControl* control, IParameter* param, const IBox* box)
{
    if (!control || !param || !box) return;
    const int nTexts = param->NDisplayTexts();
    const bool menu = param->Type() == IParameter::kTypeEnum ||
                      (param->Type() == IParameter::kTypeBool && nTexts > 0);
    char current[IParameter::kTextSize] = {};
    {
        // The value may change on the host's thread; read it as it does.
        if (mPlugin) mPlugin->Lock();
        param->GetDisplayForHost(param->Value(), false, current, menu, sizeof(current));
        if (mPlugin) mPlugin->Unlock();
    }
    if (!menu)
    {
        CreateTextEntry(control, control->GetTextStyle(), *box, current, param);
        return;
    }
    IMenu items;
    items.prefix = 0;
    items.chosen = -1;
    for (int i = 0; i < nTexts; ++i)
    {
        const IParameter::IDisplayText* entry = param->GetDisplayTextEntry(i);
        const char* text = entry ? entry->mText : "";
        items.AddItem(text, std::strcmp(text, current) == 0 ? IMenuItem::kChecked : 0);
    }
    // Modal: no lock is held while the menu is open.
    const IMenu* chosen = CreateMenu(&items, *box);
    if (!chosen || chosen->chosen < 0 || chosen->chosen >= nTexts) return;
    control->SetValueFromUser(param->ToNormalized(static_cast<double>(chosen->chosen)));
}
