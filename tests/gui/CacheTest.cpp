// The process-wide image and font caches, the images compiled into the
// module and the name rule of the image loader.

#include "CanvasTestSupport.h"
#include "gui/IEmbeddedImages.h"
#include "gui/IFontCache.h"
#include "gui/IImageCache.h"
#include "raster/ICachedFont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>

using namespace canvas_test;

namespace
{
std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
}

// Width and height from a PNG's header chunk (big-endian at bytes 16 and 20).
int HeaderInt(const std::vector<unsigned char>& png, size_t at)
{
    return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
}

// The "<id> PNG "<file>"" lines of the resource script.
std::vector<std::pair<int, std::string>> ScriptImages()
{
    std::ifstream in(std::string(KORVALA_SOURCE_DIR) + "/resources/BraskoKorvala.rc");
    std::vector<std::pair<int, std::string>> out;
    const std::regex line("^([0-9]+)\\s+PNG\\s+\"([^\"]+)\"");
    std::string text;
    while (std::getline(in, text))
    {
        std::smatch m;
        if (std::regex_search(text, m, line)) out.emplace_back(std::stoi(m[1]), m[2]);
    }
    return out;
}
} // namespace

TEST(ImageCache, OneIdLoadedWithDifferentFrameCountsSharesOneBitmap)
{
    TestCanvas a, b;
    auto source = [](int, const char*) -> IBitmap*
    { return MakeBitmap(5, 12, [](int, int) { return 0xff000000u; }); };
    a.imageSource = source;
    b.imageSource = source;
    const IImageStrip one = a.LoadImageStrip(7101, "strip.png", 1);
    const IImageStrip three = a.LoadImageStrip(7101, "other name.png", 3);
    const IImageStrip again = b.LoadImageStrip(7101, "strip.png", 4);
    EXPECT_EQ(a.loads + b.loads, 1);
    ASSERT_NE(one.bitmap, nullptr);
    EXPECT_EQ(three.bitmap, one.bitmap);
    EXPECT_EQ(again.bitmap, one.bitmap);
    EXPECT_EQ(one.width, 5);
    EXPECT_EQ(one.height, 12);
    EXPECT_EQ(three.width, 5);
    EXPECT_EQ(three.height, 12);
    EXPECT_EQ(one.frames, 1);
    EXPECT_EQ(three.frames, 3);
    EXPECT_EQ(again.frames, 4);
}

TEST(ImageCache, ASecondBitmapForACachedIdIsDroppedInFavourOfTheFirst)
{
    IImageCache& cache = IImageCache::Instance();
    IBitmap* first = cache.Insert(7102, MakeBitmap(1, 1, [](int, int) { return 0u; }));
    IBitmap* second = cache.Insert(7102, MakeBitmap(2, 2, [](int, int) { return 0u; }));
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.Find(7102), first);
    EXPECT_EQ(cache.Insert(7103, nullptr), nullptr);
    EXPECT_EQ(cache.Find(7103), nullptr);
}

TEST(ImageCache, AMissingImageGivesAZeroSizedStripThatDrawsNothingAndIsTriedAgain)
{
    TestCanvas canvas;
    canvas.imageSource = [](int, const char*) -> IBitmap* { return nullptr; };
    const IImageStrip strip = canvas.LoadImageStrip(7104, "gone.png", 3);
    EXPECT_EQ(strip.bitmap, nullptr);
    EXPECT_EQ(strip.width, 0);
    EXPECT_EQ(strip.height, 0);
    EXPECT_EQ(strip.frames, 3);
    canvas.LoadImageStrip(7104, "gone.png", 3);
    EXPECT_EQ(canvas.loads, 2);

    // A frame count below one would make controls divide by zero.
    EXPECT_EQ(canvas.LoadImageStrip(7104, "gone.png", 0).frames, 1);

    // A background from a missing image is an empty control that draws
    // nothing and takes no mouse.
    canvas.PrepareDrawing();
    canvas.Clear(0xff123456u);
    canvas.AttachBackground(7104, "gone.png");
    EXPECT_TRUE(canvas.GetControl(0)->GetRect().IsEmpty());
    EXPECT_TRUE(canvas.Draw(IBox(0, 0, 64, 48)));
    EXPECT_EQ(canvas.Pixel(0, 0), 0xff123456u);
}

