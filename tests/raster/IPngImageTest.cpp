#include "raster/IPngImage.h"
#include "PngStream.h"
#include "raster/IMemoryBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<Bytes>;

std::uint32_t Argb(int a, int r, int g, int b)
{
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(r) << 16 |
           static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

// A 3 x 2 RGBA image with six different pixels, some translucent.
const std::uint32_t kSix[2][3] = {
    {Argb(255, 10, 20, 30), Argb(0, 40, 50, 60), Argb(128, 70, 80, 90)},
    {Argb(1, 255, 0, 0), Argb(254, 0, 255, 0), Argb(77, 0, 0, 255)}};

Bytes SixPixelRgba()
{
    Rows rows;
    for (const auto& line : kSix)
    {
        Bytes row;
        for (std::uint32_t p : line)
            row.insert(row.end(),
                       {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                        static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
        rows.push_back(row);
    }
    return PngStream(3, 2, 8, 6).Rows(rows).End();
}

IPngImage Decoded(const Bytes& png)
{
    IPngImage image;
    EXPECT_TRUE(image.Decode(png.data(), png.size()));
    return image;
}

} // namespace

TEST(PngDecoding, RgbaPixelsBecomeArgbValuesStoredBlueGreenRedAlpha)
{
    const IPngImage image = Decoded(SixPixelRgba());
    ASSERT_EQ(image.Width(), 3);
    ASSERT_EQ(image.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.Pixel(x, y), kSix[y][x]) << x << "," << y;

    // The editor's blits read the bytes: blue, green, red, alpha.
    unsigned char first[4];
    std::memcpy(first, image.Pixels(), 4);
    const std::uint32_t probe = 1;
    unsigned char little = 0;
    std::memcpy(&little, &probe, 1);
    if (little == 1)
    {
        EXPECT_EQ(first[0], 30);
        EXPECT_EQ(first[1], 20);
        EXPECT_EQ(first[2], 10);
        EXPECT_EQ(first[3], 255);
    }
}

TEST(PngDecoding, RowsArePaddedToFourPixelsWithZeros)
{
    Rows rows(2, Bytes(5 * 3, 200));
    const IPngImage image = Decoded(PngStream(5, 2, 8, 2).Rows(rows).End());
    ASSERT_EQ(image.RowSpan(), 8);
    EXPECT_EQ(image.Pixel(4, 1), Argb(255, 200, 200, 200));
    for (int x = 5; x < 8; ++x)
        EXPECT_EQ(image.Pixels()[8 + x], 0u);
    EXPECT_EQ(IPngImage::RowSpanFor(1), 4);
    EXPECT_EQ(IPngImage::RowSpanFor(8), 8);
}

TEST(PngDecoding, ColourTypesWithoutAlphaAreOpaque)
{
    // RGB 8-bit.
    const IPngImage rgb = Decoded(PngStream(2, 1, 8, 2).Rows({{1, 2, 3, 250, 251, 252}}).End());
    EXPECT_EQ(rgb.Pixel(0, 0), Argb(255, 1, 2, 3));
    EXPECT_EQ(rgb.Pixel(1, 0), Argb(255, 250, 251, 252));

    // Grey 8-bit: the grey goes to all three colours.
    const IPngImage grey = Decoded(PngStream(3, 1, 8, 0).Rows({{0, 99, 255}}).End());
    EXPECT_EQ(grey.Pixel(0, 0), Argb(255, 0, 0, 0));
    EXPECT_EQ(grey.Pixel(1, 0), Argb(255, 99, 99, 99));
    EXPECT_EQ(grey.Pixel(2, 0), Argb(255, 255, 255, 255));

    // Grey 1-bit, packed eight to a byte, most significant bit first:
    // 10110 -> white, black, white, white, black.
    const IPngImage bits = Decoded(PngStream(5, 1, 1, 0).Rows({{0xb0}}).End());
    const int white[5] = {1, 0, 1, 1, 0};
    for (int x = 0; x < 5; ++x)
    {
        const int v = white[x] ? 255 : 0;
        EXPECT_EQ(bits.Pixel(x, 0), Argb(255, v, v, v)) << x;
    }

    // Grey 4-bit: 0x3 scales to 0x33.
    const IPngImage nibbles = Decoded(PngStream(2, 1, 4, 0).Rows({{0x3f}}).End());
    EXPECT_EQ(nibbles.Pixel(0, 0), Argb(255, 0x33, 0x33, 0x33));
    EXPECT_EQ(nibbles.Pixel(1, 0), Argb(255, 0xff, 0xff, 0xff));
}

TEST(PngDecoding, GreyAlphaKeepsItsAlpha)
{
    const IPngImage image = Decoded(PngStream(2, 1, 8, 4).Rows({{60, 0, 200, 129}}).End());
    EXPECT_EQ(image.Pixel(0, 0), Argb(0, 60, 60, 60));
    EXPECT_EQ(image.Pixel(1, 0), Argb(129, 200, 200, 200));
}

TEST(PngDecoding, PaletteWithTransparencyChunkGivesThePalettesAlpha)
{
    // 2-bit indices 0, 1, 2, 3 in one byte; tRNS covers entries 0 and 1 only,
    // so entries 2 and 3 are opaque.
    const Bytes png = PngStream(4, 1, 2, 3)
                          .Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7})
                          .Chunk("tRNS", {0, 100})
                          .Rows({{0x1b}})
                          .End();
    const IPngImage image = Decoded(png);
    EXPECT_EQ(image.Pixel(0, 0), Argb(0, 255, 0, 0));
    EXPECT_EQ(image.Pixel(1, 0), Argb(100, 0, 255, 0));
    EXPECT_EQ(image.Pixel(2, 0), Argb(255, 0, 0, 255));
    EXPECT_EQ(image.Pixel(3, 0), Argb(255, 9, 8, 7));
}

