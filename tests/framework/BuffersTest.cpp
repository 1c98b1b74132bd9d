#include "framework/IByteChunk.h"
#include "framework/IHeapBuffer.h"
#include "framework/IHostId.h"
#include "framework/IPointerList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
// The growth rule written out plainly, with divisions instead of masks.
long long NaiveAllocation(long long newSize, long long granularity, long long minAlloc)
{
    long long alloc;
    if (granularity < 4096)
    {
        alloc = newSize + std::max(granularity, newSize / 2);
    }
    else
    {
        long long extra = std::max(granularity, newSize / 2);
        extra = (extra / 4096) * 4096;
        extra = std::min(std::max(extra, 4096LL), 4194304LL);
        alloc = ((newSize + extra + 96) / 4096) * 4096 - 96;
    }
    return std::max(alloc, minAlloc);
}
} // namespace

TEST(IHeapBuffer, GrowthFollowsTheAllocationRule)
{
    std::mt19937 rng(11);
    for (int granularity : {1, 16, 100, 4095, 4096, 5000, 65536, 1 << 23})
    {
        for (int minAlloc : {0, 10000})
        {
            IHeapBuffer buffer(granularity, minAlloc);
            int size = 0;
            long long expectedAlloc = 0;
            for (int step = 0; step < 60; ++step)
            {
                size += static_cast<int>(rng() % 20000);
                buffer.Resize(size, false);
                if (size > expectedAlloc)
                    expectedAlloc = NaiveAllocation(size, granularity, minAlloc);
                ASSERT_EQ(buffer.GetSize(), size);
                ASSERT_EQ(buffer.GetAllocatedSize(), expectedAlloc)
                    << "granularity " << granularity << " size " << size;
            }
        }
    }
    EXPECT_EQ(IHeapBuffer::AllocationFor(2000000000, 16), -1); // beyond the int range
}

TEST(IHeapBuffer, ShrinksOnlyWhenAllowedAndWasteful)
{
    IHeapBuffer buffer(100);
    buffer.Resize(10000);
    const int alloc = buffer.GetAllocatedSize();
    ASSERT_EQ(alloc, 15000);
    void* data = buffer.Get();
    EXPECT_EQ(buffer.Resize(10000), data); // same size: nothing happens

    buffer.Resize(100, false);
    EXPECT_EQ(buffer.GetAllocatedSize(), alloc);
    buffer.Resize(5000);
    buffer.Resize(7400); // not below half the allocation
    EXPECT_EQ(buffer.GetAllocatedSize(), alloc);
    buffer.Resize(7000); // below used size and half the allocation: shrinks
    EXPECT_EQ(buffer.GetAllocatedSize(), 7000 + 3500);

    IHeapBuffer coarse(4096);
    coarse.Resize(20000);
    const int coarseAlloc = coarse.GetAllocatedSize();
    coarse.Resize(coarseAlloc - 4 * 4096); // not below allocation - 4 granules
    EXPECT_EQ(coarse.GetAllocatedSize(), coarseAlloc);
}

TEST(IHeapBuffer, KeepsContentAndReadsNullWhenEmpty)
{
    IHeapBuffer buffer(16);
    EXPECT_EQ(buffer.Get(), nullptr);
    buffer.Resize(5);
    std::memcpy(buffer.Get(), "abcde", 5);
    buffer.Resize(100000);
    EXPECT_EQ(std::memcmp(buffer.Get(), "abcde", 5), 0);
    buffer.Resize(0, false);
    EXPECT_EQ(buffer.Get(), nullptr);
    EXPECT_GT(buffer.GetAllocatedSize(), 0);
    buffer.Resize(-3);
    EXPECT_EQ(buffer.GetSize(), 0);
}

TEST(IHeapBuffer, FailedAllocationLeavesSizeAndDataUnchanged)
{
    IHeapBuffer buffer(16);
    buffer.Resize(10);
    std::memcpy(buffer.Get(), "0123456789", 10);
    const long long ceiling = IHeapBuffer::GetAllocationCeiling();
    IHeapBuffer::SetAllocationCeiling(1000);
    void* data = buffer.Resize(5000);
    IHeapBuffer::SetAllocationCeiling(ceiling);
    EXPECT_EQ(buffer.GetSize(), 10);
    ASSERT_EQ(data, buffer.Get());
    EXPECT_EQ(std::memcmp(data, "0123456789", 10), 0);
    buffer.Resize(2000000000); // allocation beyond the int range
    EXPECT_EQ(buffer.GetSize(), 10);
}