TEST(EmbeddedImages, EveryImageOfTheResourceScriptIsCompiledInByteForByte)
{
    const auto images = ScriptImages();
    ASSERT_EQ(images.size(), 7u);
    for (const auto& image : images)
    {
        const std::vector<unsigned char> file =
            ReadFile(std::string(KORVALA_SOURCE_DIR) + "/resources/" + image.second);
        ASSERT_GT(file.size(), 24u) << image.second;
        const void* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(FindEmbeddedImage(image.first, &data, &size)) << image.first;
        ASSERT_EQ(size, file.size()) << image.second;
        EXPECT_EQ(std::memcmp(data, file.data(), size), 0) << image.second;

        // Decoded by the default loader, at the size the file's header gives.
        TestCanvas canvas;
        std::unique_ptr<IBitmap> bitmap(
            canvas.IEditorCanvas::LoadImageResource(image.first, image.second.c_str()));
        ASSERT_NE(bitmap, nullptr) << image.second;
        EXPECT_EQ(bitmap->Width(), HeaderInt(file, 16)) << image.second;
        EXPECT_EQ(bitmap->Height(), HeaderInt(file, 20)) << image.second;
    }
    EXPECT_FALSE(FindEmbeddedImage(99, nullptr, nullptr));
    EXPECT_FALSE(FindEmbeddedImage(107, nullptr, nullptr));
}

TEST(EmbeddedImages, OnlyNamesEndingInPngLoad)
{
    TestCanvas canvas;
    auto load = [&](int id, const char* name)
    {
        std::unique_ptr<IBitmap> b(canvas.IEditorCanvas::LoadImageResource(id, name));
        return b != nullptr;
    };
    EXPECT_TRUE(load(105, "faderhandle.png"));
    EXPECT_TRUE(load(105, "FADERHANDLE.PNG"));
    EXPECT_TRUE(load(105, ".Png"));
    EXPECT_FALSE(load(105, "faderhandle.bmp"));
    EXPECT_FALSE(load(105, "faderhandle.png "));
    EXPECT_FALSE(load(105, "png"));
    EXPECT_FALSE(load(105, ""));
    EXPECT_FALSE(load(105, nullptr));
    EXPECT_FALSE(load(108, "missing.png"));
}

TEST(FontCache, StylesDifferingOnlyInColourAlignmentOrQualityShareOneFont)
{
    TestCanvas canvas;
    canvas.blankFonts = true;
    ITextStyle a("Arial", 97, IArgb(255, 1, 2, 3), 0, 1, 0, 0);
    ITextStyle b("Arial", 97, IArgb(128, 9, 9, 9), 0, 2, 0, 3);
    ICachedFont* fa = canvas.CacheFont(&a);
    ASSERT_NE(fa, nullptr);
    EXPECT_EQ(a.cachedFont, fa);
    EXPECT_EQ(canvas.CacheFont(&b), fa);
    EXPECT_EQ(b.cachedFont, fa);
    EXPECT_EQ(canvas.fontCreations, 1);

    // A second canvas (another plug-in instance) finds it too.
    TestCanvas other;
    other.blankFonts = true;
    ITextStyle c("Arial", 97, IArgb(), 0, 0, 0, 0);
    EXPECT_EQ(other.CacheFont(&c), fa);
    EXPECT_EQ(other.fontCreations, 0);
}

TEST(FontCache, SizeOrientationStyleAndTheExactNameEachMakeAnotherFont)
{
    TestCanvas canvas;
    canvas.blankFonts = true;
    ITextStyle base("Arial", 96, IArgb(), 0, 1, 0, 0);
    ICachedFont* f0 = canvas.CacheFont(&base);
    ASSERT_NE(f0, nullptr);
    ITextStyle variants[] = {
        ITextStyle("Arial", 95, IArgb(), 0, 1, 0, 0), ITextStyle("Arial", 96, IArgb(), 0, 1, 90, 0),
        ITextStyle("Arial", 96, IArgb(), 1, 1, 0, 0), ITextStyle("Arial", 96, IArgb(), 2, 1, 0, 0),
        ITextStyle("arial", 96, IArgb(), 0, 1, 0, 0),
    };
    std::vector<ICachedFont*> seen{f0};
    for (ITextStyle& v : variants)
    {
        ICachedFont* f = canvas.CacheFont(&v);
        ASSERT_NE(f, nullptr);
        for (ICachedFont* s : seen)
            EXPECT_NE(f, s);
        seen.push_back(f);
    }
    EXPECT_EQ(canvas.fontCreations, 6);
}

TEST(FontCache, AFontThatCannotBeCreatedIsNotStoredAndTextThenFails)
{
    TestCanvas canvas;
    canvas.PrepareDrawing();
    canvas.failFonts = true;
    ITextStyle style("Arial", 94, IArgb(), 0, 1, 0, 0);
    const int before = IFontCache::Instance().Count();
    EXPECT_EQ(canvas.CacheFont(&style), nullptr);
    EXPECT_EQ(style.cachedFont, nullptr);
    EXPECT_FALSE(canvas.DrawText(&style, "x", IBox(0, 0, 20, 20)));
    EXPECT_EQ(IFontCache::Instance().Count(), before);
    EXPECT_EQ(canvas.fontCreations, 2);

    // Nothing was stored: the next attempt creates the font.
    canvas.failFonts = false;
    canvas.blankFonts = true;
    EXPECT_NE(canvas.CacheFont(&style), nullptr);
    EXPECT_EQ(canvas.fontCreations, 3);
    EXPECT_EQ(IFontCache::Instance().Count(), before + 1);
}
