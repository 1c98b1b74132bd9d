#include "framework/IByteChunk.h"

#include <climits>
#include <cstring>

IByteChunk::IByteChunk() : mBytes(4096) {}

uint8_t* IByteChunk::Extend(int n)
{
    const int old = Size();
    if (n < 0 || old > INT_MAX - n) return nullptr;
    mBytes.Resize(old + n, false);
    if (Size() != old + n) return nullptr;
    return mBytes.GetAs<uint8_t>() + old;
}

// Values are stored little-endian byte by byte, so chunks read the same on
// every machine whatever its own byte order.
static void StoreLE(uint8_t* p, uint64_t bits, int width)
{
    for (int i = 0; i < width; ++i)
        p[i] = static_cast<uint8_t>(bits >> (8 * i));
}

static uint64_t LoadLE(const uint8_t* p, int width)
{
    uint64_t bits = 0;
    for (int i = 0; i < width; ++i)
        bits |= static_cast<uint64_t>(p[i]) << (8 * i);
    return bits;
}

int IByteChunk::PutDouble(double value)
{
    uint8_t* p = Extend(8);
    if (!p) return 0;
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    StoreLE(p, bits, 8);
    return Size();
}

int IByteChunk::PutInt32(int32_t value)
{
    uint8_t* p = Extend(4);
    if (!p) return 0;
    StoreLE(p, static_cast<uint32_t>(value), 4);
    return Size();
}

int IByteChunk::PutByte(uint8_t value)
{
    uint8_t* p = Extend(1);
    if (!p) return 0;
    *p = value;
    return Size();
}

int IByteChunk::PutStr(const char* text)
{
    const size_t len = text ? std::strlen(text) : 0;
    if (len > static_cast<size_t>(INT_MAX - 4)) return 0;
    // Length and bytes are appended in one step, so a failure leaves no half
    // record behind.
    uint8_t* p = Extend(4 + static_cast<int>(len));
    if (!p) return 0;
    StoreLE(p, static_cast<uint32_t>(len), 4);
    if (len > 0) std::memcpy(p + 4, text, len);
    return Size();
}

int IByteChunk::PutBytes(const void* data, int size)
{
    if (size == 0) return Size();
    if (!data || size < 0) return 0;
    uint8_t* p = Extend(size);
    if (!p) return 0;
    std::memcpy(p, data, static_cast<size_t>(size));
    return Size();
}

int IByteChunk::PutChunk(const IByteChunk& other)
{
    if (&other == this) return 0;
    return PutBytes(other.GetBytes(), other.Size());
}

int IByteChunk::GetBytes(void* out, int size, int position) const
{
    if (!out || size < 0 || position < 0 || position > Size() - size) return -1;
    if (size > 0) std::memcpy(out, GetBytes() + position, static_cast<size_t>(size));
    return position + size;
}

int IByteChunk::GetDouble(double* value, int position) const
{
    if (!value || position < 0 || position > Size() - 8) return -1;
    const uint64_t bits = LoadLE(GetBytes() + position, 8);
    std::memcpy(value, &bits, 8);
    return position + 8;
}

int IByteChunk::GetInt32(int32_t* value, int position) const
{
    if (!value || position < 0 || position > Size() - 4) return -1;
    *value = static_cast<int32_t>(static_cast<uint32_t>(LoadLE(GetBytes() + position, 4)));
    return position + 4;
}

int IByteChunk::GetByte(uint8_t* value, int position) const
{
    if (!value || position < 0 || position >= Size()) return -1;
    *value = GetBytes()[position];
    return position + 1;
}

// The allocation is kept, so a chunk that is rewritten for every host request
// does not reallocate each time.
void IByteChunk::Clear()
{
    mBytes.Resize(0, false);
}

int IByteChunk::Resize(int newSize)
{
    const int old = Size();
    mBytes.Resize(newSize, true);
    if (Size() > old) std::memset(GetBytes() + old, 0, static_cast<size_t>(Size() - old));
    return Size();
}
