#pragma once

#include "raster/IBitmap.h"

#include <cstdint>

// A rectangle in pixels: left, top inclusive; right, bottom exclusive.
struct IRasterBox
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Blit and fill: the two pixel operations the editor composes its panel with.
// GUI thread only.
namespace IRaster
{
// Low byte of a mode: the operation. kUseSourceAlpha makes the source
// pixel's (or the fill colour's) alpha scale the weight.
enum Mode : int
{
    kCopy = 0,
    kAdd = 1,
    kColourDodge = 2,
    kOperationMask = 0xff,
    kUseSourceAlpha = 0x10000,
};

// Copies the source box (the whole source when null) to (destX, destY) of
// dest with opacity weight (0..1). Every read and write stays inside both
// bitmaps whatever the arguments; nothing happens for a null or empty bitmap,
// zero weight or an empty clipped area.
void Blit(IBitmap* dest, IBitmap* source, int destX, int destY, const IRasterBox* sourceBox,
          float weight, int mode);

// Fills (x, y, width, height) of dest with colour 0xAARRGGBB.
void FillRect(IBitmap* dest, int x, int y, int width, int height, std::uint32_t colour,
              float weight, int mode);
} // namespace IRaster
