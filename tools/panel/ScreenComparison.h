#pragma once

#include "gui/IGraphicsTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class IBitmap;
class IEditorCanvas;

// Compares a screenshot of the editor window with the panel drawn without a
// window, outside the places where the two may rightly differ: text (each
// platform draws it with its own fonts and rasteriser) and meters (they show
// whatever audio played). Everything else (images, knob and switch frames,
// fader handles) must match pixel for pixel.
class ScreenComparison
{
  public:
    // The rectangles of the canvas's text controls, grown by the room their
    // text may take beyond the box (it is drawn unclipped, centred on the
    // box), and of its meters.
    static std::vector<IBox> MaskedRegions(IEditorCanvas& canvas);
    // Reads a binary PPM (P6, 8 bits) into 0xRRGGBB pixels. False with error.
    static bool ReadPpm(const std::string& path, std::vector<std::uint32_t>& pixels, int& width,
                        int& height, std::string& error);

    struct Result
    {
        int compared = 0;
        int differing = 0;
        IBox firstDifference; // the first differing pixel (1 x 1), empty when none
    };
    // Compares screen (width x height, 0xRRGGBB) with bitmap pixel by pixel
    // outside masks; both must have the same size (else everything differs).
    static Result Compare(const std::vector<std::uint32_t>& screen, int width, int height,
                          IBitmap& bitmap, const std::vector<IBox>& masks);
};
