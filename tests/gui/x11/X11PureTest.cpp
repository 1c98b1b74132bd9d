// The X11 layer's pieces that need no server: pixel conversion against a
// naive per-pixel formula, key mapping, double-click detection, menu layout.

#include "gui/x11/IClickTracker.h"
#include "gui/x11/IX11Keys.h"
#include "gui/x11/IX11PixelFormat.h"
#include "gui/x11/IX11PopupMenu.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
// Naive twin of ConvertRow: each channel c scaled as round(c * max / 255)
// in double precision, placed at its mask's lowest bit, every depth bit
// outside the masks set, bytes written in the given order.
std::vector<std::uint8_t> NaiveConvert(const IX11PixelFormat& f, const std::vector<std::uint32_t>& src)
{
    std::vector<std::uint8_t> out;
    auto place = [](std::uint32_t c, std::uint32_t mask) {
        int shift = 0;
        while (!((mask >> shift) & 1u)) ++shift;
        const double max = static_cast<double>(mask >> shift);
        return static_cast<std::uint32_t>(std::floor(c * max / 255.0 + 0.5)) << shift;
    };
    const std::uint32_t depthMask = f.depth == 32 ? 0xffffffffu : (1u << f.depth) - 1u;
    for (std::uint32_t p : src)
    {
        std::uint32_t v = place((p >> 16) & 255, f.redMask) | place((p >> 8) & 255, f.greenMask) |
                          place(p & 255, f.blueMask);
        v |= depthMask & ~(f.redMask | f.greenMask | f.blueMask);
        const int bytes = f.bitsPerPixel / 8;
        for (int k = 0; k < bytes; ++k)
            out.push_back(static_cast<std::uint8_t>(v >> (f.msbFirst ? 8 * (bytes - 1 - k) : 8 * k)));
    }
    return out;
}

IX11PixelFormat Format(int depth, int bpp, bool msb, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    IX11PixelFormat f;
    f.depth = depth;
    f.bitsPerPixel = bpp;
    f.msbFirst = msb;
    f.redMask = r;
    f.greenMask = g;
    f.blueMask = b;
    return f;
}
} // namespace

TEST(X11PixelFormat, EveryLayoutMatchesTheNaivePerPixelFormula)
{
    std::mt19937 rng(7);
    std::vector<std::uint32_t> src(257);
    for (std::uint32_t& p : src) p = rng();
    src[0] = 0xff000000u;
    src[1] = 0x00ffffffu;
    const IX11PixelFormat formats[] = {
        Format(24, 32, false, 0xff0000, 0xff00, 0xff), // the usual depth 24
        Format(32, 32, false, 0xff0000, 0xff00, 0xff), // ARGB visual: alpha forced opaque
        Format(24, 32, true, 0xff0000, 0xff00, 0xff),  // big-endian server
        Format(24, 32, false, 0xff, 0xff00, 0xff0000), // BGR masks
        Format(16, 16, false, 0xf800, 0x07e0, 0x001f), // 565
        Format(16, 16, true, 0xf800, 0x07e0, 0x001f),
        Format(15, 16, false, 0x7c00, 0x03e0, 0x001f), // 555
        Format(24, 24, false, 0xff0000, 0xff00, 0xff), // packed three bytes
        Format(30, 32, false, 0x3ff00000, 0xffc00, 0x3ff), // ten bits per channel
    };
    for (const IX11PixelFormat& f : formats)
    {
        ASSERT_TRUE(f.IsSupported());
        std::vector<std::uint8_t> fast(src.size() * 4 + 8, 0);
        f.ConvertRow(src.data(), static_cast<int>(src.size()), fast.data());
        const std::vector<std::uint8_t> naive = NaiveConvert(f, src);
        if (f.IsMemoryLayout())
        {
            // Copied as it is: the server ignores the top byte of depth 24.
            for (std::size_t i = 0; i < src.size(); ++i)
                for (int k = 0; k < 3; ++k) ASSERT_EQ(fast[i * 4 + k], naive[i * 4 + k]);
            continue;
        }
        fast.resize(naive.size());
        EXPECT_EQ(fast, naive) << "depth " << f.depth << " bpp " << f.bitsPerPixel;
    }
}

TEST(X11PixelFormat, RowsArePaddedToTheScanlineUnit)
{
    IX11PixelFormat f = Format(16, 16, false, 0xf800, 0x07e0, 0x001f);
    f.scanlinePad = 32;
    EXPECT_EQ(f.BytesPerRow(3), 8);
    EXPECT_EQ(f.BytesPerRow(4), 8);
    f = Format(24, 24, false, 0xff0000, 0xff00, 0xff);
    EXPECT_EQ(f.BytesPerRow(5), 16);
    EXPECT_FALSE(Format(8, 8, false, 0xe0, 0x1c, 0x03).IsSupported());
    EXPECT_FALSE(Format(24, 32, false, 0xff0f00, 0xf000, 0xff).IsSupported()); // split mask
}

