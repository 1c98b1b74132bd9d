#include "gui/x11/IX11Surface.h"

#include "gui/x11/IX11Connection.h"
#include "raster/IBitmap.h"

#include <xcb/shm.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>

namespace
{
// The part of box that lies inside both a bitmap and a surface.
IBox ClipBox(const IBox& box, const IBitmap* bitmap, int width, int height)
{
    IBox c;
    c.left = std::max(box.left, 0);
    c.top = std::max(box.top, 0);
    c.right = std::min({box.right, bitmap->Width(), width});
    c.bottom = std::min({box.bottom, bitmap->Height(), height});
    if (c.right <= c.left || c.bottom <= c.top) return IBox();
    return c;
}

// Row y of a bitmap, whichever way its rows are stored.
const std::uint32_t* Row(IBitmap* bitmap, int y)
{
    const int row = bitmap->IsFlipped() ? bitmap->Height() - 1 - y : y;
    return bitmap->Bits() + static_cast<std::ptrdiff_t>(row) * bitmap->RowSpan();
}
} // namespace

bool IX11Surface::Attach(IX11Connection* connection, xcb_window_t window, xcb_visualid_t visual,
                         std::uint8_t depth, int width, int height, bool allowSharedMemory)
{
    Detach();
    std::uint8_t visualDepth = 0;
    const xcb_visualtype_t* type = connection->FindVisual(visual, &visualDepth);
    if (!type || (type->_class != XCB_VISUAL_CLASS_TRUE_COLOR &&
                  type->_class != XCB_VISUAL_CLASS_DIRECT_COLOR))
        return false;
    IX11PixelFormat format;
    format.depth = depth;
    format.redMask = type->red_mask;
    format.greenMask = type->green_mask;
    format.blueMask = type->blue_mask;
    format.msbFirst = connection->Setup()->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    if (!connection->PixmapFormat(depth, &format.bitsPerPixel, &format.scanlinePad)) return false;
    if (!format.IsSupported()) return false;

    mConnection = connection;
    mWindow = window;
    mFormat = format;
    mWidth = width;
    mHeight = height;
    xcb_connection_t* c = connection->Get();
    mGc = xcb_generate_id(c);
    const std::uint32_t noExposures = 0;
    xcb_create_gc(c, mGc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    if (allowSharedMemory) AttachSharedMemory();
    return true;
}

bool IX11Surface::AttachSharedMemory()
{
    xcb_connection_t* c = mConnection->Get();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present) return false;
    xcb_shm_query_version_reply_t* version =
        xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr);
    if (!version) return false;
    std::free(version);

    const std::size_t bytes =
        static_cast<std::size_t>(mFormat.BytesPerRow(mWidth)) * static_cast<std::size_t>(mHeight);
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1))
    {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(c);
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_shm_attach_checked(c, seg, static_cast<std::uint32_t>(id), 0));
    // Marked for removal at once: the segment goes away when both sides have
    // detached, even if this process dies without cleaning up.
    shmctl(id, IPC_RMID, nullptr);
    if (error)
    {
        // A server on another machine cannot attach our memory.
        std::free(error);
        shmdt(memory);
        return false;
    }
    mShmSeg = seg;
    mShmMemory = static_cast<std::uint8_t*>(memory);
    return true;
}

void IX11Surface::Detach()
{
    if (mConnection && !mConnection->IsBroken())
    {
        xcb_connection_t* c = mConnection->Get();
        if (mShmSeg) xcb_shm_detach(c, mShmSeg);
        if (mGc) xcb_free_gc(c, mGc);
        // The server must be done with the memory before it is unmapped here.
        if (mShmSeg) mConnection->Sync();
    }
    if (mShmMemory) shmdt(mShmMemory);
    mShmMemory = nullptr;
    mShmSeg = 0;
    mShmPending = false;
    mGc = 0;
    mConnection = nullptr;
    mWindow = 0;
    mChunk.clear();
    mChunk.shrink_to_fit();
}

void IX11Surface::Put(IBitmap* bitmap, const IBox& box)
{
    if (!mConnection || mConnection->IsBroken() || !bitmap || !bitmap->Bits()) return;
    const IBox clipped = ClipBox(box, bitmap, mWidth, mHeight);
    if (clipped.IsEmpty()) return;
    if (mShmSeg)
        PutShared(bitmap, clipped);
    else
        PutPlain(bitmap, clipped, clipped.left, clipped.top);
}

void IX11Surface::PutAt(IBitmap* bitmap, int x, int y)
{
    if (!mConnection || mConnection->IsBroken() || !bitmap || !bitmap->Bits()) return;
    IBox source(0, 0, bitmap->Width(), bitmap->Height());
    // Clip to the surface.
    if (x < 0) source.left = -x;
    if (y < 0) source.top = -y;
    source.right = std::min(source.right, mWidth - x);
    source.bottom = std::min(source.bottom, mHeight - y);
    if (source.right <= source.left || source.bottom <= source.top) return;
    PutPlain(bitmap, source, x + source.left, y + source.top);
}

void IX11Surface::PutShared(IBitmap* bitmap, const IBox& box)
{
    if (mShmPending) mConnection->Sync();
    const int rowBytes = mFormat.BytesPerRow(mWidth);
    const int pixelBytes = mFormat.BytesPerPixel();
    for (int y = box.top; y < box.bottom; ++y)
        mFormat.ConvertRow(Row(bitmap, y) + box.left, box.W(),
                           mShmMemory + static_cast<std::ptrdiff_t>(y) * rowBytes +
                               box.left * pixelBytes);
    xcb_shm_put_image(mConnection->Get(), mWindow, mGc, static_cast<std::uint16_t>(mWidth),
                      static_cast<std::uint16_t>(mHeight), static_cast<std::uint16_t>(box.left),
                      static_cast<std::uint16_t>(box.top), static_cast<std::uint16_t>(box.W()),
                      static_cast<std::uint16_t>(box.H()), static_cast<std::int16_t>(box.left),
                      static_cast<std::int16_t>(box.top), static_cast<std::uint8_t>(mFormat.depth),
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, mShmSeg, 0);
    mShmPending = true;
    mConnection->CountImageBytes(sizeof(xcb_shm_put_image_request_t));
}

void IX11Surface::PutPlain(IBitmap* bitmap, const IBox& source, int x, int y)
{
    const int width = source.W();
    const int rowBytes = mFormat.BytesPerRow(width);
    // Room for the request header (24 bytes) below the server's limit.
    const std::uint32_t limit = mConnection->MaxRequestBytes();
    const int payload = limit > 64 ? static_cast<int>(limit - 64) : 0;
    const int rowsPerRequest = std::max(1, payload / std::max(rowBytes, 1));
    for (int top = source.top; top < source.bottom; top += rowsPerRequest)
    {
        const int rows = std::min(rowsPerRequest, source.bottom - top);
        mChunk.resize(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            mFormat.ConvertRow(Row(bitmap, top + r) + source.left, width,
                               mChunk.data() + static_cast<std::ptrdiff_t>(r) * rowBytes);
        xcb_put_image(mConnection->Get(), XCB_IMAGE_FORMAT_Z_PIXMAP, mWindow, mGc,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(x), static_cast<std::int16_t>(y + top - source.top),
                      0, static_cast<std::uint8_t>(mFormat.depth),
                      static_cast<std::uint32_t>(mChunk.size()), mChunk.data());
        mConnection->CountImageBytes(mChunk.size() + sizeof(xcb_put_image_request_t));
    }
}
