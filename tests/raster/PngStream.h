#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

// Builds PNG streams by hand for the decoder tests, independently of libpng:
// chunks with their CRCs, scanlines with filter type 0, zlib compression.
// Rows are given already packed at the image's bit depth, big-endian for
// 16-bit samples, exactly as they appear in the file.
class PngStream
{
  public:
    PngStream(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
              bool interlaced = false)
    {
        mBytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        std::vector<std::uint8_t> ihdr;
        Put32(ihdr, width);
        Put32(ihdr, height);
        ihdr.push_back(static_cast<std::uint8_t>(bitDepth));
        ihdr.push_back(static_cast<std::uint8_t>(colourType));
        ihdr.push_back(0);
        ihdr.push_back(0);
        ihdr.push_back(interlaced ? 1 : 0);
        Chunk("IHDR", ihdr);
    }

    PngStream& Chunk(const char* type, const std::vector<std::uint8_t>& data)
    {
        Put32(mBytes, static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        mBytes.insert(mBytes.end(), body.begin(), body.end());
        Put32(mBytes,
              static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
        return *this;
    }

    // One IDAT chunk holding the rows, each preceded by filter type 0. For an
    // interlaced image the "rows" are those of the seven passes in order.
    PngStream& Rows(const std::vector<std::vector<std::uint8_t>>& rows)
    {
        std::vector<std::uint8_t> raw;
        for (const auto& row : rows)
        {
            raw.push_back(0);
            raw.insert(raw.end(), row.begin(), row.end());
        }
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        std::vector<std::uint8_t> packed(size);
        compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
        packed.resize(size);
        return Chunk("IDAT", packed);
    }

    std::vector<std::uint8_t> End()
    {
        Chunk("IEND", {});
        return mBytes;
    }

  private:
    static void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<std::uint8_t>(v >> shift));
    }

    std::vector<std::uint8_t> mBytes;
};
