#pragma once

#include <mutex>
#include <vector>

class IBitmap;

// The process-wide store of decoded panel images, keyed by resource id alone
// (name and frame count play no part). Every canvas of the process (several
// plug-in instances in one host) shares the bitmaps; they are deleted only
// when the module is unloaded, by the static instance's destructor.
//
// Any thread: lookup and insertion each hold the cache's own mutex, never
// the plug-in lock. A linear list is enough for the panel's seven images.
class IImageCache
{
  public:
    static IImageCache& Instance();

    ~IImageCache();
    IImageCache(const IImageCache&) = delete;
    IImageCache& operator=(const IImageCache&) = delete;

    // The cached bitmap of resourceId, or null.
    IBitmap* Find(int resourceId);
    // Takes ownership of bitmap (not null) and stores it under resourceId.
    // When another thread stored an image for the id since this caller's
    // Find, the first one stays: bitmap is deleted and the cached one
    // returned, so that every strip of an id shares one bitmap.
    IBitmap* Insert(int resourceId, IBitmap* bitmap);

  private:
    IImageCache() = default;

    struct Entry
    {
        int resourceId;
        IBitmap* bitmap;
    };
    IBitmap* FindLocked(int resourceId) const;

    std::mutex mMutex;
    std::vector<Entry> mEntries;
};
