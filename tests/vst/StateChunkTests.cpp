// Program and bank chunks exchanged through effGetChunk / effSetChunk.

#include "LoadedPlugin.h"

#include <cstdint>
#include <cstring>
#include <vector>

using StateChunks = LoadedPlugin;

namespace
{
int32_t ReadInt32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t v = 0;
    for (int b = 3; b >= 0; --b)
        v = (v << 8) | bytes[at + static_cast<size_t>(b)];
    return static_cast<int32_t>(v);
}

double ReadDouble(const std::vector<uint8_t>& bytes, size_t at)
{
    uint64_t v = 0;
    for (int b = 7; b >= 0; --b)
        v = (v << 8) | bytes[at + static_cast<size_t>(b)];
    double d;
    std::memcpy(&d, &v, sizeof(d));
    return d;
}

// Plain default values in host parameter order.
const double kDefaults[11] = {0.0, 0.0, 0.0, 1.0, 0.02, 50.0, 0.0, 1.0, 1.0, 20.0, 0.0};
} // namespace

TEST_F(StateChunks, ProgramChunkIsTheHeaderAndElevenLittleEndianDoubles)
{
    plug->SetParameterText(kInputGain, "-12.5");
    plug->SetParameterText(kModelType, "FET");
    const std::vector<uint8_t> chunk = plug->GetChunk(true);
    ASSERT_EQ(chunk.size(), 96u);
    EXPECT_EQ(std::vector<uint8_t>(chunk.begin(), chunk.begin() + 4),
              (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70})); // "tffp"
    EXPECT_EQ(ReadInt32(chunk, 4), 0x00010000);
    EXPECT_EQ(ReadDouble(chunk, 8 + 8 * kInputGain), -12.5);
    EXPECT_EQ(ReadDouble(chunk, 8 + 8 * kModelType), 1.0);
    for (int i : {kThreshold, kRatio, kOutputGain, kOversampling, kAnalogEmulation,
                  kSidechainFilter, kExternalSidechain})
        EXPECT_EQ(ReadDouble(chunk, 8 + 8 * static_cast<size_t>(i)), kDefaults[i]) << i;
}

TEST_F(StateChunks, ProgramChunkRoundTripRestoresEveryValueExactly)
{
    for (int i = 0; i < 11; ++i)
        plug->SetParameter(i, 0.1f * static_cast<float>(i % 7) + 0.05f);
    std::vector<float> saved;
    std::vector<std::string> shown;
    for (int i = 0; i < 11; ++i)
    {
        saved.push_back(plug->GetParameter(i));
        shown.push_back(plug->ParameterDisplay(i));
    }
    const std::vector<uint8_t> chunk = plug->GetChunk(true);
    ASSERT_EQ(chunk.size(), 96u);

    // Into a fresh instance, as a host restores a project.
    auto other = Load();
    other->Start(48000.0, 512);
    EXPECT_TRUE(other->SetChunk(true, chunk));
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_EQ(other->GetParameter(i), saved[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(other->ParameterDisplay(i), shown[static_cast<size_t>(i)]) << i;
    }
    EXPECT_EQ(other->GetChunk(true), chunk);
}

TEST_F(StateChunks, BankChunkHoldsTheNamedPresetWithTheCurrentValues)
{
    plug->SetParameterText(kRatio, "4");
    const std::vector<uint8_t> bank = plug->GetChunk(false);
    ASSERT_EQ(bank.size(), 102u);
    EXPECT_EQ(ReadInt32(bank, 0), 0x70666674);
    EXPECT_EQ(ReadInt32(bank, 4), 0x00010000);
    EXPECT_EQ(ReadInt32(bank, 8), 1); // name length
    EXPECT_EQ(bank[12], '-');
    EXPECT_EQ(bank[13], 1); // initialised
    EXPECT_EQ(ReadDouble(bank, 14 + 8 * kRatio), 4.0);
    EXPECT_EQ(ReadDouble(bank, 14 + 8 * kInputGain), 0.0);

    auto other = Load();
    EXPECT_TRUE(other->SetChunk(false, bank));
    EXPECT_EQ(other->ParameterDisplay(kRatio), "4");
    EXPECT_EQ(other->ProgramName(), "-");
}

TEST_F(StateChunks, ShortOrMissingChunksAreRefused)
{
    EXPECT_EQ(Dispatch(effGetChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effSetChunk, 1, 96, nullptr), 0);
    EXPECT_EQ(Dispatch(effSetChunk, 0, 102, nullptr), 0);

    std::vector<uint8_t> chunk = plug->GetChunk(true);
    ASSERT_EQ(chunk.size(), 96u);
    // The header alone, and a chunk that ends inside the last value.
    EXPECT_FALSE(plug->SetChunk(true, std::vector<uint8_t>(chunk.begin(), chunk.begin() + 8)));
    EXPECT_FALSE(plug->SetChunk(true, std::vector<uint8_t>(chunk.begin(), chunk.end() - 1)));
    EXPECT_FALSE(plug->SetChunk(true, std::vector<uint8_t>(chunk.begin(), chunk.begin() + 3)));
    // A negative size is not a size.
    EXPECT_EQ(Dispatch(effSetChunk, 1, -1, chunk.data()), 0);
}

TEST_F(StateChunks, AHeaderlessChunkOfElevenDoublesIsProgramData)
{
    std::vector<uint8_t> chunk = plug->GetChunk(true);
    ASSERT_EQ(chunk.size(), 96u);
    std::vector<uint8_t> values(chunk.begin() + 8, chunk.end());
    const double threshold = -30.0;
    std::memcpy(&values[8 * kThreshold], &threshold, sizeof(threshold)); // x86-64: little-endian
    EXPECT_TRUE(plug->SetChunk(true, values));
    EXPECT_EQ(plug->ParameterDisplay(kThreshold), "-30.0");
}
