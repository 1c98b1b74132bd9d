#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IBitmap;
class ICachedFont;

// Integer rectangle in panel pixels: left, top inclusive, right, bottom
// exclusive. All zero means empty.
struct IBox
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    IBox() = default;
    IBox(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}

    bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int W() const { return right - left; }
    int H() const { return bottom - top; }
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool operator==(const IBox& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const IBox& o) const { return !(*this == o); }
};

// A colour as four ints 0..255.
struct IArgb
{
    int A = 255;
    int R = 0;
    int G = 0;
    int B = 0;

    IArgb() = default;
    IArgb(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}

    // 0xAARRGGBB, each channel from its low byte.
    std::uint32_t Packed() const
    {
        return (static_cast<std::uint32_t>(A & 0xff) << 24) |
               (static_cast<std::uint32_t>(R & 0xff) << 16) |
               (static_cast<std::uint32_t>(G & 0xff) << 8) | static_cast<std::uint32_t>(B & 0xff);
    }
};

struct ITextStyle
{
    static constexpr int kFontNameSize = 32;

    char fontName[kFontNameSize] = "Arial";
    int size = 12;                   // pixel height
    IArgb colour{255, 0, 0, 0};
    int style = 0;                   // 0 normal, 1 bold, 2 italic
    int alignment = 1;               // 0 left, 1 centre, 2 right
    int orientation = 0;             // degrees
    int quality = 0;                 // 0..3
    ICachedFont* cachedFont = nullptr; // filled by IEditorCanvas::CacheFont, not owned

    ITextStyle() = default;
    ITextStyle(const char* font, int sizePx, const IArgb& c, int styleCode = 0, int align = 1,
               int orient = 0, int qual = 0);
};

// A loaded image whose frames are stacked vertically, each height / frames
// pixels tall. The bitmap belongs to the process-wide image cache.
struct IImageStrip
{
    IBitmap* bitmap = nullptr;
    int width = 0;
    int height = 0;
    int frames = 1;
};

// method 0 copy with alpha (also any value outside 1..3), 1 plain copy,
// 2 add, 3 colour dodge; weight 0..1.
struct IBlend
{
    int method = 0;
    float weight = 1.0f;

    IBlend() = default;
    IBlend(int m, float w = 1.0f) : method(m), weight(w) {}
};

// Buttons and modifier keys at a mouse event, each 0 or 1.
struct MouseKeys
{
    std::uint8_t left = 0;
    std::uint8_t right = 0;
    std::uint8_t shift = 0;
    std::uint8_t control = 0;
    std::uint8_t alt = 0;
};

struct IMenu;

struct IMenuItem
{
    enum Flags : int
    {
        kGrayed = 1,
        kDisabled = 2,
        kChecked = 4,
        kSeparator = 8,
    };
    std::string text;
    IMenu* submenu = nullptr; // not used by this panel
    int flags = 0;
};

// A popup menu: numbering prefix 0..3 (0 plain, 1 "%1d: ", 2 "%02d: ",
// 3 "%03d: "), the chosen index (-1 none) and the items.
struct IMenu
{
    int prefix = 0;
    int chosen = -1;
    std::vector<IMenuItem> items;

    void AddItem(const char* text, int flags = 0) { items.push_back(IMenuItem{text ? text : "", nullptr, flags}); }
    // The text shown for item i (its numbering prefix applied).
    std::string ItemLabel(int i) const;
};
