#include "raster/IMemoryBitmap.h"
#include "raster/IRaster.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace
{

// Bytes the block must hold for a bitmap: row span x height x 4 + 63.
std::size_t Need(int span, int height)
{
    return static_cast<std::size_t>(span) * height * 4 + 63;
}

// A memory bitmap whose allocations fail on request.
class FailingBitmap : public IMemoryBitmap
{
  public:
    using IMemoryBitmap::IMemoryBitmap;
    // Allocations of at least this many bytes fail.
    std::size_t failFrom = static_cast<std::size_t>(-1);
    int calls = 0;

  protected:
    void* AllocateBlock(std::size_t bytes) override
    {
        ++calls;
        return bytes >= failFrom ? nullptr : std::malloc(bytes);
    }
};

} // namespace

TEST(MemoryBitmap, RowSpanIsTheWidthRoundedUpToTheAlignment)
{
    struct Case
    {
        int width, alignment, span;
    } cases[] = {{5, 4, 8}, {8, 4, 8},  {5, 0, 5},    {5, 1, 5},    {5, -3, 5},     {5, 2, 6},
                 {5, 3, 8}, {9, 8, 16}, {17, 16, 32}, {17, 32, 32}, {17, 1000, 32}, {1, 16, 16}};
    for (const Case& c : cases)
    {
        IMemoryBitmap bitmap(c.width, 3, c.alignment);
        EXPECT_EQ(bitmap.RowSpan(), c.span) << c.width << " aligned " << c.alignment;
        EXPECT_EQ(bitmap.Width(), c.width);
        EXPECT_EQ(bitmap.Height(), 3);
        ASSERT_NE(bitmap.Bits(), nullptr);
        // Every byte of the rows and of the slack may be touched.
        std::memset(bitmap.Bits(), 0xab, Need(c.span, 3));
    }
}

TEST(MemoryBitmap, BlockIsFiveQuartersOfTheNeedAndKeptWhileLargeEnough)
{
    IMemoryBitmap bitmap(10, 10, 4);
    const std::size_t first = Need(12, 10) + Need(12, 10) / 4;
    EXPECT_EQ(bitmap.AllocatedBytes(), first);
    std::uint32_t* const bits = bitmap.Bits();

    EXPECT_FALSE(bitmap.Resize(10, 10));
    EXPECT_EQ(bitmap.Bits(), bits);

    // Smaller, then larger but still inside the block: same storage.
    EXPECT_TRUE(bitmap.Resize(3, 7));
    EXPECT_EQ(bitmap.Bits(), bits);
    EXPECT_EQ(bitmap.RowSpan(), 4);
    EXPECT_EQ(bitmap.AllocatedBytes(), first);
    EXPECT_TRUE(bitmap.Resize(12, 12));
    EXPECT_LE(Need(12, 12), first);
    EXPECT_EQ(bitmap.Bits(), bits);
    EXPECT_EQ(bitmap.AllocatedBytes(), first);

    // Beyond it: a new block of 5/4 of the new need.
    EXPECT_TRUE(bitmap.Resize(40, 30));
    EXPECT_EQ(bitmap.AllocatedBytes(), Need(40, 30) + Need(40, 30) / 4);
    std::memset(bitmap.Bits(), 0, Need(40, 30));
}

TEST(MemoryBitmap, ZeroSizeFreesTheBlockAndReadsAsNoPixels)
{
    IMemoryBitmap bitmap(8, 8);
    EXPECT_TRUE(bitmap.Resize(0, 8));
    EXPECT_EQ(bitmap.AllocatedBytes(), 0u);
    EXPECT_EQ(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_FALSE(bitmap.Resize(0, 0));
    EXPECT_FALSE(bitmap.Resize(-4, -4));
    EXPECT_TRUE(bitmap.Resize(2, 2));
    EXPECT_NE(bitmap.Bits(), nullptr);

    IMemoryBitmap never;
    EXPECT_EQ(never.Bits(), nullptr);
    EXPECT_EQ(never.AllocatedBytes(), 0u);
    EXPECT_EQ(never.DeviceContext(), nullptr);
    EXPECT_EQ(never.Extra(), nullptr);
    EXPECT_FALSE(never.IsFlipped());
}

TEST(MemoryBitmap, FailedGrowthFallsBackToTheExactNeed)
{
    FailingBitmap bitmap(2, 2);
    bitmap.failFrom = Need(20, 20) + 1;
    EXPECT_TRUE(bitmap.Resize(20, 20));
    EXPECT_EQ(bitmap.calls, 2);
    EXPECT_EQ(bitmap.AllocatedBytes(), Need(20, 20));
    ASSERT_NE(bitmap.Bits(), nullptr);
    std::memset(bitmap.Bits(), 1, Need(20, 20));
}

TEST(MemoryBitmap, AllocationFailureLeavesAnEmptyBitmapThatDrawsNothing)
{
    FailingBitmap bitmap(4, 4);
    bitmap.failFrom = 1;
    EXPECT_TRUE(bitmap.Resize(100, 100));
    EXPECT_EQ(bitmap.Bits(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
    EXPECT_EQ(bitmap.AllocatedBytes(), 0u);
    IRaster::FillRect(&bitmap, 0, 0, 100, 100, 0xffffffffu, 1.0f, IRaster::kCopy);
    IMemoryBitmap source(3, 3);
    IRaster::Blit(&bitmap, &source, 0, 0, nullptr, 1.0f, IRaster::kCopy);
    bitmap.failFrom = static_cast<std::size_t>(-1);
    EXPECT_TRUE(bitmap.Resize(5, 5));
    EXPECT_NE(bitmap.Bits(), nullptr);
}

TEST(MemoryBitmap, SizesBeyondTheAddressSpaceGiveAnEmptyBitmap)
{
    IMemoryBitmap wide(INT_MAX, 1);
    EXPECT_EQ(wide.Bits(), nullptr);
    EXPECT_EQ(wide.Width(), 0);
    IMemoryBitmap huge(INT_MAX - 64, INT_MAX, 16);
    EXPECT_EQ(huge.Bits(), nullptr);
    EXPECT_EQ(huge.Height(), 0);
}