TEST(PngDecoding, GreyTransparencyChunkMakesThatGreyTransparent)
{
    const Bytes png = PngStream(3, 1, 8, 0).Chunk("tRNS", {0, 64}).Rows({{64, 65, 63}}).End();
    const IPngImage image = Decoded(png);
    EXPECT_EQ(image.Pixel(0, 0), Argb(0, 64, 64, 64));
    EXPECT_EQ(image.Pixel(1, 0), Argb(255, 65, 65, 65));
    EXPECT_EQ(image.Pixel(2, 0), Argb(255, 63, 63, 63));
}

TEST(PngDecoding, SixteenBitSamplesKeepTheirHighByte)
{
    const Bytes png =
        PngStream(1, 1, 16, 6).Rows({{0xab, 0x12, 0x01, 0xff, 0xfe, 0x80, 0x7f, 0x7f}}).End();
    EXPECT_EQ(Decoded(png).Pixel(0, 0), Argb(0x7f, 0xab, 0x01, 0xfe));
}

TEST(PngDecoding, InterlacedImageMatchesTheSameImageStoredPlainly)
{
    // 9 x 9 so that every Adam7 pass holds pixels. Pixel (x, y) has
    // R = x, G = y, B = x * y, A = 255 - x - 9 * y.
    const int n = 9;
    auto rgba = [](int x, int y)
    {
        return Bytes{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                     static_cast<std::uint8_t>(x * y), static_cast<std::uint8_t>(255 - x - 9 * y)};
    };
    Rows plain;
    for (int y = 0; y < n; ++y)
    {
        Bytes row;
        for (int x = 0; x < n; ++x)
        {
            const Bytes p = rgba(x, y);
            row.insert(row.end(), p.begin(), p.end());
        }
        plain.push_back(row);
    }
    const int x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    const int y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    Rows passes;
    for (int p = 0; p < 7; ++p)
        for (int y = y0[p]; y < n; y += dy[p])
        {
            Bytes row;
            for (int x = x0[p]; x < n; x += dx[p])
            {
                const Bytes px = rgba(x, y);
                row.insert(row.end(), px.begin(), px.end());
            }
            passes.push_back(row);
        }

    const IPngImage a = Decoded(PngStream(n, n, 8, 6).Rows(plain).End());
    const IPngImage b = Decoded(PngStream(n, n, 8, 6, true).Rows(passes).End());
    ASSERT_EQ(b.Width(), n);
    ASSERT_EQ(b.Height(), n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            ASSERT_EQ(b.Pixel(x, y), a.Pixel(x, y)) << x << "," << y;
            ASSERT_EQ(a.Pixel(x, y), Argb(255 - x - 9 * y, x, y, x * y));
        }
}

