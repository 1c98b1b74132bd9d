#include "raster/IGlyphCache.h"

#include <algorithm>
#include <new>
#include <utility>

std::vector<IGlyphCache::Entry>::const_iterator IGlyphCache::Lookup(std::uint32_t code) const
{
    return std::lower_bound(mTable.begin(), mTable.end(), code,
                            [](const Entry& e, std::uint32_t c) { return e.code < c; });
}

const IGlyph* IGlyphCache::Find(std::uint32_t code) const
{
    if (code < kDirectEntries) return mDirect[code].get();
    const auto it = Lookup(code);
    return it != mTable.end() && it->code == code ? it->glyph.get() : nullptr;
}

const IGlyph* IGlyphCache::Add(std::uint32_t code, IGlyph glyph)
{
    try
    {
        auto stored = std::make_unique<IGlyph>(std::move(glyph));
        IGlyph* result = stored.get();
        if (code < kDirectEntries)
        {
            mDirect[code] = std::move(stored);
            return result;
        }
        const auto at = mTable.begin() + (Lookup(code) - mTable.cbegin());
        if (at != mTable.end() && at->code == code)
            at->glyph = std::move(stored);
        else
            mTable.insert(at, Entry{code, std::move(stored)});
        return result;
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

std::size_t IGlyphCache::Count() const
{
    std::size_t n = mTable.size();
    for (const auto& glyph : mDirect)
        if (glyph) ++n;
    return n;
}

std::vector<std::uint32_t> IGlyphCache::TableCodes() const
{
    std::vector<std::uint32_t> codes;
    for (const Entry& e : mTable)
        codes.push_back(e.code);
    return codes;
}

void IGlyphCache::Clear()
{
    for (auto& glyph : mDirect)
        glyph.reset();
    mTable.clear();
}
