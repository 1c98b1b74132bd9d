// Prints the cost of the raster operations a panel draw pass is made of, on
// a 552 x 200 off-screen bitmap: the background's plain copy, knob frames
// copied with source alpha, meter fills and a line of text. Figures only, no
// assertions.

#include "raster/ICachedFont.h"
#include "raster/IMemoryBitmap.h"
#include "raster/IPngImage.h"
#include "raster/IRaster.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

namespace
{

template <class F> double MicrosecondsPerCall(F f)
{
    using Clock = std::chrono::steady_clock;
    int calls = 0;
    const auto start = Clock::now();
    auto now = start;
    do
    {
        for (int i = 0; i < 16; ++i)
            f();
        calls += 16;
        now = Clock::now();
    } while (now - start < std::chrono::milliseconds(300));
    return std::chrono::duration<double, std::micro>(now - start).count() / calls;
}

// The panel's knob strip when the sources are at hand, else random pixels.
std::unique_ptr<IMemoryBitmap> KnobStrip(std::mt19937& rng)
{
#ifdef KORVALA_SOURCE_DIR
    std::ifstream in(KORVALA_SOURCE_DIR "/resources/img/knob.png", std::ios::binary);
    const std::vector<char> png((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
    if (IMemoryBitmap* decoded = IPngImage::DecodeBitmap(png.data(), png.size()))
        return std::unique_ptr<IMemoryBitmap>(decoded);
#endif
    auto strip = std::make_unique<IMemoryBitmap>(56, 3584);
    for (int i = 0; i < strip->RowSpan() * strip->Height(); ++i)
        strip->Bits()[i] = static_cast<std::uint32_t>(rng());
    return strip;
}

void Randomise(IMemoryBitmap& b, std::mt19937& rng)
{
    for (int i = 0; i < b.RowSpan() * b.Height(); ++i)
        b.Bits()[i] = static_cast<std::uint32_t>(rng());
}

} // namespace

int main()
{
    std::mt19937 rng(1);
    IMemoryBitmap panel(552, 200);
    IMemoryBitmap background(552, 200);
    std::unique_ptr<IMemoryBitmap> strip = KnobStrip(rng);
    IMemoryBitmap& knob = *strip;
    Randomise(panel, rng);
    Randomise(background, rng);
    const IRasterBox frame{0, 56 * 20, 56, 56 * 21};

    std::printf("background copy 552x200:        %8.2f us\n",
                MicrosecondsPerCall(
                    [&]
                    { IRaster::Blit(&panel, &background, 0, 0, nullptr, 1.0f, IRaster::kCopy); }));
    std::printf("knob frame 56x56, source alpha: %8.2f us\n",
                MicrosecondsPerCall(
                    [&]
                    {
                        IRaster::Blit(&panel, &knob, 100, 60, &frame, 1.0f,
                                      IRaster::kCopy | IRaster::kUseSourceAlpha);
                    }));
    std::printf("knob frame at weight 0.7:       %8.2f us\n",
                MicrosecondsPerCall(
                    [&]
                    {
                        IRaster::Blit(&panel, &knob, 100, 60, &frame, 0.7f,
                                      IRaster::kCopy | IRaster::kUseSourceAlpha);
                    }));
    std::printf(
        "meter fill 10x150, opaque:      %8.2f us\n",
        MicrosecondsPerCall(
            [&]
            { IRaster::FillRect(&panel, 20, 20, 10, 150, 0xff30c040u, 1.0f, IRaster::kCopy); }));
    std::printf(
        "meter fill 10x150, alpha 0.6:   %8.2f us\n",
        MicrosecondsPerCall(
            [&]
            { IRaster::FillRect(&panel, 20, 20, 10, 150, 0xff30c040u, 0.6f, IRaster::kCopy); }));
    ICachedFont font;
    if (font.Create("Arial", 12, 400, false, 0, 0))
    {
        font.SetTextColour(0xffaaaaaau);
        const IRasterBox box{100, 120, 160, 134};
        std::printf("text \"-12.5 dB\" centred:        %8.2f us\n",
                    MicrosecondsPerCall(
                        [&] {
                            font.DrawText(&panel, "-12.5 dB", -1, box,
                                          ICachedFont::kDtCenter | ICachedFont::kDtNoClip);
                        }));
    }
    return 0;
}
