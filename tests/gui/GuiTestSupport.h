#pragma once

// A canvas for control tests: images come from synthetic strips whose frames
// are each one flat colour (so a drawn frame can be told from the pixels),
// and value prompts are recorded instead of opening a menu or an edit box.
// Tests observe only the off-screen bitmap and these records, so they run the
// same against any canvas that draws pixels.

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "raster/IBitmap.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace guitest
{
constexpr int kFrameRate = 30;
constexpr std::uint32_t kClearColour = 0xff000000u;

// Resource ids of the synthetic strips: {id, width, height, frames}.
enum StripId : int
{
    kStrip3Frames30High = 9101, // frames 10 x 30
    kStrip2Frames,              // frames 10 x 10
    kStrip11Frames50High,       // frames 20 x 50
    kStripHandle,               // one 12 x 10 image
    kStripKnob,                 // frames 56 x 56
    kStrip5Frames,              // frames 8 x 8
    kStrip3Frames30Wide,        // frames 30 x 10
};
struct StripShape
{
    int id, width, height, frames;
};
constexpr StripShape kStrips[] = {
    {kStrip3Frames30High, 10, 90, 3},    {kStrip2Frames, 10, 20, 2},
    {kStrip11Frames50High, 20, 550, 11}, {kStripHandle, 12, 10, 1},
    {kStripKnob, 56, 560, 10},           {kStrip5Frames, 8, 40, 5},
    {kStrip3Frames30Wide, 30, 30, 3},
};
inline StripShape ShapeFor(int id)
{
    for (const StripShape& s : kStrips)
        if (s.id == id) return s;
    return {id, 0, 0, 1};
}

// Opaque, red 20 apart from one frame to the next (frames from 1).
inline std::uint32_t FrameColour(int frame)
{
    return 0xff004080u | (20u * frame) << 16;
}

inline std::uint32_t Argb(int a, int r, int g, int b)
{
    return static_cast<std::uint32_t>(a) << 24 | r << 16 | g << 8 | b;
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
    IControl* control;
    IBox box;
    bool menu;
    std::string initialText;
};

class TestCanvas : public IEditorCanvas
{
  public:
    explicit TestCanvas(IEffectBase* plugin) : IEditorCanvas(plugin, 320, 240, kFrameRate) {}

    IBitmap* LoadImageResource(int resourceId, const char*) override
    {
        const StripShape shape = ShapeFor(resourceId);
        if (shape.width <= 0) return nullptr;
        auto* bitmap = new TestBitmap(shape.width, shape.height);
        for (int y = 0; y < shape.height; ++y)
            for (int x = 0; x < shape.width; ++x)
                bitmap->Bits()[y * shape.width + x] =
                    FrameColour(y / (shape.height / shape.frames) + 1);
        return bitmap;
    }
    IMenu* CreateMenu(IMenu*, const IBox& box) override
    {
        mPrompts.push_back({nullptr, box, true, ""});
        return nullptr;
    }
    void CreateTextEntry(IControl* control, const ITextStyle&, const IBox& box, const char* text,
                         IParameter*) override
    {
        mPrompts.push_back({control, box, false, text ? text : ""});
    }

    std::uint32_t& Pixel(int x, int y)
    {
        IBitmap* bm = GetDrawBitmap();
        return bm->Bits()[y * bm->RowSpan() + x];
    }
    // One draw pass over the whole panel, on a cleared bitmap.
    void Redraw()
    {
        for (int y = 0; y < GetDrawBitmap()->Height(); ++y)
            for (int x = 0; x < GetDrawBitmap()->Width(); ++x)
                Pixel(x, y) = kClearColour;
        Draw(IBox(0, 0, Width(), Height()));
    }

    std::vector<PromptRecord> mPrompts;
};

// Channel-wise closeness: blending towards an opaque source may leave a
// canvas a count or two short of it.
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 3)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xff) -
                     static_cast<int>((b >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}

// The frame (1-based) whose colour the pixel shows; 0 when none.
inline int FrameShownAt(TestCanvas& canvas, int x, int y)
{
    for (int f = 1; f <= 12; ++f)
        if (Near(canvas.Pixel(x, y), FrameColour(f))) return f;
    return 0;
}

inline MouseKeys Keys(bool left, bool right = false, bool shift = false, bool control = false)
{
    MouseKeys k;
    k.left = left;
    k.right = right;
    k.shift = shift;
    k.control = control;
    return k;
}
} // namespace guitest
