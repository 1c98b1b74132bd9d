#pragma once

#include "framework/IHeapBuffer.h"

// An ordered list of pointers to T kept in an IHeapBuffer. The list does not
// own its elements: owners delete them, last to first (DeleteAll does that).
template <class T> class IPointerList
{
  public:
    IPointerList() : mBuffer(static_cast<int>(sizeof(T*)) * 16) {}
    IPointerList(const IPointerList&) = delete;
    IPointerList& operator=(const IPointerList&) = delete;

    int GetSize() const { return mBuffer.GetSize() / static_cast<int>(sizeof(T*)); }

    // Null outside 0..GetSize()-1.
    T* Get(int index) const
    {
        T** items = mBuffer.GetAs<T*>();
        return (items && index >= 0 && index < GetSize()) ? items[index] : nullptr;
    }

    // Answers false (and leaves the list unchanged) when memory is exhausted.
    bool Add(T* item) { return Insert(GetSize(), item); }

    // Inserts before index (clamped into 0..GetSize()); later entries move up.
    bool Insert(int index, T* item)
    {
        const int n = GetSize();
        if (index < 0) index = 0;
        if (index > n) index = n;
        const int wanted = (n + 1) * static_cast<int>(sizeof(T*));
        mBuffer.Resize(wanted, false);
        if (mBuffer.GetSize() != wanted) return false;
        T** items = mBuffer.GetAs<T*>();
        for (int i = n; i > index; --i)
            items[i] = items[i - 1];
        items[index] = item;
        return true;
    }

    // Deletes every element, last to first, and empties the list.
    void DeleteAll()
    {
        for (int i = GetSize() - 1; i >= 0; --i)
            delete Get(i);
        mBuffer.Resize(0);
    }

  private:
    IHeapBuffer mBuffer;
};
