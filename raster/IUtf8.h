#pragma once

#include <cstdint>

// UTF-8 decoding for text drawing. GUI thread, no state.
namespace IUtf8
{

constexpr std::uint32_t kReplacement = 0xfffd;

// Decodes the code point at p, which must be below end, and moves p past it.
// Every malformed sequence (a stray continuation byte, a lead byte that
// cannot start one, an overlong form, a surrogate, a value above U+10FFFF, a
// sequence cut short by end) yields U+FFFD and consumes exactly one byte, so
// decoding resynchronises on the next byte and never reads at or past end.
inline std::uint32_t Next(const unsigned char*& p, const unsigned char* end)
{
    const std::uint32_t lead = *p;
    if (lead < 0x80)
    {
        ++p;
        return lead;
    }
    int continuation = 0;
    std::uint32_t code = 0;
    std::uint32_t smallest = 0;
    if (lead >= 0xc2 && lead <= 0xdf)
    {
        continuation = 1;
        code = lead & 0x1f;
        smallest = 0x80;
    }
    else if ((lead & 0xf0) == 0xe0)
    {
        continuation = 2;
        code = lead & 0x0f;
        smallest = 0x800;
    }
    else if (lead >= 0xf0 && lead <= 0xf4)
    {
        continuation = 3;
        code = lead & 0x07;
        smallest = 0x10000;
    }
    else
    {
        ++p;
        return kReplacement;
    }
    if (end - p <= continuation)
    {
        ++p;
        return kReplacement;
    }
    for (int i = 1; i <= continuation; ++i)
    {
        const std::uint32_t byte = p[i];
        if ((byte & 0xc0) != 0x80)
        {
            ++p;
            return kReplacement;
        }
        code = code << 6 | (byte & 0x3f);
    }
    if (code < smallest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
    {
        ++p;
        return kReplacement;
    }
    p += continuation + 1;
    return code;
}

} // namespace IUtf8
