// The dirty query, the draw pass and the image and fill primitives, checked
// pixel by pixel against a naive model of what should land where.

#include "CanvasTestSupport.h"
#include "raster/IRaster.h"

#include <gtest/gtest.h>

#include <memory>

using namespace canvas_test;

namespace
{
constexpr std::uint32_t kPaper = 0xff102030u;

// A canvas of 64 x 48, its bitmap prepared and cleared to kPaper, every
// control marked clean.
struct Surface
{
    Surface()
    {
        canvas.PrepareDrawing();
        canvas.Clear(kPaper);
    }
    ProbeControl* Add(const IBox& box, std::uint32_t colour)
    {
        auto* c = new ProbeControl(box, colour);
        canvas.AttachControl(c);
        c->SetClean();
        return c;
    }
    TestCanvas canvas;
};

// Pixel (x, y) of image x + 100 * y, opaque: every source position has its
// own value.
std::uint32_t Coded(int x, int y)
{
    return 0xff000000u | static_cast<std::uint32_t>(x + 100 * y);
}
} // namespace

TEST(DirtyQuery, TheBoxGrowsToTheUnionOfTheDirtyControls)
{
    Surface s;
    ProbeControl* a = s.Add(IBox(5, 6, 10, 12), 0);
    s.Add(IBox(0, 0, 64, 48), 0); // clean: not part of the union
    ProbeControl* c = s.Add(IBox(30, 2, 40, 9), 0);
    ProbeControl* empty = s.Add(IBox(), 0);

    IBox box;
    EXPECT_FALSE(s.canvas.IsDirty(&box));
    EXPECT_TRUE(box.IsEmpty());

    a->SetDirty(false);
    c->SetDirty(false);
    empty->SetDirty(false); // dirty, but its empty rectangle adds nothing
    EXPECT_TRUE(s.canvas.IsDirty(&box));
    EXPECT_EQ(box, IBox(5, 2, 40, 12));

    // A box handed in non-empty is grown, not replaced.
    IBox given(50, 40, 60, 45);
    EXPECT_TRUE(s.canvas.IsDirty(&given));
    EXPECT_EQ(given, IBox(5, 2, 60, 45));
}

TEST(DrawPass, ControlsOverlappingTheBoxPaintInListOrderAndEveryControlEndsClean)
{
    Surface s;
    struct Item
    {
        IBox box;
        std::uint32_t colour;
        bool hidden;
    };
    const Item items[] = {
        {IBox(0, 0, 20, 20), 0xffff0000u, false},   // overlaps
        {IBox(10, 10, 30, 30), 0xff00ff00u, false}, // overlaps, paints over the first
        {IBox(40, 5, 50, 15), 0xff0000ffu, false},  // its left edge is the box's right: drawn
        {IBox(0, 30, 8, 40), 0xffffff00u, false},   // its top edge is the box's bottom: drawn
        {IBox(50, 30, 60, 40), 0xff00ffffu, false}, // apart
        {IBox(12, 12, 16, 16), 0xffff00ffu, true},  // hidden
        {IBox(), 0xff808080u, false},               // empty rectangle
    };
    std::vector<ProbeControl*> controls;
    for (const Item& item : items)
    {
        controls.push_back(s.Add(item.box, item.colour));
        if (item.hidden) controls.back()->Hide(true);
        // Hiding asks for one more redraw; start from one dirty flag each.
        controls.back()->SetClean();
        controls.back()->SetClean();
        controls.back()->SetDirty(false);
    }
    const IBox update(5, 5, 40, 30);
    EXPECT_TRUE(s.canvas.Draw(update));

    // Which controls drew, by the overlap rule written out.
    auto drawn = [&](const Item& item)
    {
        const IBox& r = item.box;
        return !item.hidden && !r.IsEmpty() && update.right >= r.left && update.left < r.right &&
               update.bottom >= r.top && update.top < r.bottom;
    };
    for (size_t i = 0; i < controls.size(); ++i)
    {
        EXPECT_EQ(controls[i]->draws, drawn(items[i]) ? 1 : 0) << "control " << i;
        EXPECT_FALSE(controls[i]->IsDirty()) << "control " << i;
    }
    // Each drawn control fills its whole rectangle (fills are not clipped to
    // the update box); the last one drawn over a pixel wins.
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
        {
            std::uint32_t expected = kPaper;
            for (const Item& item : items)
                if (drawn(item) && item.box.Contains(x, y)) expected = item.colour;
            ASSERT_EQ(s.canvas.Pixel(x, y), expected) << x << "," << y;
        }
    ASSERT_EQ(s.canvas.screens.size(), 1u);
    EXPECT_EQ(s.canvas.screens[0], update);
    EXPECT_EQ(s.canvas.DrawRect(), update);
}

