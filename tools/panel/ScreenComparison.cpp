#include "ScreenComparison.h"

#include "gui/IControl.h"
#include "gui/IEditorCanvas.h"
#include "gui/IGainReductionMeter.h"
#include "gui/IPeakMeter.h"
#include "gui/ITextControl.h"
#include "raster/IBitmap.h"

#include <algorithm>
#include <fstream>

std::vector<IBox> ScreenComparison::MaskedRegions(IEditorCanvas& canvas)
{
    std::vector<IBox> masks;
    for (int i = 0; i < canvas.NControls(); ++i)
    {
        IControl* control = canvas.GetControl(i);
        if (!control) continue;
        const IBox& r = control->GetRect();
        if (dynamic_cast<ITextControl*>(control))
        {
            // Centred text spills out of a narrow box (the version text's is
            // 10 px for about 35 px of text), and a line of size-pixel text
            // may reach half the size above and below a shorter box.
            const int size = control->GetTextStyle().size;
            const int minWidth = 4 * size;
            const int grow = std::max(size / 2, (minWidth - r.W() + 1) / 2);
            masks.emplace_back(r.left - grow, r.top - size / 2, r.right + grow, r.bottom + size / 2);
        }
        else if (dynamic_cast<IPeakMeter*>(control) || dynamic_cast<IGainReductionMeter*>(control))
        {
            masks.push_back(r);
        }
    }
    return masks;
}

bool ScreenComparison::ReadPpm(const std::string& path, std::vector<std::uint32_t>& pixels,
                               int& width, int& height, std::string& error)
{
    std::ifstream ppm(path, std::ios::binary);
    std::string magic;
    int max = 0;
    ppm >> magic >> width >> height >> max;
    ppm.get(); // the single white space before the samples
    if (!ppm || magic != "P6" || max != 255 || width <= 0 || height <= 0 || width > 16384 ||
        height > 16384)
    {
        error = path + " is not an 8-bit binary PPM";
        return false;
    }
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    if (!ppm.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size())))
    {
        error = path + " is shorter than its header says";
        return false;
    }
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (static_cast<std::uint32_t>(rgb[3 * i]) << 16) |
                    (static_cast<std::uint32_t>(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
    return true;
}

ScreenComparison::Result ScreenComparison::Compare(const std::vector<std::uint32_t>& screen,
                                                   int width, int height, IBitmap& bitmap,
                                                   const std::vector<IBox>& masks)
{
    Result result;
    if (width != bitmap.Width() || height != bitmap.Height() || !bitmap.Bits() ||
        screen.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    {
        result.compared = result.differing = std::max(1, width * height);
        return result;
    }
    for (int y = 0; y < height; ++y)
    {
        const int row = bitmap.IsFlipped() ? height - 1 - y : y;
        const std::uint32_t* panel = bitmap.Bits() + static_cast<size_t>(row) * static_cast<size_t>(bitmap.RowSpan());
        for (int x = 0; x < width; ++x)
        {
            bool masked = false;
            for (const IBox& m : masks) masked = masked || m.Contains(x, y);
            if (masked) continue;
            ++result.compared;
            // The window shows the panel opaque: alpha does not count.
            if (screen[static_cast<size_t>(y * width + x)] != (panel[x] & 0xffffffu))
            {
                if (result.differing == 0) result.firstDifference = IBox(x, y, x + 1, y + 1);
                ++result.differing;
            }
        }
    }
    return result;
}
