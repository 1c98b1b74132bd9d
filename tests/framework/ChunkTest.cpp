#include "tests/framework/TestEffect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

// Independent encoders: little-endian by arithmetic, not by memory layout.
void AppendLE(Bytes& b, uint64_t v, int width)
{
    for (int i = 0; i < width; ++i)
        b.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}
void AppendDouble(Bytes& b, double d)
{
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    AppendLE(b, bits, 8);
}
void AppendName(Bytes& b, const char* s)
{
    AppendLE(b, std::strlen(s), 4);
    b.insert(b.end(), s, s + std::strlen(s));
}
Bytes Header(uint32_t version = 0x00010000)
{
    Bytes b = {0x74, 0x66, 0x66, 0x70};
    AppendLE(b, version, 4);
    return b;
}
Bytes Values(const TestEffect& fx)
{
    Bytes b;
    for (int i = 0; i < fx.NParams(); ++i)
        AppendDouble(b, fx.GetParam(i)->Value());
    return b;
}
Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes WriteChunk(TestEffect& fx, bool bank)
{
    IByteChunk own;
    void* data = nullptr;
    const int size = fx.WriteChunkForHost(bank, own, &data);
    if (size <= 0 || !data) return {};
    const uint8_t* p = static_cast<const uint8_t*>(data);
    return Bytes(p, p + size);
}

int ReadChunk(TestEffect& fx, const Bytes& b, bool bank)
{
    IByteChunk own;
    return fx.ReadChunkFromHost(b.empty() ? "" : static_cast<const void*>(b.data()),
                                static_cast<int>(b.size()), bank, own);
}

// Awkward values inside each range, so that a round trip through text or
// single precision would show.
void SetOddValues(TestEffect& fx)
{
    for (int i = 0; i < fx.NParams(); ++i)
    {
        IParameter* p = fx.GetParam(i);
        p->SetValue(p->GetMin() + (p->GetMax() - p->GetMin()) * (0.1 + i / 13.0) / 3.0);
    }
}
} // namespace

TEST(Chunks, ProgramChunkIsHeaderAndOneDoublePerParameter)
{
    TestEffect fx;
    SetOddValues(fx);
    const Bytes chunk = WriteChunk(fx, false);
    ASSERT_EQ(chunk.size(), 96u);
    EXPECT_EQ(chunk, Concat(Header(), Values(fx)));
}

TEST(Chunks, ProgramChunkRoundTripRestoresEveryValueBitForBit)
{
    TestEffect fx;
    SetOddValues(fx);
    std::vector<double> saved;
    for (int i = 0; i < fx.NParams(); ++i)
        saved.push_back(fx.GetParam(i)->Value());
    const Bytes chunk = WriteChunk(fx, false);

    TestEffect other;
    other.mChanged.clear();
    EXPECT_EQ(ReadChunk(other, chunk, false), 1);
    for (int i = 0; i < other.NParams(); ++i)
    {
        const double v = other.GetParam(i)->Value();
        EXPECT_EQ(std::memcmp(&v, &saved[i], 8), 0) << i;
    }
    EXPECT_EQ(other.mChanged.size(), static_cast<size_t>(kNumTestParams));
    // The loaded values also became the current preset.
    EXPECT_EQ(WriteChunk(other, true), Concat(Concat(Header(), {1, 0, 0, 0, '-', 1}), Values(fx)));
}

TEST(Chunks, BankChunkHoldsNameFlagAndStateOfEveryPreset)
{
    TestEffect fx;
    const Bytes defaults = Values(fx);
    Bytes expected = Header();
    AppendName(expected, "-");
    expected.push_back(1);
    expected = Concat(expected, defaults);
    const Bytes bank = WriteChunk(fx, true);
    ASSERT_EQ(bank.size(), 102u);
    EXPECT_EQ(bank, expected);

    // Writing the bank first stores the current values into the current
    // preset.
    fx.GetParam(kRatio)->SetValue(4.0);
    const Bytes after = WriteChunk(fx, true);
    EXPECT_EQ(after, Concat(Concat(Header(), {1, 0, 0, 0, '-', 1}), Values(fx)));
}