TEST(DrawPass, AnEmptyBoxDrawsNothingButStillCleansAndShows)
{
    Surface s;
    ProbeControl* c = s.Add(IBox(0, 0, 64, 48), 0xffffffffu);
    c->SetDirty(false);
    EXPECT_TRUE(s.canvas.Draw(IBox()));
    EXPECT_EQ(c->draws, 0);
    EXPECT_FALSE(c->IsDirty());
    EXPECT_EQ(s.canvas.screens.size(), 1u);
}

TEST(DrawPass, AFailingControlDoesNotKeepTheOthersFromDrawing)
{
    Surface s;
    ProbeControl* failing = s.Add(IBox(0, 0, 10, 10), 0xffff0000u);
    ProbeControl* after = s.Add(IBox(20, 20, 30, 30), 0xff00ff00u);
    failing->drawAnswer = false;
    EXPECT_FALSE(s.canvas.Draw(IBox(0, 0, 64, 48)));
    EXPECT_EQ(after->draws, 1);
    EXPECT_EQ(s.canvas.Pixel(25, 25), 0xff00ff00u);
    EXPECT_FALSE(failing->IsDirty());
    EXPECT_EQ(s.canvas.screens.size(), 1u);
}

TEST(DrawImage, TheImageIsClippedToTheDrawRectangleAndTheSourceShiftedWithIt)
{
    std::unique_ptr<IMemoryBitmap> bitmap(MakeBitmap(30, 20, Coded));
    IImageStrip image{bitmap.get(), 30, 20, 1};
    struct Case
    {
        IBox dest;
        int srcX, srcY;
        IBox drawRect;
    };
    const Case cases[] = {
        {IBox(10, 10, 40, 30), 0, 0, IBox(0, 0, 64, 48)},   // whole
        {IBox(10, 10, 40, 30), 0, 0, IBox(15, 12, 25, 18)}, // inner part
        {IBox(10, 10, 40, 30), 3, 2, IBox(0, 15, 64, 48)},  // clipped on top, shifted source
        {IBox(-5, -3, 25, 17), 0, 0, IBox(0, 0, 64, 48)},   // off the bitmap's corner
        {IBox(50, 40, 80, 60), 0, 0, IBox(0, 0, 64, 48)},   // off the far corner
        {IBox(10, 10, 40, 30), 0, 0, IBox(40, 0, 64, 48)},  // touching: nothing to draw
        {IBox(10, 10, 40, 30), 0, 0, IBox()},               // empty draw rectangle
    };
    for (const Case& c : cases)
    {
        Surface s;
        s.canvas.SetDrawRect(c.drawRect);
        const IBlend copy(1, 1.0f);
        EXPECT_TRUE(s.canvas.DrawImage(image, c.dest, c.srcX, c.srcY, &copy));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
            {
                std::uint32_t expected = kPaper;
                const int sx = c.srcX + x - c.dest.left, sy = c.srcY + y - c.dest.top;
                if (!c.drawRect.IsEmpty() && c.drawRect.Contains(x, y) && c.dest.Contains(x, y) &&
                    sx >= 0 && sx < 30 && sy >= 0 && sy < 20)
                    expected = Coded(sx, sy);
                ASSERT_EQ(s.canvas.Pixel(x, y), expected)
                    << x << "," << y << " dest " << c.dest.left << "," << c.dest.top;
            }
    }
}

