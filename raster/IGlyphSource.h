#pragma once

#include <cstdint>
#include <vector>

// One rendered character: 8-bit coverage (0 none .. 255 full) placed
// relative to the pen position on the baseline.
struct IGlyph
{
    int advance = 0; // pixels from this glyph's pen position to the next one's
    int left = 0;    // column of the coverage's left edge, relative to the pen
    int top = 0;     // rows from the coverage's top row up to the baseline
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage; // width x height, top row first
};

// Where a cached font's glyphs come from: FreeType on Linux; a test or the
// Windows layer may supply its own. Metrics in pixels. GUI thread only.
class IGlyphSource
{
  public:
    virtual ~IGlyphSource() {}
    // Renders the character; false when the source has nothing for it (the
    // character then draws nothing and takes no room).
    virtual bool Render(std::uint32_t code, IGlyph& glyph) = 0;
    // Baseline below the top of a line.
    virtual int Ascent() const = 0;
    virtual int LineHeight() const = 0;
};