TEST(X11Keys, KeysymsMapToTheCanvasKeyCodes)
{
    EXPECT_EQ(IX11Keys::CanvasKey(XK_space), 0);
    EXPECT_EQ(IX11Keys::CanvasKey(XK_Up), 1);
    EXPECT_EQ(IX11Keys::CanvasKey(XK_Down), 2);
    EXPECT_EQ(IX11Keys::CanvasKey(XK_Left), 3);
    EXPECT_EQ(IX11Keys::CanvasKey(XK_Right), 4);
    for (int d = 0; d < 10; ++d)
    {
        EXPECT_EQ(IX11Keys::CanvasKey(XK_0 + d), 5 + d);
        EXPECT_EQ(IX11Keys::CanvasKey(XK_KP_0 + d), 5 + d);
    }
    for (int l = 0; l < 26; ++l)
    {
        EXPECT_EQ(IX11Keys::CanvasKey(XK_A + l), 15 + l);
        EXPECT_EQ(IX11Keys::CanvasKey(XK_a + l), 15 + l);
    }
    for (std::uint32_t other : {XK_F1, XK_Return, XK_Escape, XK_Shift_L, XK_period, XK_minus})
        EXPECT_EQ(IX11Keys::CanvasKey(other), -1);
}

TEST(X11Keys, EditingKeysAndCharactersReachTheEditBox)
{
    char c = 0;
    EXPECT_EQ(IX11Keys::EntryKey(XK_BackSpace, &c), ITextEntry::kKeyBackspace);
    EXPECT_EQ(IX11Keys::EntryKey(XK_Delete, &c), ITextEntry::kKeyDelete);
    EXPECT_EQ(IX11Keys::EntryKey(XK_Return, &c), ITextEntry::kKeyReturn);
    EXPECT_EQ(IX11Keys::EntryKey(XK_KP_Enter, &c), ITextEntry::kKeyReturn);
    EXPECT_EQ(IX11Keys::EntryKey(XK_Escape, &c), ITextEntry::kKeyEscape);
    EXPECT_EQ(IX11Keys::EntryKey(XK_period, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '.');
    EXPECT_EQ(IX11Keys::EntryKey(XK_KP_7, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '7');
    EXPECT_EQ(IX11Keys::EntryKey(XK_KP_Subtract, &c), ITextEntry::kKeyChar);
    EXPECT_EQ(c, '-');
    EXPECT_EQ(IX11Keys::EntryKey(XK_F5, &c), ITextEntry::kKeyNone);
}

TEST(X11ClickTracker, SecondPressWithin400MsAnd4PxIsADoubleClick)
{
    IClickTracker t;
    EXPECT_FALSE(t.Press(1, 50, 50, 1000));
    EXPECT_TRUE(t.Press(1, 54, 46, 1400));
    // A third quick press starts a new pair.
    EXPECT_FALSE(t.Press(1, 54, 46, 1500));
    EXPECT_TRUE(t.Press(1, 54, 46, 1600));

    IClickTracker slow;
    slow.Press(1, 0, 0, 1000);
    EXPECT_FALSE(slow.Press(1, 0, 0, 1401));
    IClickTracker far;
    far.Press(1, 0, 0, 1000);
    EXPECT_FALSE(far.Press(1, 5, 0, 1100));
    IClickTracker other;
    other.Press(1, 0, 0, 1000);
    EXPECT_FALSE(other.Press(3, 0, 0, 1100));
    // The server's millisecond clock wraps around.
    IClickTracker wrap;
    wrap.Press(1, 0, 0, 0xffffff00u);
    EXPECT_TRUE(wrap.Press(1, 0, 0, 0x00000010u));
}

TEST(X11MenuLayout, ItemsStackWithSeparatorsAndHiddenSubmenus)
{
    IMenu menu;
    menu.prefix = 2;
    menu.AddItem("alpha");
    menu.AddItem("", IMenuItem::kSeparator);
    menu.AddItem("a much longer item text", IMenuItem::kGrayed);
    IMenu sub;
    menu.AddItem("sub");
    menu.items.back().submenu = &sub;
    menu.AddItem("omega", IMenuItem::kDisabled);
    const auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 6; };
    const IMenuLayout l = IMenuLayout::Build(menu, width, 12);

    ASSERT_EQ(l.items.size(), 5u);
    const int itemH = 12 + IMenuLayout::kItemPadding;
    EXPECT_EQ(l.items[0], IBox(1, 1, l.width - 1, 1 + itemH));
    EXPECT_EQ(l.items[1].H(), IMenuLayout::kSeparatorHeight);
    EXPECT_EQ(l.items[2].top, l.items[1].bottom);
    EXPECT_TRUE(l.items[3].IsEmpty());
    EXPECT_EQ(l.items[4].top, l.items[2].bottom);
    EXPECT_EQ(l.height, l.items[4].bottom + 1);
    // Wide enough for the longest numbered label, "03: a much longer item text" (27 characters).
    EXPECT_EQ(l.width, 2 + IMenuLayout::kCheckColumn + 27 * 6 + IMenuLayout::kRightMargin);

    EXPECT_EQ(l.ItemAt(5, 2), 0);
    EXPECT_EQ(l.ItemAt(5, l.items[4].top), 4);
    EXPECT_EQ(l.ItemAt(0, 2), -1); // the border
    EXPECT_TRUE(IMenuLayout::IsChoosable(menu.items[0]));
    EXPECT_FALSE(IMenuLayout::IsChoosable(menu.items[1]));
    EXPECT_FALSE(IMenuLayout::IsChoosable(menu.items[2]));
    EXPECT_FALSE(IMenuLayout::IsChoosable(menu.items[3]));
    EXPECT_FALSE(IMenuLayout::IsChoosable(menu.items[4]));
}