TEST(PngDecodingFailure, ShortOrForeignDataIsRejected)
{
    IPngImage image;
    EXPECT_FALSE(image.Decode(nullptr, 100));
    const Bytes png = SixPixelRgba();
    EXPECT_FALSE(image.Decode(png.data(), 0));
    EXPECT_FALSE(image.Decode(png.data(), 7));
    // The signature alone has no header after it.
    EXPECT_FALSE(image.Decode(png.data(), 8));
    Bytes gif = png;
    std::memcpy(gif.data(), "GIF89a\0\0", 8);
    EXPECT_FALSE(image.Decode(gif.data(), gif.size()));
    EXPECT_FALSE(IPngImage::HasSignature(gif.data(), gif.size()));
    EXPECT_TRUE(IPngImage::HasSignature(png.data(), png.size()));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Pixels(), nullptr);
}

TEST(PngDecodingFailure, EveryTruncationIsRejected)
{
    // Cutting the stream anywhere before IEND's CRC loses rows or a chunk
    // (libpng does not insist on IEND itself once the rows are complete, so
    // only cuts up to the end of the image data are checked).
    const Bytes png = SixPixelRgba();
    const std::size_t iend = png.size() - 12;
    for (std::size_t size = 8; size < iend; ++size)
    {
        IPngImage image;
        EXPECT_FALSE(image.Decode(png.data(), size)) << size;
        EXPECT_TRUE(image.IsEmpty());
    }
}

