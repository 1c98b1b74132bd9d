// The .fxp/.fxb containers against files assembled here byte by byte from
// the published layout (not by our writer), and every way a file can be
// damaged.
#include "PresetFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<uint8_t>;

// Hand assembly: big-endian words, four-character codes, padded texts.
void Word(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v >> 24));
    b.push_back(static_cast<uint8_t>(v >> 16));
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

void Code(Bytes& b, const char (&fourcc)[5])
{
    b.insert(b.end(), fourcc, fourcc + 4);
}

void Padded(Bytes& b, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        b.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

constexpr uint32_t kBkKv = 0x426B4B76;
// IEEE 754 single precision bit patterns, written out by hand.
constexpr uint32_t kQuarter = 0x3E800000; // 0.25f
constexpr uint32_t kHalf = 0x3F000000;    // 0.5f
constexpr uint32_t kOne = 0x3F800000;     // 1.0f

// A program record; size is the byte count after the first eight bytes,
// counted here by hand: 4 kind + 16 header words + 28 name + content.
Bytes ProgramChunkFile(const std::string& name, const Bytes& chunk)
{
    Bytes b;
    Code(b, "CcnK");
    Word(b, static_cast<uint32_t>(4 + 16 + 28 + 4 + chunk.size()));
    Code(b, "FPCh");
    Word(b, 1);     // format version
    Word(b, kBkKv); // unique ID
    Word(b, 10205); // plug-in version
    Word(b, 11);    // parameters
    Padded(b, name, 28);
    Word(b, static_cast<uint32_t>(chunk.size()));
    b.insert(b.end(), chunk.begin(), chunk.end());
    return b;
}

Bytes ParamsFile(const std::string& name, const std::vector<uint32_t>& floatBits)
{
    Bytes b;
    Code(b, "CcnK");
    Word(b, static_cast<uint32_t>(4 + 16 + 28 + 4 * floatBits.size()));
    Code(b, "FxCk");
    Word(b, 1);
    Word(b, kBkKv);
    Word(b, 10205);
    Word(b, static_cast<uint32_t>(floatBits.size()));
    Padded(b, name, 28);
    for (uint32_t bits : floatBits)
        Word(b, bits);
    return b;
}

Bytes BankChunkFile(uint32_t version, uint32_t current, const Bytes& chunk)
{
    Bytes b;
    Code(b, "CcnK");
    Word(b, static_cast<uint32_t>(4 + 16 + 128 + 4 + chunk.size()));
    Code(b, "FBCh");
    Word(b, version);
    Word(b, kBkKv);
    Word(b, 10205);
    Word(b, 1); // programs
    Bytes reserved(128, 0);
    if (version == 2)
    {
        Bytes word;
        Word(word, current);
        std::copy(word.begin(), word.end(), reserved.begin());
    }
    b.insert(b.end(), reserved.begin(), reserved.end());
    Word(b, static_cast<uint32_t>(chunk.size()));
    b.insert(b.end(), chunk.begin(), chunk.end());
    return b;
}

Bytes ProgramsBankFile(const std::vector<Bytes>& records)
{
    size_t recordBytes = 0;
    for (const Bytes& r : records)
        recordBytes += r.size();
    Bytes b;
    Code(b, "CcnK");
    Word(b, static_cast<uint32_t>(4 + 16 + 128 + recordBytes));
    Code(b, "FxBk");
    Word(b, 1);
    Word(b, kBkKv);
    Word(b, 10205);
    Word(b, static_cast<uint32_t>(records.size()));
    Padded(b, "", 128);
    for (const Bytes& r : records)
        b.insert(b.end(), r.begin(), r.end());
    return b;
}

// Overwrites the big-endian word at position at.
void PatchWord(Bytes& b, size_t at, uint32_t v)
{
    Bytes word;
    Word(word, v);
    std::copy(word.begin(), word.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

std::vector<Bytes> OneFileOfEachKind()
{
    return {ProgramChunkFile("Chunky", {9, 8, 7}), ParamsFile("Listed", {kHalf, kOne}),
            BankChunkFile(2, 0, {1, 2, 3, 4}),
            ProgramsBankFile({ParamsFile("A", {kQuarter}), ParamsFile("B", {kOne})})};
}

} // namespace

TEST(PresetFile, ProgramChunkFileFromTheLayoutIsReadFieldByField)
{
    const Bytes file = ProgramChunkFile("Vocal Leveller", {0x74, 0x66, 0x66, 0x70, 0xAA});
    PresetFile preset;
    std::string error;
    ASSERT_TRUE(preset.Parse(file, error)) << error;
    EXPECT_EQ(preset.kind, PresetFile::Kind::ProgramChunk);
    EXPECT_STREQ(preset.KindName(), "FPCh");
    EXPECT_FALSE(preset.IsBank());
    EXPECT_EQ(preset.UniqueId(), static_cast<int32_t>(kBkKv));
    EXPECT_EQ(PresetFile::FourCC(preset.UniqueId()), "BkKv");
    EXPECT_EQ(preset.PluginVersion(), 10205);
    EXPECT_EQ(preset.program.numParams, 11);
    EXPECT_EQ(preset.program.name, "Vocal Leveller");
    EXPECT_EQ(preset.program.chunk, (Bytes{0x74, 0x66, 0x66, 0x70, 0xAA}));
    // Our writer produces exactly the same bytes.
    EXPECT_EQ(preset.Serialize(), file);
}

TEST(PresetFile, ParameterListFileHoldsBigEndianFloats)
{
    const Bytes file = ParamsFile("Listed", {kQuarter, kHalf, kOne, 0});
    PresetFile preset;
    std::string error;
    ASSERT_TRUE(preset.Parse(file, error)) << error;
    EXPECT_EQ(preset.kind, PresetFile::Kind::ProgramParams);
    EXPECT_EQ(preset.program.numParams, 4);
    EXPECT_EQ(preset.program.params, (std::vector<float>{0.25f, 0.5f, 1.0f, 0.0f}));
    EXPECT_EQ(preset.program.name, "Listed");
    EXPECT_EQ(preset.Serialize(), file);
}

TEST(PresetFile, BankChunkFilesOfVersionOneAndTwoAreRead)
{
    PresetFile preset;
    std::string error;
    const Bytes v1 = BankChunkFile(1, 0, {5, 6, 7});
    ASSERT_TRUE(preset.Parse(v1, error)) << error;
    EXPECT_EQ(preset.kind, PresetFile::Kind::BankChunk);
    EXPECT_TRUE(preset.IsBank());
    EXPECT_EQ(preset.bankFormatVersion, 1);
    EXPECT_EQ(preset.numPrograms, 1);
    EXPECT_EQ(preset.currentProgram, 0);
    EXPECT_EQ(preset.bankChunk, (Bytes{5, 6, 7}));
    EXPECT_EQ(preset.Serialize(), v1);

    // Version 2 keeps the current program in the first reserved word.
    const Bytes v2 = BankChunkFile(2, 3, {5});
    ASSERT_TRUE(preset.Parse(v2, error)) << error;
    EXPECT_EQ(preset.bankFormatVersion, 2);
    EXPECT_EQ(preset.currentProgram, 3);
    EXPECT_EQ(preset.Serialize(), v2);
}

TEST(PresetFile, BankOfProgramRecordsReadsEachRecord)
{
    const Bytes file = ProgramsBankFile(
        {ParamsFile("First", {kQuarter, kHalf}), ProgramChunkFile("Second", {1, 2})});
    PresetFile preset;
    std::string error;
    ASSERT_TRUE(preset.Parse(file, error)) << error;
    EXPECT_EQ(preset.kind, PresetFile::Kind::BankPrograms);
    ASSERT_EQ(preset.programs.size(), 2u);
    EXPECT_FALSE(preset.programs[0].opaque);
    EXPECT_EQ(preset.programs[0].name, "First");
    EXPECT_EQ(preset.programs[0].params, (std::vector<float>{0.25f, 0.5f}));
    EXPECT_TRUE(preset.programs[1].opaque);
    EXPECT_EQ(preset.programs[1].name, "Second");
    EXPECT_EQ(preset.programs[1].chunk, (Bytes{1, 2}));
    EXPECT_EQ(preset.Serialize(), file);
}

TEST(PresetFile, WrittenFilesReadBackAndWriteTheSameBytes)
{
    PresetFile program;
    program.kind = PresetFile::Kind::ProgramChunk;
    program.program.uniqueId = 0x12345678;
    program.program.pluginVersion = 7;
    program.program.numParams = 3;
    program.program.name = "Round Trip";
    program.program.chunk = {0, 255, 1, 254};

    PresetFile params;
    params.kind = PresetFile::Kind::ProgramParams;
    params.program.opaque = false;
    params.program.uniqueId = 42;
    params.program.params = {0.0f, 0.123456f, 1.0f};

    PresetFile bank;
    bank.kind = PresetFile::Kind::BankChunk;
    bank.bankFormatVersion = 2;
    bank.bankUniqueId = 42;
    bank.numPrograms = 4;
    bank.currentProgram = 2;
    bank.bankChunk = Bytes(1000, 0x5A);

    PresetFile records;
    records.kind = PresetFile::Kind::BankPrograms;
    records.bankUniqueId = 42;
    records.programs = {params.program, program.program};

    for (const PresetFile* original : {&program, &params, &bank, &records})
    {
        const Bytes first = original->Serialize();
        PresetFile copy;
        std::string error;
        ASSERT_TRUE(copy.Parse(first, error)) << original->KindName() << ": " << error;
        EXPECT_EQ(copy.kind, original->kind);
        EXPECT_EQ(copy.Serialize(), first) << original->KindName();
    }
}

TEST(PresetFile, NameIsCutToTwentySevenCharactersAndAlwaysTerminated)
{
    PresetFile preset;
    preset.program.name = std::string(40, 'x');
    const Bytes file = preset.Serialize();
    // The name field starts after seven words.
    EXPECT_EQ(file[28 + 26], 'x');
    EXPECT_EQ(file[28 + 27], 0);
    PresetFile copy;
    std::string error;
    ASSERT_TRUE(copy.Parse(file, error)) << error;
    EXPECT_EQ(copy.program.name, std::string(27, 'x'));

    // Another writer's name filling all 28 bytes is read whole.
    Bytes full = ProgramChunkFile(std::string(28, 'n'), {1});
    ASSERT_TRUE(copy.Parse(full, error)) << error;
    EXPECT_EQ(copy.program.name, std::string(28, 'n'));
}

TEST(PresetFile, EveryTruncationOfEveryKindIsRefused)
{
    for (const Bytes& file : OneFileOfEachKind())
    {
        for (size_t length = 0; length < file.size(); ++length)
        {
            PresetFile preset;
            std::string error;
            EXPECT_FALSE(preset.Parse(
                Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)), error))
                << "kind " << std::string(file.begin() + 8, file.begin() + 12) << ", " << length
                << " of " << file.size() << " bytes";
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(PresetFile, DamagedHeadersAndSizesAreRefusedWithAReason)
{
    struct Case
    {
        const char* what;
        Bytes file;
        const char* reasonPart;
    };
    std::vector<Case> cases;
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        b[0] = 'X';
        cases.push_back({"container magic", b, "CcnK"});
    }
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        b[8] = 'Q';
        cases.push_back({"unknown kind", b, "unknown preset kind"});
    }
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        PatchWord(b, 12, 2);
        cases.push_back({"program format version 2", b, "format version"});
    }
    {
        Bytes b = BankChunkFile(1, 0, {1});
        PatchWord(b, 12, 3);
        cases.push_back({"bank format version 3", b, "format version"});
    }
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        PatchWord(b, 4, static_cast<uint32_t>(b.size())); // 8 more than follow
        cases.push_back({"container size past the end", b, "truncated"});
    }
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        PatchWord(b, 56, 3); // the chunk size, one more than is there
        cases.push_back({"chunk size past the end", b, "does not fit"});
    }
    {
        Bytes b = ProgramChunkFile("x", {1, 2});
        PatchWord(b, 56, 0xFFFFFFFF);
        cases.push_back({"negative chunk size", b, "does not fit"});
    }
    {
        Bytes b = ParamsFile("x", {kHalf, kHalf});
        PatchWord(b, 24, 3);
        cases.push_back({"more parameters than values", b, "truncated"});
    }
    {
        Bytes b = ParamsFile("x", {kHalf});
        PatchWord(b, 24, 0x80000000);
        cases.push_back({"negative parameter count", b, "parameter count"});
    }
    {
        Bytes b = ProgramsBankFile({ParamsFile("a", {kHalf})});
        PatchWord(b, 24, 2);
        cases.push_back({"more programs than records", b, "program 2"});
    }
    {
        Bytes b = ProgramsBankFile({ParamsFile("a", {kHalf})});
        b[156 + 8] = 'Z';
        cases.push_back({"a record of no known kind", b, "program 1"});
    }

    for (const Case& c : cases)
    {
        PresetFile preset;
        preset.program.name = "untouched";
        std::string error;
        EXPECT_FALSE(preset.Parse(c.file, error)) << c.what;
        EXPECT_NE(error.find(c.reasonPart), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(preset.program.name, "untouched") << c.what;
    }
}
