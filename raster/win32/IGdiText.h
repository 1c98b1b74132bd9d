#pragma once

#include "raster/IRaster.h"

#include <cstddef>
#include <cstdint>

// Text drawn by GDI itself with a system font, and the check that decides
// whether a cached font may do so.
namespace IGdiText
{

// True when the process runs under Wine: the registry key
// HKEY_LOCAL_MACHINE\Software\Wine exists. Asked once per process (the
// first caller's answer is kept; safe from any thread). Wine's GDI text in
// DIB sections differs from Windows', so under Wine text always goes through
// the glyph cache.
bool RunningUnderWine();

// Draws UTF-8 text (bytes long) with the HFONT systemFont in the colour's
// red, green and blue on a transparent background: DrawTextA with flags plus
// DT_NOPREFIX, or DrawTextW when the text holds a multi-byte sequence (UTF-8
// converted to UTF-16; malformed bytes become U+FFFD). flags are Win32
// DrawText flags; the cached font's own bits (foreground alpha) are dropped.
//
// The text goes into dest's device context when it has one; otherwise into
// a process-wide scratch system bitmap (grown as needed, guarded by its own
// lock) that receives a copy of dest's pixels first and is copied back
// afterwards, so the result is the same either way.
//
// Alpha: GDI writes the alpha byte of every pixel it draws text into as 0
// and leaves other pixels alone. The editor's off-screen bitmap reaches the
// screen through BitBlt, which ignores alpha, so this is harmless there; a
// caller that composites the bitmap with its alpha must draw through the
// glyph cache instead (ask for foreground alpha).
//
// Returns DrawText's height of the text, 0 when nothing could be drawn.
// GUI thread.
int DrawDirect(void* systemFont, std::uint32_t argb, IBitmap* dest, const char* text,
               std::size_t bytes, const IRasterBox& box, int flags);

} // namespace IGdiText