TEST(Chunks, BankRoundTripRestoresNamesFlagsAndTheCurrentPreset)
{
    TestEffect fx("1-1 2-2 2-1 3-2 4-2", 3);
    fx.GetParam(kRatio)->SetValue(7.0);
    ASSERT_TRUE(fx.RestorePreset(2)); // uninitialised: filled with the current values
    EXPECT_STREQ(fx.GetPresetName(2), "user preset 1");
    fx.ModifyCurrentPreset("Loud");
    const Bytes bank = WriteChunk(fx, true);
    // "-" initialised, "empty" uninitialised, "Loud" initialised.
    ASSERT_EQ(bank.size(), 8u + (4 + 1 + 1 + 88) + (4 + 5 + 1) + (4 + 4 + 1 + 88));

    TestEffect other("1-1 2-2 2-1 3-2 4-2", 3);
    EXPECT_EQ(ReadChunk(other, bank, true), 1);
    EXPECT_STREQ(other.GetPresetName(0), "-");
    EXPECT_STREQ(other.GetPresetName(1), "empty");
    EXPECT_STREQ(other.GetPresetName(2), "Loud");
    EXPECT_TRUE(other.GetPresetSlot(0)->mInitialized);
    EXPECT_FALSE(other.GetPresetSlot(1)->mInitialized);
    EXPECT_EQ(other.GetPresetSlot(1)->mChunk.Size(), 0);
    // The current preset (0 here) is loaded back into the parameters.
    EXPECT_EQ(other.GetParam(kRatio)->Value(), 1.0);
    ASSERT_TRUE(other.RestorePreset(2));
    EXPECT_EQ(other.GetParam(kRatio)->Value(), 7.0);
    EXPECT_EQ(other.GetCurrentPresetIdx(), 2);
}

TEST(Chunks, ShortAndTruncatedChunksAreRejectedAfterSettingWhatWasRead)
{
    {
        TestEffect fx;
        EXPECT_EQ(ReadChunk(fx, {0x74, 0x66, 0x66, 0x70, 0, 0}, false), 0); // shorter than header
        EXPECT_EQ(ReadChunk(fx, {}, false), 0);
        EXPECT_EQ(ReadChunk(fx, {0x74, 0x66, 0x66}, true), 0);
    }
    {
        TestEffect fx;
        fx.GetParam(kInputGain)->SetValue(10.0);
        fx.mChanged.clear();
        EXPECT_EQ(ReadChunk(fx, Header(), false), 0); // header only
        EXPECT_EQ(fx.GetParam(kInputGain)->Value(), 0.0);
        EXPECT_EQ(fx.mChanged.size(), static_cast<size_t>(kNumTestParams));
    }
    {
        TestEffect fx;
        Bytes chunk = Header();
        const double loaded[4] = {-3.5, 2.0, -20.0, 9.0};
        for (double v : loaded)
            AppendDouble(chunk, v);
        chunk.insert(chunk.end(), {1, 2, 3}); // a fifth double cut short
        fx.GetParam(kRelease)->SetValue(700.0);
        EXPECT_EQ(ReadChunk(fx, chunk, false), 0);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(fx.GetParam(i)->Value(), loaded[i]);
        EXPECT_EQ(fx.GetParam(kAttack)->Value(), 0.02);   // clamp of 0.0
        EXPECT_EQ(fx.GetParam(kRelease)->Value(), 700.0); // never reached
    }
    {
        TestEffect fx;
        fx.GetParam(kRatio)->SetValue(5.0);
        IByteChunk own;
        EXPECT_EQ(fx.ReadChunkFromHost(nullptr, 10, false, own), 0);
        EXPECT_EQ(fx.GetParam(kRatio)->Value(), 5.0);
    }
}

TEST(Chunks, HeaderlessAndOldVersionChunksAreReadAsProgramData)
{
    TestEffect source;
    SetOddValues(source);
    const Bytes values = Values(source);

    TestEffect fx;
    EXPECT_EQ(ReadChunk(fx, values, false), 1);
    EXPECT_EQ(Values(fx), values);

    TestEffect old;
    EXPECT_EQ(ReadChunk(old, Concat(Header(0xFFFF), values), true), 1);
    EXPECT_EQ(Values(old), values);
    EXPECT_STREQ(old.GetPresetName(0), "-");
}

TEST(Chunks, LoadedValuesAreClampedIntoTheirRanges)
{
    TestEffect fx;
    Bytes chunk = Header();
    AppendDouble(chunk, 1e9);                                      // Input Gain
    AppendDouble(chunk, std::numeric_limits<double>::quiet_NaN()); // Model Type
    AppendDouble(chunk, -1e9);                                     // Threshold
    AppendDouble(chunk, -std::numeric_limits<double>::infinity()); // Ratio
    for (int i = 4; i < kNumTestParams; ++i)
        AppendDouble(chunk, fx.GetParam(i)->Value());
    EXPECT_EQ(ReadChunk(fx, chunk, false), 1);
    EXPECT_EQ(fx.GetParam(kInputGain)->Value(), 30.0);
    EXPECT_EQ(fx.GetParam(kModelType)->Value(), 0.0);
    EXPECT_EQ(fx.GetParam(kThreshold)->Value(), -60.0);
    EXPECT_EQ(fx.GetParam(kRatio)->Value(), 1.0);
}