TEST(DrawImage, AnImageWithoutBitmapOrABitmaplessCanvasDrawsNothingAndSucceeds)
{
    Surface s;
    s.canvas.SetDrawRect(IBox(0, 0, 64, 48));
    EXPECT_TRUE(s.canvas.DrawImage(IImageStrip{}, IBox(0, 0, 10, 10), 0, 0, nullptr));
    EXPECT_TRUE(s.canvas.DrawImageFrame(IImageStrip{}, IBox(0, 0, 10, 10), 3, nullptr));
    EXPECT_EQ(s.canvas.Pixel(5, 5), kPaper);

    TestCanvas unprepared;
    std::unique_ptr<IMemoryBitmap> bitmap(MakeBitmap(4, 4, Coded));
    unprepared.SetDrawRect(IBox(0, 0, 64, 48));
    EXPECT_TRUE(
        unprepared.DrawImage(IImageStrip{bitmap.get(), 4, 4, 1}, IBox(0, 0, 4, 4), 0, 0, nullptr));
    EXPECT_TRUE(unprepared.FillBox(IArgb(), IBox(0, 0, 4, 4), nullptr));
}

TEST(DrawImageFrame, FramesStartAtTheRoundedShareOfTheImageHeight)
{
    // Row y of the image is coded with y; a one-row destination shows which
    // source row a frame starts at.
    const int heights[] = {10, 11, 64, 97};
    const int frameCounts[] = {1, 2, 3, 7};
    for (int h : heights)
    {
        std::unique_ptr<IMemoryBitmap> bitmap(MakeBitmap(2, h, Coded));
        for (int n : frameCounts)
        {
            IImageStrip strip{bitmap.get(), 2, h, n};
            for (int frame = -1; frame <= n + 1; ++frame)
            {
                Surface s;
                s.canvas.SetDrawRect(IBox(0, 0, 64, 48));
                EXPECT_TRUE(s.canvas.DrawImageFrame(strip, IBox(0, 0, 2, 1), frame, nullptr));
                // round(h (frame - 1) / n), halves up, in integers.
                int row = 0;
                if (n >= 2 && frame >= 2) row = (2 * h * (frame - 1) + n) / (2 * n);
                const std::uint32_t expected = row < h ? Coded(0, row) : kPaper;
                EXPECT_EQ(s.canvas.Pixel(0, 0), expected)
                    << "height " << h << " frames " << n << " frame " << frame;
            }
        }
    }
}

TEST(FillBox, AFillIsNotClippedToTheDrawRectangleOnlyToTheBitmap)
{
    Surface s;
    s.canvas.SetDrawRect(IBox(0, 0, 4, 4));
    const IBlend copy(1, 1.0f);
    EXPECT_TRUE(s.canvas.FillBox(IArgb(255, 1, 2, 3), IBox(50, 40, 70, 60), &copy));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(s.canvas.Pixel(x, y), x >= 50 && y >= 40 ? 0xff010203u : kPaper)
                << x << "," << y;
}

TEST(FillBox, AnOpaqueColourWithoutBlendIsStoredExactly)
{
    Surface s;
    EXPECT_TRUE(s.canvas.FillBox(IArgb(255, 200, 100, 50), IBox(1, 1, 3, 3), nullptr));
    EXPECT_EQ(s.canvas.Pixel(2, 2), 0xffc86432u);
    EXPECT_EQ(s.canvas.Pixel(3, 3), kPaper);
}

