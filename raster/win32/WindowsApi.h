#pragma once

// <windows.h> as the Windows parts of the raster layer and their tests take
// it: without the min/max macros and the rarely used parts, and without its
// DrawText macro (which would rename ICachedFont::DrawText to DrawTextA);
// GDI's own text calls are made as DrawTextA/DrawTextW by name.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef DrawText
