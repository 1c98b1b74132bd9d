#include "framework/IHeapBuffer.h"

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{
std::atomic<long long> sAllocationCeiling{INT_MAX};
}

IHeapBuffer::IHeapBuffer(int granularityBytes, int minAllocBytes)
    : mGranularity(granularityBytes), mMinAlloc(minAllocBytes)
{
}

IHeapBuffer::~IHeapBuffer()
{
    std::free(mData);
}

long long IHeapBuffer::AllocationFor(int newSizeBytes, int granularityBytes)
{
    const long long n = newSizeBytes;
    const long long half = n / 2;
    long long alloc;
    if (granularityBytes < 4096)
    {
        alloc = n + (granularityBytes > half ? granularityBytes : half);
    }
    else
    {
        // Page-sized steps: the slack is a whole number of 4 KiB pages
        // between one page and 4 MiB, and the allocation ends 96 bytes short
        // of a page boundary so that the allocator's own header still fits
        // in the last page.
        long long slack = granularityBytes > half ? granularityBytes : half;
        slack &= ~4095LL;
        if (slack < 4096) slack = 4096;
        if (slack > 4194304) slack = 4194304;
        alloc = ((n + slack + 96) & ~4095LL) - 96;
    }
    return alloc > INT_MAX ? -1 : alloc;
}

void IHeapBuffer::SetAllocationCeiling(long long bytes)
{
    sAllocationCeiling = bytes;
}

long long IHeapBuffer::GetAllocationCeiling()
{
    return sAllocationCeiling;
}

bool IHeapBuffer::Reallocate(int newAlloc)
{
    if (newAlloc <= 0)
    {
        std::free(mData);
        mData = nullptr;
        mAlloc = 0;
        return true;
    }
    if (newAlloc > sAllocationCeiling.load()) return false;
    void* grown = std::realloc(mData, static_cast<size_t>(newAlloc));
    if (!grown)
    {
        // Some allocators fail to resize in place yet can still hand out a
        // fresh block; the old one stays valid until the copy is done.
        grown = std::malloc(static_cast<size_t>(newAlloc));
        if (!grown) return false;
        if (mData)
            std::memcpy(grown, mData, static_cast<size_t>(mUsed < newAlloc ? mUsed : newAlloc));
        std::free(mData);
    }
    mData = grown;
    mAlloc = newAlloc;
    return true;
}

void* IHeapBuffer::Resize(int newSizeBytes, bool allowShrink)
{
    if (newSizeBytes < 0) newSizeBytes = 0;
    if (newSizeBytes == mUsed) return Get();
    const long long alloc = mAlloc;
    const bool grow = newSizeBytes > mAlloc;
    const bool shrink = allowShrink && newSizeBytes < mUsed && newSizeBytes < alloc / 2 &&
                        newSizeBytes < alloc - 4LL * mGranularity;
    if (grow || shrink)
    {
        long long wanted = AllocationFor(newSizeBytes, mGranularity);
        if (wanted < 0) return Get();
        if (wanted < mMinAlloc) wanted = mMinAlloc;
        if (!Reallocate(static_cast<int>(wanted))) return Get();
    }
    mUsed = newSizeBytes;
    return Get();
}
