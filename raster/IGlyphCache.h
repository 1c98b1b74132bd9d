#pragma once

#include "raster/IGlyphSource.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Rendered glyphs by character code: 128 directly indexed entries for codes
// below 128, a table sorted by code (binary search) for the rest. A glyph
// stays at its address until Clear. GUI thread only.
class IGlyphCache
{
  public:
    static constexpr std::uint32_t kDirectEntries = 128;

    // The glyph stored for code, or null.
    const IGlyph* Find(std::uint32_t code) const;
    // Stores the glyph for code (replacing one stored before) and returns
    // where it now lives; null when memory ran out.
    const IGlyph* Add(std::uint32_t code, IGlyph glyph);
    std::size_t Count() const;
    // Codes of the sorted table in table order (for tests of its order).
    std::vector<std::uint32_t> TableCodes() const;
    void Clear();

  private:
    struct Entry
    {
        std::uint32_t code;
        std::unique_ptr<IGlyph> glyph;
    };
    std::vector<Entry>::const_iterator Lookup(std::uint32_t code) const;

    std::unique_ptr<IGlyph> mDirect[kDirectEntries];
    std::vector<Entry> mTable;
};
