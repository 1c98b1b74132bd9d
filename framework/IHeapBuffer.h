#pragma once

#include <cstddef>

// A growable block of heap bytes. The allocation grows in steps (see Resize) so
// that repeated appends do not reallocate every time; it shrinks only when the
// caller allows it and the waste is large. Failures are reported by the size
// staying unchanged, never by exceptions.
//
// Not thread-safe; owners serialise access (the plug-in lock, or single use).
class IHeapBuffer
{
  public:
    // granularityBytes: growth step. minAllocBytes: the allocation never goes
    // below this once something is allocated.
    explicit IHeapBuffer(int granularityBytes = 4096, int minAllocBytes = 0);
    ~IHeapBuffer();

    IHeapBuffer(const IHeapBuffer&) = delete;
    IHeapBuffer& operator=(const IHeapBuffer&) = delete;

    // Sets the used size to newSizeBytes (negative counts as 0) and answers
    // Get(). Bytes kept keep their values; added bytes are unspecified. On
    // allocation failure the used size (and the data) stay as they were, so
    // callers compare GetSize() with what they asked for.
    void* Resize(int newSizeBytes, bool allowShrink = true);

    // The data, or null while the used size is 0.
    void* Get() const { return mUsed > 0 ? mData : nullptr; }
    template <class T> T* GetAs() const { return static_cast<T*>(Get()); }

    int GetSize() const { return mUsed; }
    int GetAllocatedSize() const { return mAlloc; }
    int GetGranularity() const { return mGranularity; }

    // The allocation the growth rule picks for a used size of newSizeBytes
    // (before the minimum allocation is applied); -1 when it exceeds the
    // largest allocation an int can describe. Exposed so the rule is testable.
    static long long AllocationFor(int newSizeBytes, int granularityBytes);

    // Largest single allocation the buffers may make, in bytes. Lowering it
    // simulates memory exhaustion in tests; the default is the int range.
    static void SetAllocationCeiling(long long bytes);
    static long long GetAllocationCeiling();

  private:
    bool Reallocate(int newAlloc);

    void* mData = nullptr;
    int mGranularity;
    int mAlloc = 0;
    int mUsed = 0;
    int mMinAlloc;
};
