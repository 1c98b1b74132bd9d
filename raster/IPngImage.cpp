#include "raster/IPngImage.h"

#include "raster/IMemoryBitmap.h"

#include <png.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

// libpng reports errors by longjmp back into the function that called
// setjmp. The two functions below that do so keep only plain C data in their
// frames and change nothing a jump could leave half-updated: everything they
// produce lives behind pointers owned by the caller, whose C++ objects are
// never jumped over.

namespace
{

struct MemoryReader
{
    const png_byte* data;
    std::size_t size;
    std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->position) png_error(png, "read past the end of the data");
    std::memcpy(out, reader->data + reader->position, length);
    reader->position += length;
}

// libpng's default handlers print to stderr; a decoder inside a plug-in has
// no business writing there. The error handler must not return.
void IgnoreWarning(png_structp, png_const_charp) {}
[[noreturn]] void JumpOnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

// Reads the header and sets the transforms that turn every colour type into
// 8-bit A, R, G, B bytes. False on a libpng error.
bool ReadHeader(png_structp png, png_infop info, png_uint_32* width, png_uint_32* height)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    int bitDepth = 0;
    int colourType = 0;
    png_get_IHDR(png, info, width, height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (bitDepth < 8) png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    // Alpha first: stored alpha is moved in front of the colour, images that
    // carry none get an opaque one in front.
    const bool hasAlpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (hasAlpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

// Reads every row into the caller's row pointers. False on a libpng error.
bool ReadRows(png_structp png, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool IPngImage::HasSignature(const void* data, std::size_t size)
{
    return data != nullptr && size >= 8 &&
           png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) == 0;
}

namespace
{

// Decodes a whole PNG stream into pixels that allocate(width, height) hands
// out: rows of IPngImage::RowSpanFor(width) pixels, top to bottom, or null
// when it cannot. Pixels past the width of each row are set to 0. False on
// any failure; the pixels handed out are then partly written.
template <class Allocate> bool DecodeInto(const void* data, std::size_t size, Allocate allocate)
{
    if (!IPngImage::HasSignature(data, size)) return false;

    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr)
    {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    // libpng itself refuses headers beyond these sides before it allocates.
    png_set_user_limits(png, IPngImage::kMaxSide, IPngImage::kMaxSide);
    MemoryReader reader{static_cast<const png_byte*>(data), size, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    bool ok = ReadHeader(png, info, &width, &height) && width > 0 && height > 0 &&
              width <= IPngImage::kMaxSide && height <= IPngImage::kMaxSide &&
              static_cast<std::uint64_t>(width) * height <= IPngImage::kMaxPixels &&
              png_get_rowbytes(png, info) == static_cast<png_size_t>(width) * 4;

    std::uint32_t* pixels = nullptr;
    std::vector<png_bytep> rows;
    const int rowSpan = ok ? IPngImage::RowSpanFor(static_cast<int>(width)) : 0;
    if (ok)
    {
        pixels = allocate(static_cast<int>(width), static_cast<int>(height));
        ok = pixels != nullptr;
    }
    if (ok)
    {
        try
        {
            rows.resize(height);
        }
        catch (const std::bad_alloc&)
        {
            ok = false;
        }
    }
    if (ok)
    {
        for (png_uint_32 y = 0; y < height; ++y)
        {
            std::uint32_t* row = pixels + static_cast<std::size_t>(y) * rowSpan;
            rows[y] = reinterpret_cast<png_bytep>(row);
            // Interlaced images are assembled over the whole row area; the
            // padding is cleared here once.
            std::memset(row, 0, static_cast<std::size_t>(rowSpan) * 4);
        }
        ok = ReadRows(png, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) return false;

    // Bytes A, R, G, B in memory become the value 0xAARRGGBB.
    for (png_uint_32 y = 0; y < height; ++y)
    {
        std::uint32_t* row = pixels + static_cast<std::size_t>(y) * rowSpan;
        for (png_uint_32 x = 0; x < width; ++x)
        {
            unsigned char argb[4];
            std::memcpy(argb, row + x, 4);
            row[x] = static_cast<std::uint32_t>(argb[0]) << 24 |
                     static_cast<std::uint32_t>(argb[1]) << 16 |
                     static_cast<std::uint32_t>(argb[2]) << 8 | argb[3];
        }
    }
    return true;
}

} // namespace

bool IPngImage::Decode(const void* data, std::size_t size)
{
    mWidth = 0;
    mHeight = 0;
    mPixels.clear();
    mPixels.shrink_to_fit();

    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    auto allocate = [&](int w, int h) -> std::uint32_t*
    {
        try
        {
            pixels.resize(static_cast<std::size_t>(RowSpanFor(w)) * h);
        }
        catch (const std::bad_alloc&)
        {
            return nullptr;
        }
        width = w;
        height = h;
        return pixels.data();
    };
    if (!DecodeInto(data, size, allocate)) return false;
    mWidth = width;
    mHeight = height;
    mPixels.swap(pixels);
    return true;
}

IMemoryBitmap* IPngImage::DecodeBitmap(const void* data, std::size_t size)
{
    IMemoryBitmap* bitmap = nullptr;
    auto allocate = [&](int w, int h) -> std::uint32_t*
    {
        bitmap = new (std::nothrow) IMemoryBitmap(w, h, 4);
        if (bitmap == nullptr) return nullptr;
        // The row span of alignment 4 is the one the decoder writes.
        if (bitmap->Bits() == nullptr || bitmap->RowSpan() != RowSpanFor(w)) return nullptr;
        return bitmap->Bits();
    };
    if (!DecodeInto(data, size, allocate))
    {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}
