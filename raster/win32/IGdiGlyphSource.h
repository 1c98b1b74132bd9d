#pragma once

#include "raster/IGlyphSource.h"

#include <memory>

// Windows glyphs: coverage of a GDI font (HFONT) read with GetGlyphOutlineW.
// Anti-aliased fonts give 65 grey levels (0..64), scaled to 0..255; a font
// created with non-anti-aliased quality gives its 1-bit glyphs as 0 or 255.
// Metrics are GDI's own: the advance is the glyph's cell increment (what
// GetTextExtentPoint adds up, no kerning), the baseline lies tmAscent below
// the top and a line is tmHeight tall, as DrawText places text.
//
// The source does not own the font: the cached font that holds both deletes
// the font after the source. It keeps a memory device context of its own and
// selects the font into it only while it measures or renders, so the font
// can be selected elsewhere (the direct text path) and deleted at any time
// the source is not in a call. Characters above U+FFFF have no glyph here
// (GetGlyphOutlineW takes one UTF-16 unit). GUI thread only.
class IGdiGlyphSource : public IGlyphSource
{
  public:
    // Null when the font is null or GDI gives no metrics for it.
    static std::unique_ptr<IGdiGlyphSource> Open(void* systemFont);
    ~IGdiGlyphSource() override;
    IGdiGlyphSource(const IGdiGlyphSource&) = delete;
    IGdiGlyphSource& operator=(const IGdiGlyphSource&) = delete;

    bool Render(std::uint32_t code, IGlyph& glyph) override;
    int Ascent() const override { return mAscent; }
    int LineHeight() const override { return mLineHeight; }

  private:
    IGdiGlyphSource() = default;

    void* mFont = nullptr; // HFONT, not owned
    void* mDc = nullptr;   // HDC, owned
    bool mMonochrome = false;
    int mAscent = 0;
    int mLineHeight = 0;
};