TEST(IPointerList, InsertMovesLaterEntriesUpAndDeleteAllGoesLastToFirst)
{
    static std::vector<int> deleted;
    struct Item
    {
        int id;
        ~Item() { deleted.push_back(id); }
    };
    IPointerList<Item> list;
    EXPECT_EQ(list.Get(0), nullptr);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(list.Add(new Item{i}));
    ASSERT_TRUE(list.Insert(1, new Item{1000}));
    ASSERT_TRUE(list.Insert(-4, new Item{2000}));
    ASSERT_TRUE(list.Insert(500, new Item{3000}));
    ASSERT_EQ(list.GetSize(), 103);
    EXPECT_EQ(list.Get(0)->id, 2000);
    EXPECT_EQ(list.Get(1)->id, 0);
    EXPECT_EQ(list.Get(2)->id, 1000);
    EXPECT_EQ(list.Get(3)->id, 1);
    EXPECT_EQ(list.Get(102)->id, 3000);
    EXPECT_EQ(list.Get(103), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    list.DeleteAll();
    ASSERT_EQ(deleted.size(), 103u);
    EXPECT_EQ(deleted.front(), 3000);
    EXPECT_EQ(deleted.back(), 2000);
    EXPECT_EQ(list.GetSize(), 0);
}

TEST(IByteChunk, AppendsAreLittleEndianAndReadsAreBoundsChecked)
{
    IByteChunk chunk;
    EXPECT_EQ(chunk.PutInt32(0x70666674), 4);
    EXPECT_EQ(chunk.PutDouble(1.0), 12);
    EXPECT_EQ(chunk.PutStr("ab"), 18);
    EXPECT_EQ(chunk.PutByte(7), 19);
    const uint8_t expected[19] = {0x74, 0x66, 0x66, 0x70, 0, 0, 0,   0,   0, 0,
                                  0xF0, 0x3F, 2,    0,    0, 0, 'a', 'b', 7};
    ASSERT_EQ(chunk.Size(), 19);
    EXPECT_EQ(std::memcmp(chunk.GetBytes(), expected, 19), 0);

    double d = -1.0;
    int32_t i = 0;
    uint8_t b = 0;
    EXPECT_EQ(chunk.GetInt32(&i, 0), 4);
    EXPECT_EQ(i, 0x70666674);
    EXPECT_EQ(chunk.GetDouble(&d, 4), 12);
    EXPECT_EQ(d, 1.0);
    EXPECT_EQ(chunk.GetDouble(&d, 11), 19); // ends exactly at the end
    EXPECT_EQ(chunk.GetDouble(&d, 12), -1);
    EXPECT_EQ(chunk.GetInt32(&i, 16), -1);
    EXPECT_EQ(chunk.GetInt32(&i, -1), -1);
    EXPECT_EQ(chunk.GetInt32(&i, 0x7FFFFFFE), -1);
    EXPECT_EQ(chunk.GetByte(&b, 18), 19);
    EXPECT_EQ(chunk.GetByte(&b, 19), -1);

    IByteChunk copy;
    copy.PutChunk(chunk);
    EXPECT_EQ(copy.Size(), 19);
    EXPECT_EQ(chunk.PutChunk(chunk), 0);
    copy.Resize(30);
    for (int k = 19; k < 30; ++k)
        EXPECT_EQ(copy.GetBytes()[k], 0);
    copy.Clear();
    EXPECT_EQ(copy.Size(), 0);
    EXPECT_EQ(copy.GetBytes(), nullptr);
}

TEST(HostId, ProductNamesAreClassifiedByTheFirstWordInTableOrder)
{
    EXPECT_EQ(LookUpHostId("Cubase VST"), HostCubase);
    EXPECT_EQ(LookUpHostId("REAPER"), HostReaper);
    EXPECT_EQ(LookUpHostId("Nuendo with cubase inside"), HostCubase);
    EXPECT_EQ(LookUpHostId("Olive Host"), HostLive);
    EXPECT_EQ(LookUpHostId("Digital Performer"), HostDigital);
    EXPECT_EQ(LookUpHostId("Standalone Cubase"), HostStandalone);
    EXPECT_EQ(LookUpHostId("Ableton Live"), HostLive);
    EXPECT_EQ(LookUpHostId("PreSonus VST2 Host"), HostPresonus);
    EXPECT_EQ(LookUpHostId("PreSonus Studio One"), HostUnknown);
    EXPECT_EQ(LookUpHostId(""), HostUnknown);
    EXPECT_EQ(LookUpHostId(nullptr), HostUnknown);
    EXPECT_EQ(LookUpHostId("korvala-host"), HostUnknown);

    const struct
    {
        const char* text;
        HostId id;
    } words[] = {{"reaper", HostReaper},         {"nuendo", HostNuendo},
                 {"cakewalk", HostCakewalk},     {"fruity", HostFruity},
                 {"samplitude", HostSamplitude}, {"melodyne", HostMelodyne},
                 {"vstmanlib", HostVstManLib},   {"aulab", HostAuLab},
                 {"forte", HostForte},           {"chainer", HostChainer},
                 {"audition", HostAudition},     {"orion", HostOrion},
                 {"sawstudio", HostSawStudio},   {"logic", HostLogic},
                 {"audiomulch", HostAudioMulch}};
    for (const auto& w : words)
    {
        std::string upper = std::string("x ") + w.text + " y";
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(LookUpHostId(upper.c_str()), w.id) << upper;
    }

    // Only the first 255 characters are searched; bytes outside A..Z are not
    // folded.
    EXPECT_EQ(LookUpHostId((std::string(250, ' ') + "Reaper").c_str()), HostUnknown);
    EXPECT_EQ(LookUpHostId((std::string(249, ' ') + "Reaper").c_str()), HostReaper);
    EXPECT_EQ(LookUpHostId("R\xC9"
                           "APER"),
              HostUnknown);
}