TEST(Blend, MethodsMapOntoTheRasterOperations)
{
    using IRaster::kColourDodge;
    using IRaster::kCopy;
    using IRaster::kUseSourceAlpha;
    const int kAdd = IRaster::kAdd;
    const IBlend m0(0), m1(1), m2(2), m3(3), m4(4), mNeg(-1);
    EXPECT_EQ(IEditorCanvas::RasterMode(nullptr), kCopy | kUseSourceAlpha);
    EXPECT_EQ(IEditorCanvas::RasterMode(&m0), kCopy | kUseSourceAlpha);
    EXPECT_EQ(IEditorCanvas::RasterMode(&m1), kCopy);
    EXPECT_EQ(IEditorCanvas::RasterMode(&m2), kAdd | kUseSourceAlpha);
    EXPECT_EQ(IEditorCanvas::RasterMode(&m3), kColourDodge | kUseSourceAlpha);
    EXPECT_EQ(IEditorCanvas::RasterMode(&m4), kCopy | kUseSourceAlpha);
    EXPECT_EQ(IEditorCanvas::RasterMode(&mNeg), kCopy | kUseSourceAlpha);
    const IBlend quarter(2, 0.25f);
    EXPECT_EQ(IEditorCanvas::RasterWeight(nullptr), 1.0f);
    EXPECT_EQ(IEditorCanvas::RasterWeight(&quarter), 0.25f);
}

TEST(Background, ThePanelImageGoesFirstAndIsCopiedOpaqueWhateverItsAlpha)
{
    // Alpha 0 on the left half, 128 on the right: copied as it is.
    auto pixel = [](int x, int y)
    { return (x < 32 ? 0x00000000u : 0x80000000u) | static_cast<std::uint32_t>(x * 3 + y * 5); };
    Surface s;
    s.canvas.imageSource = [&](int id, const char*) -> IBitmap*
    { return id == 7001 ? MakeBitmap(64, 48, pixel) : nullptr; };
    ProbeControl* first = s.Add(IBox(60, 44, 64, 48), 0xff00ff00u);
    s.canvas.AttachBackground(7001, "panel.png");
    ASSERT_EQ(s.canvas.NControls(), 2);
    EXPECT_EQ(s.canvas.GetControl(1), first);
    IControl* background = s.canvas.GetControl(0);
    EXPECT_EQ(background->GetRect(), IBox(0, 0, 64, 48));
    EXPECT_EQ(background->ParamIndex(), -1);
    EXPECT_EQ(background->GetBlend().method, 1);
    EXPECT_EQ(background->GetBlend().weight, 1.0f);

    EXPECT_TRUE(s.canvas.Draw(IBox(0, 0, 64, 48)));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(s.canvas.Pixel(x, y),
                      first->GetRect().Contains(x, y) ? 0xff00ff00u : pixel(x, y))
                << x << "," << y;
}

TEST(HandOver, PlugInPushesReachOnlyControlsThatExist)
{
    TestCanvas canvas;
    ProbeControl* a = new ProbeControl(IBox(0, 0, 4, 4));
    ProbeControl* b = new ProbeControl(IBox(4, 0, 8, 4));
    EXPECT_EQ(canvas.AttachControl(a), 0);
    EXPECT_EQ(canvas.AttachControl(b), 1);
    EXPECT_EQ(canvas.AttachControl(nullptr), -1);
    a->SetValueFromPlugin(0.0);
    b->SetValueFromPlugin(0.0);

    canvas.SetControlFromPlugin(1, 0.7);
    canvas.SetControlFromPlugin(-1, 0.9);
    canvas.SetControlFromPlugin(2, 0.9);
    EXPECT_DOUBLE_EQ(a->GetValue(), 0.0);
    EXPECT_DOUBLE_EQ(b->GetValue(), 0.7);

    canvas.GrayOutControl(0, true);
    canvas.GrayOutControl(5, true);
    canvas.GrayOutControl(-3, true);
    EXPECT_TRUE(a->IsGrayed());
    EXPECT_FALSE(b->IsGrayed());

    a->SetClean();
    b->SetClean();
    b->SetClean();
    canvas.SetAllControlsDirty();
    EXPECT_TRUE(a->IsDirty());
    EXPECT_TRUE(b->IsDirty());
    EXPECT_EQ(canvas.GetControl(2), nullptr);
    EXPECT_EQ(a->GetCanvas(), &canvas);
}
