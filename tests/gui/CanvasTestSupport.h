#pragma once

// Pieces the canvas tests share: a control that logs what the canvas sends it
// and paints its rectangle in one opaque colour, a canvas whose window slots
// record their calls, bitmaps made in the test, and a small VST plug-in with a
// host that records every request.

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "raster/ICachedFont.h"
#include "raster/IMemoryBitmap.h"
#include "vst/IEffectVST.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// In a namespace of their own: the control tests in this executable have
// helpers of the same names.
namespace canvas_test
{
// ---- a control that logs ------------------------------------------------------------

class ProbeControl : public IControl
{
  public:
    ProbeControl(const IBox& box, std::uint32_t colour = 0xff000000u, int paramIndex = -1,
                 IEffectBase* plugin = nullptr)
        : IControl(plugin, box, paramIndex, 1), mColour(colour)
    {
    }

    void OnMouseDown(int x, int y, const MouseKeys&) override { Log("down", x, y); }
    void OnMouseUp(int x, int y, const MouseKeys&) override { Log("up", x, y); }
    void OnMouseDrag(int x, int y, int dx, int dy, const MouseKeys&) override
    {
        Log("drag", x, y, dx, dy);
    }
    void OnMouseDoubleClick(int x, int y, const MouseKeys&) override { Log("double", x, y); }
    void OnMouseWheel(int x, int y, const MouseKeys&, int notches) override
    {
        Log("wheel", x, y, notches);
    }
    bool OnKeyDown(int x, int y, int key) override
    {
        Log("key", x, y, key);
        return keyAnswer;
    }
    bool Draw(IEditorCanvas* canvas) override
    {
        ++draws;
        IArgb c(static_cast<int>(mColour >> 24), static_cast<int>((mColour >> 16) & 0xff),
                static_cast<int>((mColour >> 8) & 0xff), static_cast<int>(mColour & 0xff));
        IBlend copy(1, 1.0f);
        canvas->FillBox(c, GetRect(), &copy);
        return drawAnswer;
    }

    void Log(const char* what, int x, int y, int a = 0, int b = 0)
    {
        events.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) +
                         (a || b ? " " + std::to_string(a) + "," + std::to_string(b) : ""));
    }

    std::uint32_t mColour;
    std::vector<std::string> events;
    int draws = 0;
    bool keyAnswer = true;
    bool drawAnswer = true;
};

// ---- a canvas whose window slots record ------------------------------------------------

class TestCanvas : public IEditorCanvas
{
  public:
    explicit TestCanvas(IEffectBase* plugin = nullptr, int w = 64, int h = 48, int fps = 30)
        : IEditorCanvas(plugin, w, h, fps)
    {
    }

    bool DrawScreen(const IBox& box) override
    {
        screens.push_back(box);
        return true;
    }
    IMenu* CreateMenu(IMenu* menu, const IBox& box) override
    {
        shownMenus.push_back(*menu);
        menuBoxes.push_back(box);
        if (menuChoice < 0) return nullptr;
        menu->chosen = menuChoice;
        return menu;
    }
    void CreateTextEntry(IControl* control, const ITextStyle& style, const IBox& box,
                         const char* initialText, IParameter* param) override
    {
        entries.push_back({control, style, box, initialText ? initialText : "", param});
    }
    IBitmap* LoadImageResource(int resourceId, const char* name) override
    {
        ++loads;
        if (imageSource) return imageSource(resourceId, name);
        return IEditorCanvas::LoadImageResource(resourceId, name);
    }
    ICachedFont* CreateCachedFont(const ITextStyle& style) override
    {
        ++fontCreations;
        if (failFonts) return nullptr;
        // A font object without a face: enough for the cache's bookkeeping,
        // on every platform.
        if (blankFonts) return new ICachedFont;
        return IEditorCanvas::CreateCachedFont(style);
    }

    // Fills the whole off-screen bitmap with one colour.
    void Clear(std::uint32_t colour)
    {
        IBitmap* b = GetDrawBitmap();
        for (int y = 0; y < b->Height(); ++y)
            for (int x = 0; x < b->Width(); ++x)
                b->Bits()[y * b->RowSpan() + x] = colour;
    }
    std::uint32_t Pixel(int x, int y) const
    {
        IBitmap* b = GetDrawBitmap();
        return b->Bits()[y * b->RowSpan() + x];
    }
    // Lets a test call a primitive with a chosen draw rectangle.
    void SetDrawRect(const IBox& box) { mDrawRect = box; }

    struct Entry
    {
        IControl* control;
        ITextStyle style;
        IBox box;
        std::string text;
        IParameter* param;
    };
    std::vector<IBox> screens;
    std::vector<IMenu> shownMenus;
    std::vector<IBox> menuBoxes;
    int menuChoice = -1;
    std::vector<Entry> entries;
    std::function<IBitmap*(int, const char*)> imageSource;
    int loads = 0;
    int fontCreations = 0;
    bool failFonts = false;
    bool blankFonts = false;
};

// A bitmap whose pixel (x, y) is pixel(x, y).
inline IMemoryBitmap* MakeBitmap(int w, int h, const std::function<std::uint32_t(int, int)>& pixel)
{
    IMemoryBitmap* b = new IMemoryBitmap(w, h, 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->Bits()[y * b->RowSpan() + x] = pixel(x, y);
    return b;
}

// ---- a VST plug-in with a recording host ------------------------------------------------

struct HostRequest
{
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};
// The requests the test plug-ins made of their host, in order.
std::vector<HostRequest>& HostRequests();

// Three parameters: 0 "Gain" double -10..10 dB, 1 "Mode" enumeration of
// three ("VCA", "FET", "Opto"), 2 "Bypass" boolean ("off", "on").
class EditProbe : public IEffectVST
{
  public:
    EditProbe();
};
} // namespace canvas_test