TEST(PngDecodingFailure, DamagedContentIsRejected)
{
    const Bytes good = SixPixelRgba();
    IPngImage image;

    Bytes badCrc = good;
    badCrc[8 + 8 + 13] ^= 1; // IHDR's CRC
    EXPECT_FALSE(image.Decode(badCrc.data(), badCrc.size()));

    Bytes badZlib = good;
    const std::size_t idat = 8 + 25 + 8; // first byte of the IDAT data
    badZlib[idat] ^= 0x0f;
    // Recompute the CRC so that only the zlib stream is wrong.
    const uLong crc =
        crc32(0, badZlib.data() + idat - 4, static_cast<uInt>(badZlib.size() - 12 - idat));
    const std::size_t crcAt = badZlib.size() - 12 - 4;
    for (int i = 0; i < 4; ++i)
        badZlib[crcAt + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    EXPECT_FALSE(image.Decode(badZlib.data(), badZlib.size()));

    const Bytes zeroWidth = PngStream(0, 1, 8, 6).Rows({{}}).End();
    EXPECT_FALSE(image.Decode(zeroWidth.data(), zeroWidth.size()));
    const Bytes badDepth = PngStream(1, 1, 3, 6).Rows({{0, 0, 0, 0}}).End();
    EXPECT_FALSE(image.Decode(badDepth.data(), badDepth.size()));
}

TEST(PngDecodingFailure, HugeHeaderIsRejectedBeforeAllocating)
{
    // Header of 40000 x 40000 RGBA (6.4 GB decoded) followed by a single row.
    const Bytes png = PngStream(40000, 40000, 8, 6).Rows({Bytes(16, 0)}).End();
    IPngImage image;
    EXPECT_FALSE(image.Decode(png.data(), png.size()));
    const Bytes tall = PngStream(1, IPngImage::kMaxSide + 1, 8, 6).Rows({Bytes(4, 0)}).End();
    EXPECT_FALSE(image.Decode(tall.data(), tall.size()));
}

TEST(PngDecodingFailure, FailedDecodeEmptiesAnImageThatHeldPixels)
{
    const Bytes good = SixPixelRgba();
    IPngImage image;
    ASSERT_TRUE(image.Decode(good.data(), good.size()));
    EXPECT_FALSE(image.Decode(good.data(), good.size() / 2));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    ASSERT_TRUE(image.Decode(good.data(), good.size()));
    EXPECT_EQ(image.Pixel(2, 1), kSix[1][2]);
}

namespace
{

struct PanelImage
{
    const char* file;
    int width;
    int height;
    int frames;
};

const PanelImage kPanelImages[] = {{"bg2.png", 552, 200, 1},        {"knob.png", 56, 3584, 64},
                                   {"modesel.png", 46, 126, 3},     {"hqswitch.png", 32, 22, 2},
                                   {"analogswitch.png", 61, 22, 2}, {"faderhandle.png", 12, 14, 1},
                                   {"extscswitch.png", 64, 22, 2}};

} // namespace

TEST(PanelImages, AreRgbaNotInterlacedAndHaveThePanelsSizes)
{
    for (const PanelImage& expected : kPanelImages)
    {
        const std::string path =
            std::string(KORVALA_SOURCE_DIR) + "/resources/img/" + expected.file;
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path;
        const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(file.size(), 29u);
        EXPECT_EQ(file[24], 8) << expected.file; // bit depth
        EXPECT_EQ(file[25], 6) << expected.file; // colour type RGBA
        EXPECT_EQ(file[28], 0) << expected.file; // not interlaced
        IPngImage image;
        ASSERT_TRUE(image.Decode(file.data(), file.size())) << expected.file;
        EXPECT_EQ(image.Width(), expected.width) << expected.file;
        EXPECT_EQ(image.Height(), expected.height) << expected.file;
        EXPECT_EQ(image.Height() % expected.frames, 0) << expected.file;
        std::unique_ptr<IMemoryBitmap> bitmap(IPngImage::DecodeBitmap(file.data(), file.size()));
        ASSERT_NE(bitmap, nullptr) << expected.file;
        EXPECT_EQ(bitmap->Width(), expected.width);
        EXPECT_EQ(bitmap->Height(), expected.height);
        EXPECT_EQ(std::memcmp(bitmap->Bits(), image.Pixels(),
                              static_cast<std::size_t>(image.RowSpan()) * image.Height() * 4),
                  0)
            << expected.file;
    }
}

namespace
{

// Streams covering every transform: palette with tRNS, grey of 1, 2 and 4
// bits, grey with alpha, 16-bit RGB and RGBA, grey with tRNS, interlaced.
std::vector<Bytes> TransformStreams()
{
    std::vector<Bytes> streams;
    streams.push_back(PngStream(4, 1, 2, 3)
                          .Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7})
                          .Chunk("tRNS", {0, 100})
                          .Rows({{0x1b}})
                          .End());
    streams.push_back(PngStream(9, 2, 1, 0).Rows({{0xa5, 0x80}, {0x0f, 0x00}}).End());
    streams.push_back(PngStream(5, 1, 2, 0).Rows({{0x1b, 0xc0}}).End());
    streams.push_back(PngStream(3, 1, 4, 0).Rows({{0x5a, 0xf0}}).End());
    streams.push_back(PngStream(2, 1, 8, 4).Rows({{60, 0, 200, 129}}).End());
    streams.push_back(
        PngStream(2, 1, 16, 2).Rows({{1, 2, 3, 4, 5, 6, 0xff, 0, 0x80, 1, 0, 0xff}}).End());
    streams.push_back(PngStream(3, 1, 8, 0).Chunk("tRNS", {0, 64}).Rows({{64, 65, 63}}).End());
    streams.push_back(SixPixelRgba());
    Rows passes;
    // A 2 x 2 interlaced RGB image: pass 1 holds (0,0), pass 6 (1,0), pass 7
    // the second row.
    passes.push_back({10, 20, 30});
    passes.push_back({40, 50, 60});
    passes.push_back({70, 80, 90, 100, 110, 120});
    streams.push_back(PngStream(2, 2, 8, 2, true).Rows(passes).End());
    return streams;
}

} // namespace

