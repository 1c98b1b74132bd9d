// Stand-in for the raster layer's cached font (see README.md): one solid
// block per byte, 0.6 x height wide, height tall.
#include "raster/ICachedFont.h"

#include <cstring>

struct ICachedFont::Impl
{
    int height = 0;
};

ICachedFont::ICachedFont() : mImpl(new Impl) {}

ICachedFont::~ICachedFont()
{
    delete mImpl;
}

bool ICachedFont::Create(const char* faceName, int heightPx, int, bool, int, int)
{
    if (!faceName || !faceName[0] || heightPx <= 0) return false;
    mImpl->height = heightPx;
    return true;
}

void ICachedFont::SetFromSystemFont(void*, int) {}

int ICachedFont::TextWidth(const char* text, int length)
{
    if (!text) return 0;
    const int n = length < 0 ? static_cast<int>(std::strlen(text)) : length;
    return n * mImpl->height * 3 / 5;
}

int ICachedFont::LineHeight() const
{
    return mImpl->height;
}

int ICachedFont::DrawText(IBitmap* dest, const char* text, int length, const IRasterBox& box,
                          int flags)
{
    const int w = TextWidth(text, length);
    if (!dest || w <= 0) return 0;
    int x = box.left;
    if (flags & kDtCenter)
        x = box.left + (box.right - box.left - w) / 2;
    else if (flags & kDtRight)
        x = box.right - w;
    const float weight =
        (flags & kForegroundAlpha) ? static_cast<float>(mColour >> 24) / 255.0f : 1.0f;
    IRaster::FillRect(dest, x, box.top, w, mImpl->height, mColour | 0xff000000u, weight,
                      IRaster::kCopy);
    return mImpl->height;
}
