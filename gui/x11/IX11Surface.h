#pragma once

#include "gui/IGraphicsTypes.h"
#include "gui/x11/IX11PixelFormat.h"

#include <xcb/xcb.h>

#include <cstdint>
#include <vector>

class IBitmap;
class IX11Connection;

// Copies rectangles of a 32-bit bitmap into one window: through a shared
// memory segment (MIT-SHM) when the server offers it and can attach the
// segment (it runs on this machine), otherwise as put-image requests split
// below the server's request size limit. Pixels are converted when the
// window's visual does not store them as the bitmap does.
//
// The segment has the window's full size and is a staging copy: the bitmap
// is never handed to the server, so drawing into it never races the server's
// read. Before the staging copy is written again, a round trip makes sure the
// server has read the previous one. Same thread as the window.
class IX11Surface
{
  public:
    IX11Surface() = default;
    ~IX11Surface() { Detach(); }
    IX11Surface(const IX11Surface&) = delete;
    IX11Surface& operator=(const IX11Surface&) = delete;

    // For window (of visual and depth) of width x height on connection.
    // False when the visual is not a TrueColor (or DirectColor) one whose
    // pixels this class can write.
    bool Attach(IX11Connection* connection, xcb_window_t window, xcb_visualid_t visual,
                std::uint8_t depth, int width, int height, bool allowSharedMemory);
    // Releases the graphics context and the segment (the window is the
    // caller's). Safe on a broken connection and when never attached.
    void Detach();

    // Copies box of bitmap (clipped to both the bitmap and the surface) to
    // the window at the same coordinates.
    void Put(IBitmap* bitmap, const IBox& box);
    // Copies the whole of bitmap to (x, y) of the window with plain requests
    // (for small overlays drawn between two shared-memory copies).
    void PutAt(IBitmap* bitmap, int x, int y);

    bool UsesSharedMemory() const { return mShmSeg != 0; }
    const IX11PixelFormat& Format() const { return mFormat; }

  private:
    bool AttachSharedMemory();
    void PutShared(IBitmap* bitmap, const IBox& box);
    void PutPlain(IBitmap* bitmap, const IBox& source, int x, int y);

    IX11Connection* mConnection = nullptr;
    xcb_window_t mWindow = 0;
    xcb_gcontext_t mGc = 0;
    IX11PixelFormat mFormat;
    int mWidth = 0;
    int mHeight = 0;
    // MIT-SHM staging copy: segment id on the server (0 = none), the memory.
    std::uint32_t mShmSeg = 0;
    std::uint8_t* mShmMemory = nullptr;
    bool mShmPending = false;
    std::vector<std::uint8_t> mChunk; // rows of one plain put-image request
};
