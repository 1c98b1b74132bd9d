#pragma once

// A canvas for control tests: the panel images come from a table of
// synthetic strips instead of resources (each frame one flat colour, so a
// drawn frame can be told from the pixels), and the value prompts are
// recorded instead of opening a menu or an edit box. Everything a test
// observes goes through the canvas's off-screen bitmap or these records, so
// the tests run the same against any canvas that draws pixels.

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "raster/IBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace guitest
{
constexpr int kPanelWidth = 320;
constexpr int kPanelHeight = 240;
constexpr int kFrameRate = 30;
constexpr std::uint32_t kClearColour = 0xff000000u;

// Resource ids of the synthetic strips.
enum StripId : int
{
    kStrip3Frames30High = 9101,  // 10 x 90, 3 frames of 30 rows
    kStrip2Frames = 9102,        // 10 x 20, 2 frames
    kStrip11Frames50High = 9103, // 20 x 550, 11 frames of 50 rows
    kStripHandle = 9104,         // 12 x 10, 1 frame
    kStripKnob = 9105,           // 56 x 560, 10 frames of 56 rows
    kStrip5Frames = 9106,        // 8 x 40, 5 frames of 8 rows
    kStrip3Frames30Wide = 9107,  // 30 x 30, 3 frames of 10 rows
};

struct StripSpec
{
    int width = 0;
    int height = 0;
    int frames = 1;
};

inline StripSpec SpecFor(int id)
{
    switch (id)
    {
    case kStrip3Frames30High:
        return {10, 90, 3};
    case kStrip2Frames:
        return {10, 20, 2};
    case kStrip11Frames50High:
        return {20, 550, 11};
    case kStripHandle:
        return {12, 10, 1};
    case kStripKnob:
        return {56, 560, 10};
    case kStrip5Frames:
        return {8, 40, 5};
    case kStrip3Frames30Wide:
        return {30, 30, 3};
    default:
        return {};
    }
}

// Opaque, with red 20 apart from one frame to the next (frames from 1).
inline std::uint32_t FrameColour(int frame)
{
    return 0xff000000u | (static_cast<std::uint32_t>(20 * frame) << 16) | 0x4080u;
}

class TestBitmap : public IBitmap
{
  public:
    TestBitmap(int w, int h) { Resize(w, h); }
    std::uint32_t* Bits() override { return mPixels.empty() ? nullptr : mPixels.data(); }
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    int RowSpan() const override { return mWidth; }
    bool Resize(int w, int h) override
    {
        if (w == mWidth && h == mHeight) return false;
        mWidth = w;
        mHeight = h;
        mPixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), kClearColour);
        return true;
    }

  private:
    int mWidth = 0;
    int mHeight = 0;
    std::vector<std::uint32_t> mPixels;
};

struct PromptRecord
{
    IControl* control = nullptr;
    IParameter* param = nullptr;
    IBox box;
    bool menu = false;
    std::string initialText;
};

class TestCanvas : public IEditorCanvas
{
  public:
    explicit TestCanvas(IEffectBase* plugin, int width = kPanelWidth, int height = kPanelHeight)
        : IEditorCanvas(plugin, width, height, kFrameRate)
    {
    }

    IBitmap* LoadImageResource(int resourceId, const char* name) override
    {
        (void)name;
        const StripSpec spec = SpecFor(resourceId);
        if (spec.width <= 0) return nullptr;
        auto* bitmap = new TestBitmap(spec.width, spec.height);
        const int frameHeight = spec.height / spec.frames;
        for (int y = 0; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x)
                bitmap->Bits()[y * bitmap->RowSpan() + x] = FrameColour(y / frameHeight + 1);
        return bitmap;
    }

    IMenu* CreateMenu(IMenu* menu, const IBox& box) override
    {
        PromptRecord r;
        r.box = box;
        r.menu = true;
        mPrompts.push_back(r);
        (void)menu;
        return nullptr;
    }

    void CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                         const char* initialText, IParameter* param) override
    {
        (void)style;
        PromptRecord r;
        r.control = control;
        r.param = param;
        r.box = box;
        r.initialText = initialText ? initialText : "";
        mPrompts.push_back(r);
    }

    // Fills the whole off-screen bitmap with kClearColour.
    void Clear()
    {
        IBitmap* bm = GetDrawBitmap();
        for (int y = 0; y < bm->Height(); ++y)
            for (int x = 0; x < bm->Width(); ++x)
                bm->Bits()[y * bm->RowSpan() + x] = kClearColour;
    }

    std::uint32_t Pixel(int x, int y)
    {
        IBitmap* bm = GetDrawBitmap();
        return bm->Bits()[y * bm->RowSpan() + x];
    }

    // One draw pass over the whole panel.
    void DrawAll() { Draw(IBox(0, 0, Width(), Height())); }

    std::vector<PromptRecord> mPrompts;
};

// Channel-wise closeness: blending towards an opaque source may leave a
// canvas a count or two short of it.
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 3)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        const int ca = static_cast<int>((a >> shift) & 0xff);
        const int cb = static_cast<int>((b >> shift) & 0xff);
        if (std::abs(ca - cb) > tolerance) return false;
    }
    return true;
}

inline std::uint32_t Argb(int a, int r, int g, int b)
{
    return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(r) << 16) |
           (static_cast<std::uint32_t>(g) << 8) | static_cast<std::uint32_t>(b);
}

// The frame (1-based) whose colour the pixel shows; 0 when none.
inline int FrameShownAt(TestCanvas& canvas, int x, int y)
{
    const std::uint32_t p = canvas.Pixel(x, y);
    for (int f = 1; f <= 12; ++f)
        if (Near(p, FrameColour(f))) return f;
    return 0;
}

inline MouseKeys LeftButton()
{
    MouseKeys k;
    k.left = 1;
    return k;
}
inline MouseKeys RightButton()
{
    MouseKeys k;
    k.right = 1;
    return k;
}
inline MouseKeys WithShift(MouseKeys k)
{
    k.shift = 1;
    return k;
}
inline MouseKeys WithControl(MouseKeys k)
{
    k.control = 1;
    return k;
}
} // namespace guitest
