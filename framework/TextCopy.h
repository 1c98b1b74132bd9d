#pragma once

#include <cstring>

// Copies src (null counts as empty) into a fixed field of dstSize bytes,
// truncating so that the terminator always fits. Any thread.
inline void CopyBoundedText(char* dst, int dstSize, const char* src)
{
    if (!dst || dstSize <= 0) return;
    size_t n = src ? std::strlen(src) : 0;
    if (n > static_cast<size_t>(dstSize - 1)) n = static_cast<size_t>(dstSize - 1);
    if (n > 0) std::memmove(dst, src, n);
    dst[n] = '\0';
}
