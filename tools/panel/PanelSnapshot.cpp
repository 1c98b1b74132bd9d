#include "PanelSnapshot.h"

#include "gui/IEditorCanvas.h"
#include "raster/IBitmap.h"

#include <png.h>

#include <cstdio>
#include <vector>

bool PanelSnapshot::Tick(IEditorCanvas& canvas)
{
    IBox dirty;
    if (!canvas.IsDirty(&dirty)) return false;
    canvas.Draw(dirty);
    return true;
}

namespace
{
// libpng reports errors by longjmp: nothing with a destructor may live in
// this frame, so the row buffer comes from the caller.
bool WriteRgbaRows(std::FILE* file, const std::uint32_t* bits, int w, int h, int span,
                   png_byte* row)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y)
    {
        const std::uint32_t* src = bits + static_cast<size_t>(y) * static_cast<size_t>(span);
        for (int x = 0; x < w; ++x)
        {
            const std::uint32_t p = src[x];
            row[4 * x + 0] = static_cast<png_byte>(p >> 16);
            row[4 * x + 1] = static_cast<png_byte>(p >> 8);
            row[4 * x + 2] = static_cast<png_byte>(p);
            // The window shows the panel opaque whatever its alpha bytes say.
            row[4 * x + 3] = 255;
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}
} // namespace

bool PanelSnapshot::WritePng(IBitmap& bitmap, const std::string& path, std::string& error)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const std::uint32_t* bits = bitmap.Bits();
    if (!bits || w <= 0 || h <= 0)
    {
        error = "the panel has no pixels";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
    {
        error = "cannot write " + path;
        return false;
    }
    std::vector<png_byte> row(static_cast<size_t>(w) * 4);
    const bool written = WriteRgbaRows(file, bits, w, h, bitmap.RowSpan(), row.data());
    if (std::fclose(file) != 0 || !written)
    {
        error = "writing " + path + " failed";
        return false;
    }
    return true;
}
