#pragma once

#include "raster/IGlyphSource.h"

#include <memory>
#include <string>

// Linux glyphs: fontconfig picks the face file that best matches a family
// name, weight and slant ("Arial" gives whatever fontconfig substitutes,
// Liberation Sans with fonts-liberation2), FreeType renders 8-bit
// anti-aliased coverage from it.
//
// Size: the height asked for is the cell height, as a positive height means
// to Windows' CreateFont: ascent plus descent of the face's Windows metrics
// (OS/2 usWinAscent + usWinDescent, hhea ascender - descender when absent)
// scale to that many pixels, so text is as tall and as wide as the panel's
// Windows build draws it. The line height is the cell height; the baseline
// lies the scaled Windows ascent below the top.
//
// The FreeType library and the fontconfig configuration are process-wide,
// created once on first use (thread-safe) and kept for the life of the
// process; opening and closing faces is serialised by a process-wide lock.
// A face itself renders on the GUI thread only.
class IFreeTypeFace : public IGlyphSource
{
  public:
    struct Match
    {
        std::string family;
        std::string file;
        int index = 0;
    };
    // The face file fontconfig matches for the family, weight (400 normal,
    // 700 bold, as in CreateFont) and slant. False when fontconfig offers
    // no file at all.
    static bool Resolve(const char* family, int weight, bool italic, Match& match);

    // Null when no face can be opened or the height is not positive.
    static std::unique_ptr<IFreeTypeFace> Open(const char* family, int heightPx, int weight,
                                               bool italic);
    ~IFreeTypeFace() override;
    IFreeTypeFace(const IFreeTypeFace&) = delete;
    IFreeTypeFace& operator=(const IFreeTypeFace&) = delete;

    bool Render(std::uint32_t code, IGlyph& glyph) override;
    int Ascent() const override { return mAscent; }
    int LineHeight() const override { return mLineHeight; }
    const Match& Matched() const { return mMatch; }

  private:
    IFreeTypeFace() = default;

    struct FaceHandle;
    FaceHandle* mFace = nullptr;
    Match mMatch;
    int mAscent = 0;
    int mLineHeight = 0;
};
