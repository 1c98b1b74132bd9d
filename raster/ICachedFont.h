#pragma once

#include "raster/IRaster.h"

#include <cstddef>
#include <cstdint>

class IGlyphSource;

// A font with a glyph cache (128 direct entries for codes below 128, a sorted
// table for the rest). On Linux the face comes from fontconfig and the
// glyphs from FreeType; on Windows it wraps a GDI font and may draw with GDI
// directly. Fonts are created once per process and shared (the editor's
// font cache owns them). GUI thread only.
class ICachedFont
{
  public:
    // Placement flags of DrawText: the values of Win32's DT_CENTER,
    // DT_RIGHT and DT_NOCLIP, so the Windows path can pass them on as they
    // are; kForegroundAlpha makes the text colour's alpha scale the glyph
    // coverage.
    static constexpr int kDtCenter = 0x1;
    static constexpr int kDtRight = 0x2;
    static constexpr int kDtNoClip = 0x100;
    static constexpr int kForegroundAlpha = 0x40000000;
    // Set-up flags.
    static constexpr int kOwnsSystemFont = 0x200;
    static constexpr int kAllowDirectDraw = 0x400;

    ICachedFont();
    ~ICachedFont();
    ICachedFont(const ICachedFont&) = delete;
    ICachedFont& operator=(const ICachedFont&) = delete;

    // Opens the face that best matches faceName (e.g. "Arial") at a pixel
    // height; weight 400 normal, 700 bold; orientation in degrees; quality
    // 0 default, 1 non-anti-aliased, 2 anti-aliased, 3 ClearType. False when
    // no face can be opened.
    // Linux: a FreeType face (drawn horizontally and anti-aliased whatever
    // the orientation and quality). Windows: a GDI font from CreateFontA
    // adopted with kOwnsSystemFont | kAllowDirectDraw.
    bool Create(const char* faceName, int heightPx, int weight, bool italic, int orientation,
                int quality);
    // Windows: adopt a GDI font handle (HFONT) with the set-up flags above;
    // the glyph source becomes one read from that font. A font owned before
    // is deleted when a different one is set.
    void SetFromSystemFont(void* systemFont, int flags);
    // Takes over a glyph source (and drops the glyphs cached so far); Create
    // does this with the face it opened. Tests and platform layers may hand
    // in their own.
    void SetGlyphSource(IGlyphSource* source);
    // False until Create succeeded or a glyph source was set: the font then
    // measures 0 and draws nothing.
    bool HasGlyphSource() const;
    std::size_t CachedGlyphCount() const;

    void SetTextColour(std::uint32_t argb) { mColour = argb; }
    std::uint32_t TextColour() const { return mColour; }

    // Draws UTF-8 text (length in bytes, -1 for NUL-terminated) in box with
    // the placement flags above; the text's top sits at box.top. On Windows,
    // a font set with kAllowDirectDraw draws with GDI itself when no
    // foreground alpha is asked for and the process is not under Wine (see
    // IGdiText::DrawDirect; flags are then any Win32 DrawText flags).
    // Otherwise the glyph cache draws. Returns the
    // height drawn: the line height, also when the clip hides the text; 0
    // without a face, pixels or text. One line: control characters draw
    // nothing, malformed UTF-8 draws U+FFFD per bad byte.
    int DrawText(IBitmap* dest, const char* text, int length, const IRasterBox& box, int flags);
    // Advance width in pixels of the UTF-8 text, as DrawText places it.
    int TextWidth(const char* text, int length = -1);
    // Line height in pixels.
    int LineHeight() const;

  private:
    struct Impl;
    Impl* mImpl = nullptr;
    std::uint32_t mColour = 0xff000000u;
};
