#include "raster/IFreeTypeFace.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

namespace
{

// Process-wide and never torn down: faces held by the editor's font cache
// are released by static destructors whose order against ours is unknown.
struct FontSystem
{
    FT_Library library = nullptr;
    // fontconfig's current configuration, shared with the host (which may
    // well use fontconfig itself): passed as null to every call, so that a
    // host replacing it leaves us nothing dangling.
    bool fontconfig = false;
    std::mutex mutex; // FT_New_Face / FT_Done_Face and fontconfig matching
};

FontSystem& System()
{
    static FontSystem* const system = []
    {
        auto* s = new FontSystem;
        if (FT_Init_FreeType(&s->library) != 0) s->library = nullptr;
        s->fontconfig = FcInit() == FcTrue;
        return s;
    }();
    return *system;
}

} // namespace

struct IFreeTypeFace::FaceHandle
{
    FT_Face face = nullptr;
};

bool IFreeTypeFace::Resolve(const char* family, int weight, bool italic, Match& match)
{
    FontSystem& system = System();
    std::lock_guard<std::mutex> lock(system.mutex);
    if (!system.fontconfig) return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    if (family != nullptr && family[0] != 0)
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    // CreateFont's weights are OpenType weights (400 normal, 700 bold).
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight > 0 ? weight : 400));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (found == nullptr) return false;
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int index = 0;
    const bool ok =
        FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (ok)
    {
        match.file = reinterpret_cast<const char*>(file);
        match.family =
            FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch && name != nullptr
                ? reinterpret_cast<const char*>(name)
                : "";
        match.index = FcPatternGetInteger(found, FC_INDEX, 0, &index) == FcResultMatch ? index : 0;
    }
    FcPatternDestroy(found);
    return ok;
}

std::unique_ptr<IFreeTypeFace> IFreeTypeFace::Open(const char* family, int heightPx, int weight,
                                                   bool italic)
{
    if (heightPx <= 0) return nullptr;
    std::unique_ptr<IFreeTypeFace> font(new (std::nothrow) IFreeTypeFace);
    if (!font) return nullptr;
    if (!Resolve(family, weight, italic, font->mMatch)) return nullptr;
    font->mFace = new (std::nothrow) FaceHandle;
    if (font->mFace == nullptr) return nullptr;

    FontSystem& system = System();
    {
        std::lock_guard<std::mutex> lock(system.mutex);
        if (system.library == nullptr || FT_New_Face(system.library, font->mMatch.file.c_str(),
                                                     font->mMatch.index, &font->mFace->face) != 0)
        {
            font->mFace->face = nullptr;
            return nullptr;
        }
    }
    FT_Face face = font->mFace->face;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) return nullptr;

    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0)
    {
        long ascent = face->ascender;
        long cell = static_cast<long>(face->ascender) - face->descender;
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        if (os2 != nullptr && os2->version != 0xffff &&
            static_cast<long>(os2->usWinAscent) + os2->usWinDescent > 0)
        {
            ascent = os2->usWinAscent;
            cell = static_cast<long>(os2->usWinAscent) + os2->usWinDescent;
        }
        if (cell <= 0) return nullptr;
        // The em in 26.6 pixels that makes the cell heightPx tall (72 dpi:
        // one point is one pixel).
        const double em = static_cast<double>(heightPx) * face->units_per_EM / cell;
        if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64.0)), 72, 72) != 0)
            return nullptr;
        font->mAscent =
            static_cast<int>(std::lround(static_cast<double>(heightPx) * ascent / cell));
    }
    else
    {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(heightPx)) != 0) return nullptr;
        font->mAscent = static_cast<int>(face->size->metrics.ascender >> 6);
    }
    font->mLineHeight = heightPx;
    return font;
}

IFreeTypeFace::~IFreeTypeFace()
{
    if (mFace == nullptr) return;
    if (mFace->face != nullptr)
    {
        std::lock_guard<std::mutex> lock(System().mutex);
        FT_Done_Face(mFace->face);
    }
    delete mFace;
}

bool IFreeTypeFace::Render(std::uint32_t code, IGlyph& glyph)
{
    FT_Face face = mFace->face;
    if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.coverage.clear();
    if (glyph.width <= 0 || glyph.height <= 0 || bitmap.buffer == nullptr)
    {
        glyph.width = glyph.height = 0;
        return true;
    }
    const bool grey = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
    if (!grey && !mono)
    {
        glyph.width = glyph.height = 0;
        return true;
    }
    try
    {
        glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    for (int y = 0; y < glyph.height; ++y)
    {
        // A negative pitch stores the rows bottom-up.
        const int stored = bitmap.pitch < 0 ? glyph.height - 1 - y : y;
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(stored) * pitch;
        std::uint8_t* out = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
        if (grey)
        {
            // Grey levels run 0..num_grays - 1 (256 levels for rendered glyphs).
            const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
            for (int x = 0; x < glyph.width; ++x)
                out[x] = static_cast<std::uint8_t>(levels == 255 ? row[x] : row[x] * 255 / levels);
        }
        else
        {
            for (int x = 0; x < glyph.width; ++x)
                out[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
        }
    }
    return true;
}