TEST(PngDecodingIntoBitmap, GivesTheSamePixelsAsTheImageInAFourAlignedMemoryBitmap)
{
    for (const Bytes& png : TransformStreams())
    {
        IPngImage image;
        ASSERT_TRUE(image.Decode(png.data(), png.size()));
        std::unique_ptr<IMemoryBitmap> bitmap(IPngImage::DecodeBitmap(png.data(), png.size()));
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(bitmap->Width(), image.Width());
        ASSERT_EQ(bitmap->Height(), image.Height());
        EXPECT_EQ(bitmap->RowSpan(), IPngImage::RowSpanFor(image.Width()));
        EXPECT_EQ(bitmap->RowAlignment(), 4);
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < bitmap->RowSpan(); ++x)
                EXPECT_EQ(bitmap->Bits()[y * bitmap->RowSpan() + x],
                          image.Pixels()[y * image.RowSpan() + x])
                    << x << "," << y;
    }
}

TEST(PngDecodingIntoBitmap, KnownPixelsOfPaletteGreyAndInterlacedStreams)
{
    const std::vector<Bytes> streams = TransformStreams();
    auto decode = [](const Bytes& png)
    { return std::unique_ptr<IMemoryBitmap>(IPngImage::DecodeBitmap(png.data(), png.size())); };
    auto palette = decode(streams[0]);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->Bits()[0], Argb(0, 255, 0, 0));
    EXPECT_EQ(palette->Bits()[1], Argb(100, 0, 255, 0));
    EXPECT_EQ(palette->Bits()[3], Argb(255, 9, 8, 7));
    // 2-bit grey 0, 1, 2, 3 scale to 0, 85, 170, 255.
    auto grey2 = decode(streams[2]);
    ASSERT_NE(grey2, nullptr);
    const int levels[5] = {0, 85, 170, 255, 255};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(grey2->Bits()[x], Argb(255, levels[x], levels[x], levels[x]));
    auto deep = decode(streams[5]);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Bits()[0], Argb(255, 1, 3, 5));
    EXPECT_EQ(deep->Bits()[1], Argb(255, 0xff, 0x80, 0));
    auto interlaced = decode(streams.back());
    ASSERT_NE(interlaced, nullptr);
    EXPECT_EQ(interlaced->Bits()[0], Argb(255, 10, 20, 30));
    EXPECT_EQ(interlaced->Bits()[1], Argb(255, 40, 50, 60));
    EXPECT_EQ(interlaced->Bits()[4], Argb(255, 70, 80, 90));
    EXPECT_EQ(interlaced->Bits()[5], Argb(255, 100, 110, 120));
}

TEST(PngDecodingIntoBitmap, TruncatedCorruptOrOversizedStreamsGiveNull)
{
    const Bytes good = SixPixelRgba();
    EXPECT_EQ(IPngImage::DecodeBitmap(nullptr, 10), nullptr);
    for (std::size_t size = 0; size < good.size() - 12; ++size)
        EXPECT_EQ(IPngImage::DecodeBitmap(good.data(), size), nullptr) << size;
    Bytes badCrc = good;
    badCrc[8 + 8 + 13] ^= 0x40;
    EXPECT_EQ(IPngImage::DecodeBitmap(badCrc.data(), badCrc.size()), nullptr);
    const Bytes huge = PngStream(40000, 40000, 8, 6).Rows({Bytes(16, 0)}).End();
    EXPECT_EQ(IPngImage::DecodeBitmap(huge.data(), huge.size()), nullptr);
    // Both sides within the limit, but 32768 x 1024 pixels would be 128 MB.
    const Bytes many = PngStream(IPngImage::kMaxSide, 1024, 8, 6).Rows({Bytes(16, 0)}).End();
    EXPECT_EQ(IPngImage::DecodeBitmap(many.data(), many.size()), nullptr);
    IPngImage image;
    EXPECT_FALSE(image.Decode(many.data(), many.size()));
}
