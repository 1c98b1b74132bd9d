#include "gui/IFontCache.h"

#include "raster/ICachedFont.h"

IFontCache& IFontCache::Instance()
{
    // Constructed on first use, destroyed when the module is unloaded.
    static IFontCache cache;
    return cache;
}

IFontCache::~IFontCache()
{
    for (auto it = mEntries.rbegin(); it != mEntries.rend(); ++it)
        delete it->font;
}

ICachedFont* IFontCache::FindLocked(const Key& key) const
{
    for (const Entry& entry : mEntries)
        if (entry.key == key) return entry.font;
    return nullptr;
}

ICachedFont* IFontCache::Find(const Key& key)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return FindLocked(key);
}

int IFontCache::Count()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<int>(mEntries.size());
}
