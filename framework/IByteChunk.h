#pragma once

#include "framework/IHeapBuffer.h"

#include <cstdint>

// A growable byte buffer with typed little-endian appends and bounds-checked
// reads. Appends answer the new size, or 0 when memory is exhausted (the
// chunk is then unchanged). Reads answer the position after the value read,
// or -1 when the value does not lie entirely within the chunk (nothing is
// then stored).
class IByteChunk
{
  public:
    IByteChunk();

    // IEEE 754 double, 8 bytes little-endian.
    int PutDouble(double value);
    // 4 bytes little-endian.
    int PutInt32(int32_t value);
    int PutByte(uint8_t value);
    // 32-bit length L (without terminator) then the L bytes, no terminator.
    // A null text is written as length 0.
    int PutStr(const char* text);
    int PutBytes(const void* data, int size);
    // Appends the bytes of another chunk (which may not be this one).
    int PutChunk(const IByteChunk& other);

    int GetDouble(double* value, int position) const;
    int GetInt32(int32_t* value, int position) const;
    int GetByte(uint8_t* value, int position) const;
    // Copies size bytes at position into out.
    int GetBytes(void* out, int size, int position) const;

    void Clear();
    // Sets the size; bytes added are zero. Answers the resulting size (the old
    // one when memory is exhausted).
    int Resize(int newSize);

    int Size() const { return mBytes.GetSize(); }
    // Null while the chunk is empty.
    const uint8_t* GetBytes() const { return mBytes.GetAs<uint8_t>(); }
    uint8_t* GetBytes() { return mBytes.GetAs<uint8_t>(); }

  private:
    // Grows the chunk by n bytes and answers where they start, or null.
    uint8_t* Extend(int n);

    IHeapBuffer mBytes;
};