TEST(Chunks, MalformedBankNameLengthsEndTheReadInsideTheChunk)
{
    for (uint32_t len : {0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 200u})
    {
        TestEffect fx;
        Bytes chunk = Header();
        AppendLE(chunk, len, 4);
        chunk.insert(chunk.end(), {'a', 'b', 1});
        chunk = Concat(chunk, Values(fx));
        EXPECT_EQ(ReadChunk(fx, chunk, true), 0) << len;
        EXPECT_STREQ(fx.GetPresetName(0), "") << len;
    }
}

TEST(Chunks, BankReadingHandlesUninitialisedSlotsAndLongNames)
{
    TestEffect fx("1-1", 2);
    const std::string longName(300, 'n');
    Bytes chunk = Header();
    AppendName(chunk, longName.c_str());
    chunk.push_back(1);
    chunk = Concat(chunk, Values(fx));
    AppendName(chunk, "spare");
    chunk.push_back(0); // no state follows
    EXPECT_EQ(ReadChunk(fx, chunk, true), 1);
    EXPECT_EQ(std::string(fx.GetPresetName(0)), longName.substr(0, 255));
    EXPECT_STREQ(fx.GetPresetName(1), "spare");
    EXPECT_FALSE(fx.GetPresetSlot(1)->mInitialized);

    // A missing initialised byte fails the read and leaves the flag alone.
    Bytes cut = Header();
    AppendName(cut, "x");
    EXPECT_EQ(ReadChunk(fx, cut, true), 0);
    EXPECT_TRUE(fx.GetPresetSlot(0)->mInitialized);
}

TEST(Chunks, PresetOperationsNameAndFillSlots)
{
    TestEffect fx("1-1", 3);
    EXPECT_STREQ(fx.GetPresetName(-1), "");
    EXPECT_STREQ(fx.GetPresetName(3), "");
    EXPECT_STREQ(fx.GetPresetName(1), "empty");
    EXPECT_FALSE(fx.RestorePreset(3));
    EXPECT_FALSE(fx.RestorePreset(-1));

    fx.mPresetsChanged = 0;
    ASSERT_TRUE(fx.RestorePreset(1));
    EXPECT_STREQ(fx.GetPresetName(1), "user preset 1");
    EXPECT_EQ(fx.mPresetsChanged, 1);
    ASSERT_TRUE(fx.RestorePreset(2));
    EXPECT_STREQ(fx.GetPresetName(2), "user preset 2");

    TestEffect filled("1-1", 3);
    filled.MakeDefaultPresets(nullptr, 1);
    filled.MakeDefaultPresets("Empty", 5); // only uninitialised slots are filled
    EXPECT_STREQ(filled.GetPresetName(0), "-");
    EXPECT_STREQ(filled.GetPresetName(1), "Empty");
    EXPECT_STREQ(filled.GetPresetName(2), "Empty");

    filled.ModifyCurrentPreset("");
    EXPECT_STREQ(filled.GetPresetName(0), "-");
    filled.ModifyCurrentPreset(std::string(400, 'q').c_str());
    EXPECT_EQ(std::strlen(filled.GetPresetName(0)), 255u);
}

TEST(Chunks, ExhaustedMemoryIsReportedAsFailure)
{
    TestEffect fx;
    const long long ceiling = IHeapBuffer::GetAllocationCeiling();
    IHeapBuffer::SetAllocationCeiling(16);
    IByteChunk own;
    void* data = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(fx.WriteChunkForHost(false, own, &data), 0);
    EXPECT_EQ(fx.WriteChunkForHost(true, own, &data), 0);
    EXPECT_EQ(data, reinterpret_cast<void*>(0x1));
    const Bytes header = Header();
    EXPECT_EQ(fx.ReadChunkFromHost(header.data(), 8, false, own), 0);
    IHeapBuffer::SetAllocationCeiling(ceiling);
    EXPECT_EQ(fx.WriteChunkForHost(false, own, &data), 96);
}

TEST(Chunks, SlotWhoseSnapshotCannotBeReadStaysWritableAsABank)
{
    TestEffect fx("1-1", 2);
    Bytes chunk = Header();
    AppendName(chunk, "-");
    chunk.push_back(1);
    chunk = Concat(chunk, Values(fx));
    AppendName(chunk, "cut");
    chunk.push_back(1); // initialised, but its values are missing
    EXPECT_EQ(ReadChunk(fx, chunk, true), 0);
    EXPECT_FALSE(fx.GetPresetSlot(1)->mInitialized);

    const Bytes bank = WriteChunk(fx, true);
    TestEffect other("1-1", 2);
    EXPECT_EQ(ReadChunk(other, bank, true), 1);
    EXPECT_STREQ(other.GetPresetName(1), "cut");
}
