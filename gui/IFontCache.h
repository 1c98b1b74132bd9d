#pragma once

#include <mutex>
#include <string>
#include <vector>

class ICachedFont;

// The process-wide store of the fonts text is drawn with, keyed by pixel
// size, orientation, style and the exact face name (case-sensitive): a style
// differing only in colour, alignment or quality shares the font. Fonts live
// until the module is unloaded (the static instance's destructor deletes
// them).
//
// Any thread: every call holds the cache's own mutex, never the plug-in
// lock. Creation runs under the mutex too, so two instances asking for the
// same font at once create it once, and the font library is never entered by
// two threads to open faces.
class IFontCache
{
  public:
    struct Key
    {
        int size;
        int orientation;
        int style;
        std::string name;

        bool operator==(const Key& o) const
        {
            return size == o.size && orientation == o.orientation && style == o.style &&
                   name == o.name;
        }
    };

    static IFontCache& Instance();

    ~IFontCache();
    IFontCache(const IFontCache&) = delete;
    IFontCache& operator=(const IFontCache&) = delete;

    // The font stored under key; otherwise create() (a callable returning a
    // new ICachedFont* or null), stored when not null. Null when absent and
    // creation failed; nothing is stored then, so a later call tries again.
    template <typename Create> ICachedFont* FindOrCreate(const Key& key, Create&& create)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        if (ICachedFont* font = FindLocked(key)) return font;
        ICachedFont* font = create();
        if (font) mEntries.push_back(Entry{key, font});
        return font;
    }

    // The font stored under key, or null.
    ICachedFont* Find(const Key& key);
    int Count();

  private:
    IFontCache() = default;

    struct Entry
    {
        Key key;
        ICachedFont* font;
    };
    ICachedFont* FindLocked(const Key& key) const;

    std::mutex mMutex;
    std::vector<Entry> mEntries;
};
