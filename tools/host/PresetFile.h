#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The VST 2 preset containers every VST 2 host imports and exports: a
// program (.fxp) or a bank of programs (.fxb). Every integer is 32-bit
// big-endian. A program is
//   "CcnK", byte size of the rest, "FxCk" | "FPCh", format version (1),
//   plug-in unique ID, plug-in version, parameter count, name (28 bytes, NUL padded),
//   then for "FxCk" one big-endian float per parameter (normalised 0..1),
//   for "FPCh" the chunk size and the plug-in's program chunk;
// a bank is
//   "CcnK", byte size of the rest, "FxBk" | "FBCh", format version (1 or 2),
//   plug-in unique ID, plug-in version, program count, 128 reserved bytes
//   (version 2 keeps the current program in the first four),
//   then for "FxBk" one complete program record per program,
//   for "FBCh" the chunk size and the plug-in's bank chunk.
//
// This class only turns bytes into fields and back; PresetTransfer carries
// them into and out of a plug-in.
class PresetFile
{
  public:
    enum class Kind
    {
        ProgramParams, // "FxCk"
        ProgramChunk,  // "FPCh"
        BankPrograms,  // "FxBk"
        BankChunk,     // "FBCh"
    };

    // One program: the whole file of a .fxp, or one record of an "FxBk" bank.
    struct Program
    {
        bool opaque = true; // "FPCh" (chunk) rather than "FxCk" (params)
        int32_t formatVersion = 1;
        int32_t uniqueId = 0;
        int32_t pluginVersion = 0;
        int32_t numParams = 0;
        std::string name; // at most 27 characters survive the 28-byte field
        std::vector<float> params;
        std::vector<uint8_t> chunk;
    };

    static constexpr size_t kNameBytes = 28;
    static constexpr size_t kBankReservedBytes = 128;
    // Sizes of the fixed parts, from the first byte of "CcnK" up to the
    // parameters (programs) or the chunk-size field (chunks) and records (banks).
    static constexpr size_t kProgramHeaderBytes = 7 * 4 + kNameBytes;      // 56
    static constexpr size_t kBankHeaderBytes = 7 * 4 + kBankReservedBytes; // 156

    Kind kind = Kind::ProgramChunk;
    // For a program file the fields below are those of `program`; for a
    // bank they are the bank's own.
    Program program;
    int32_t bankFormatVersion = 1;
    int32_t bankUniqueId = 0;
    int32_t bankPluginVersion = 0;
    int32_t numPrograms = 0;
    int32_t currentProgram = 0;     // version 2 banks only; 0 otherwise
    std::vector<Program> programs;  // "FxBk"
    std::vector<uint8_t> bankChunk; // "FBCh"

    bool IsBank() const { return kind == Kind::BankPrograms || kind == Kind::BankChunk; }
    int32_t UniqueId() const { return IsBank() ? bankUniqueId : program.uniqueId; }
    int32_t PluginVersion() const { return IsBank() ? bankPluginVersion : program.pluginVersion; }
    // "FxCk", "FPCh", "FxBk" or "FBCh".
    const char* KindName() const;

    // Reads a whole file's bytes; false with error (and this object left as
    // it was) when the bytes are not a well-formed container: bad magic,
    // unknown kind, a format version other than 1 (banks: 1 or 2), sizes
    // that run past the end of the bytes or are negative, counts that do not
    // fit the file.
    bool Parse(const std::vector<uint8_t>& bytes, std::string& error);
    // The file's bytes with exact size fields; reserved bytes are zero
    // (version 2 banks keep the current program in the first four).
    std::vector<uint8_t> Serialize() const;

    bool Read(const std::string& path, std::string& error);
    bool Write(const std::string& path, std::string& error) const;

    // A four-character code as text, dots for unprintable bytes ("BkKv").
    static std::string FourCC(int32_t id);
};
