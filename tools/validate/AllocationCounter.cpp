#include "tools/validate/AllocationCounter.h"

#include <cstddef>

// Which hook this build uses.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KORVALA_SANITIZER_HOOK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KORVALA_SANITIZER_HOOK 1
#endif
#endif
#if !defined(KORVALA_SANITIZER_HOOK) && defined(__linux__) && defined(__GLIBC__)
#define KORVALA_INTERPOSE_MALLOC 1
#endif

namespace
{

// Thread-local and trivially constructed: reading them never allocates, which
// matters because they are read from inside malloc.
thread_local bool tArmed = false;
thread_local long tAllocations = 0;
thread_local long tReleases = 0;

inline void CountAllocation()
{
    if (tArmed) ++tAllocations;
}

inline void CountRelease(const void* p)
{
    if (tArmed && p != nullptr) ++tReleases;
}

} // namespace

#if defined(KORVALA_SANITIZER_HOOK)

extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             size_t),
                                                         void (*free_hook)(const volatile void*));

namespace
{

void OnSanitizerMalloc(const volatile void*, size_t)
{
    CountAllocation();
}
void OnSanitizerFree(const volatile void* p)
{
    CountRelease(const_cast<const void*>(p));
}

// Installed before main, once for the process.
const int kHooksInstalled =
    __sanitizer_install_malloc_and_free_hooks(OnSanitizerMalloc, OnSanitizerFree);

} // namespace

#elif defined(KORVALA_INTERPOSE_MALLOC)

// The C library's own allocator entry points, which its public malloc family
// forwards to as well; calling them keeps one heap for everybody.
extern "C"
{
    void* __libc_malloc(size_t size);
    void* __libc_calloc(size_t count, size_t size);
    void* __libc_realloc(void* p, size_t size);
    void* __libc_memalign(size_t alignment, size_t size);
    void __libc_free(void* p);
}

#define KORVALA_EXPORT __attribute__((visibility("default")))

extern "C"
{

    KORVALA_EXPORT void* malloc(size_t size)
    {
        CountAllocation();
        return __libc_malloc(size);
    }

    KORVALA_EXPORT void* calloc(size_t count, size_t size)
    {
        CountAllocation();
        return __libc_calloc(count, size);
    }

    KORVALA_EXPORT void* realloc(void* p, size_t size)
    {
        CountAllocation();
        return __libc_realloc(p, size);
    }

    KORVALA_EXPORT void free(void* p)
    {
        CountRelease(p);
        __libc_free(p);
    }

    KORVALA_EXPORT void* memalign(size_t alignment, size_t size)
    {
        CountAllocation();
        return __libc_memalign(alignment, size);
    }

    KORVALA_EXPORT void* aligned_alloc(size_t alignment, size_t size)
    {
        CountAllocation();
        return __libc_memalign(alignment, size);
    }

    KORVALA_EXPORT int posix_memalign(void** out, size_t alignment, size_t size)
    {
        CountAllocation();
        // EINVAL (22) unless the alignment is a power of two multiple of a pointer.
        if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0) return 22;
        void* p = __libc_memalign(alignment, size);
        if (p == nullptr) return 12; // ENOMEM
        *out = p;
        return 0;
    }

} // extern "C"

#endif

namespace validate
{

bool AllocationCounter::Available()
{
#if defined(KORVALA_SANITIZER_HOOK)
    return kHooksInstalled != 0;
#elif defined(KORVALA_INTERPOSE_MALLOC)
    return true;
#else
    return false;
#endif
}

void AllocationCounter::Arm()
{
    tAllocations = 0;
    tReleases = 0;
    tArmed = true;
}

void AllocationCounter::Disarm(long& allocations, long& releases)
{
    tArmed = false;
    allocations = tAllocations;
    releases = tReleases;
}

} // namespace validate
