#include "gui/IImageCache.h"

#include "raster/IBitmap.h"

IImageCache& IImageCache::Instance()
{
    // Constructed on first use, destroyed when the module is unloaded.
    static IImageCache cache;
    return cache;
}

IImageCache::~IImageCache()
{
    for (auto it = mEntries.rbegin(); it != mEntries.rend(); ++it)
        delete it->bitmap;
}

IBitmap* IImageCache::FindLocked(int resourceId) const
{
    for (const Entry& entry : mEntries)
        if (entry.resourceId == resourceId) return entry.bitmap;
    return nullptr;
}

IBitmap* IImageCache::Find(int resourceId)
{
    std::lock_guard<std::mutex> lock(mMutex);
    return FindLocked(resourceId);
}

IBitmap* IImageCache::Insert(int resourceId, IBitmap* bitmap)
{
    if (!bitmap) return nullptr;
    std::lock_guard<std::mutex> lock(mMutex);
    if (IBitmap* existing = FindLocked(resourceId))
    {
        if (existing != bitmap) delete bitmap;
        return existing;
    }
    mEntries.push_back(Entry{resourceId, bitmap});
    return bitmap;
}
