#include "PresetFile.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace
{

constexpr int32_t MakeId(char a, char b, char c, char d)
{
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr int32_t kContainerMagic = MakeId('C', 'c', 'n', 'K');
constexpr int32_t kProgramParamsMagic = MakeId('F', 'x', 'C', 'k');
constexpr int32_t kProgramChunkMagic = MakeId('F', 'P', 'C', 'h');
constexpr int32_t kBankProgramsMagic = MakeId('F', 'x', 'B', 'k');
constexpr int32_t kBankChunkMagic = MakeId('F', 'B', 'C', 'h');

// No real plug-in has this many parameters or programs; a count above it is
// a damaged file, refused before anything is sized by it.
constexpr int32_t kMaxCount = 1 << 20;

// Big-endian reads over a byte range, each checked against the end.
class Reader
{
  public:
    Reader(const std::vector<uint8_t>& bytes, size_t begin, size_t end)
        : bytes_(bytes), at_(begin), end_(end)
    {
    }

    bool Int32(int32_t& value)
    {
        if (Left() < 4) return false;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | bytes_[at_ + static_cast<size_t>(i)];
        at_ += 4;
        value = static_cast<int32_t>(v);
        return true;
    }

    bool Float(float& value)
    {
        int32_t bits = 0;
        if (!Int32(bits)) return false;
        std::memcpy(&value, &bits, sizeof value);
        return true;
    }

    bool Bytes(size_t count, std::vector<uint8_t>& out)
    {
        if (Left() < count) return false;
        out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                   bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
        at_ += count;
        return true;
    }

    // A NUL-padded text field of width bytes; the text ends at the first NUL
    // (a field without any NUL is taken whole).
    bool Text(size_t width, std::string& out)
    {
        std::vector<uint8_t> field;
        if (!Bytes(width, field)) return false;
        size_t length = 0;
        while (length < width && field[length] != 0)
            ++length;
        out.assign(field.begin(), field.begin() + static_cast<std::ptrdiff_t>(length));
        return true;
    }

    bool Skip(size_t count)
    {
        if (Left() < count) return false;
        at_ += count;
        return true;
    }

    size_t At() const { return at_; }
    size_t Left() const { return end_ - at_; }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t at_;
    size_t end_;
};

void PutInt32(std::vector<uint8_t>& out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>((v >> shift) & 0xFF));
}

void PutFloat(std::vector<uint8_t>& out, float value)
{
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutInt32(out, bits);
}

// Overwrites the 32-bit big-endian value at position at.
void PatchInt32(std::vector<uint8_t>& out, size_t at, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>((v >> (24 - 8 * i)) & 0xFF);
}

// "CcnK" and the size of the rest, with a placeholder size patched later.
size_t BeginContainer(std::vector<uint8_t>& out)
{
    PutInt32(out, kContainerMagic);
    const size_t sizeAt = out.size();
    PutInt32(out, 0);
    return sizeAt;
}

void EndContainer(std::vector<uint8_t>& out, size_t sizeAt)
{
    PatchInt32(out, sizeAt, static_cast<int32_t>(out.size() - sizeAt - 4));
}

void SerializeProgram(const PresetFile::Program& p, std::vector<uint8_t>& out)
{
    const size_t sizeAt = BeginContainer(out);
    PutInt32(out, p.opaque ? kProgramChunkMagic : kProgramParamsMagic);
    PutInt32(out, p.formatVersion);
    PutInt32(out, p.uniqueId);
    PutInt32(out, p.pluginVersion);
    PutInt32(out, p.opaque ? p.numParams : static_cast<int32_t>(p.params.size()));
    // The name is cut to 27 characters so that the field always ends in NUL.
    for (size_t i = 0; i < PresetFile::kNameBytes; ++i)
        out.push_back(i + 1 < PresetFile::kNameBytes && i < p.name.size()
                          ? static_cast<uint8_t>(p.name[i])
                          : 0);
    if (p.opaque)
    {
        PutInt32(out, static_cast<int32_t>(p.chunk.size()));
        out.insert(out.end(), p.chunk.begin(), p.chunk.end());
    }
    else
    {
        for (float value : p.params)
            PutFloat(out, value);
    }
    EndContainer(out, sizeAt);
}

bool ReadChunkField(Reader& in, std::vector<uint8_t>& chunk, std::string& error)
{
    int32_t size = 0;
    if (!in.Int32(size))
    {
        error = "the file ends before the chunk size";
        return false;
    }
    if (size < 0 || static_cast<size_t>(size) > in.Left())
    {
        error = "the chunk size (" + std::to_string(size) + " bytes) does not fit the " +
                std::to_string(in.Left()) + " bytes left in the file";
        return false;
    }
    in.Bytes(static_cast<size_t>(size), chunk);
    return true;
}

// "CcnK" and the size of the rest: the container must lie within the bytes
// (a shorter file is truncated). The reader is narrowed to the container.
bool OpenContainer(const std::vector<uint8_t>& bytes, size_t begin, size_t end, size_t& inner,
                   std::string& error)
{
    Reader in(bytes, begin, end);
    int32_t magic = 0, size = 0;
    if (!in.Int32(magic) || !in.Int32(size))
    {
        error = "the file is too short for a preset header";
        return false;
    }
    if (magic != kContainerMagic)
    {
        error = "not a VST 2 preset file (it does not begin with \"CcnK\")";
        return false;
    }
    if (size < 0 || static_cast<size_t>(size) > in.Left())
    {
        error = "the file is truncated: its header announces " + std::to_string(size) + " bytes, " +
                std::to_string(in.Left()) + " follow";
        return false;
    }
    inner = in.At() + static_cast<size_t>(size);
    return true;
}

// A program container at begin (within end); on success next is the first
// byte after it.
bool ParseProgram(const std::vector<uint8_t>& bytes, size_t begin, size_t end,
                  PresetFile::Program& p, size_t& next, std::string& error)
{
    size_t inner = 0;
    if (!OpenContainer(bytes, begin, end, inner, error)) return false;
    Reader in(bytes, begin + 8, inner);
    int32_t magic = 0;
    if (!in.Int32(magic))
    {
        error = "the file ends before the preset kind";
        return false;
    }
    if (magic != kProgramChunkMagic && magic != kProgramParamsMagic)
    {
        error = "a program record is neither \"FxCk\" nor \"FPCh\" but \"" +
                PresetFile::FourCC(magic) + "\"";
        return false;
    }
    p.opaque = magic == kProgramChunkMagic;
    if (!in.Int32(p.formatVersion) || !in.Int32(p.uniqueId) || !in.Int32(p.pluginVersion) ||
        !in.Int32(p.numParams) || !in.Text(PresetFile::kNameBytes, p.name))
    {
        error = "the file is truncated inside the program header";
        return false;
    }
    if (p.formatVersion != 1)
    {
        error = "unknown program format version " + std::to_string(p.formatVersion) +
                " (only 1 exists)";
        return false;
    }
    if (p.numParams < 0 || p.numParams > kMaxCount)
    {
        error = "implausible parameter count " + std::to_string(p.numParams);
        return false;
    }
    if (p.opaque)
    {
        if (!ReadChunkField(in, p.chunk, error)) return false;
    }
    else
    {
        if (static_cast<size_t>(p.numParams) * 4 > in.Left())
        {
            error = "the file is truncated: " + std::to_string(p.numParams) +
                    " parameter values announced, room for " + std::to_string(in.Left() / 4);
            return false;
        }
        p.params.resize(static_cast<size_t>(p.numParams));
        for (float& value : p.params)
            in.Float(value);
    }
    next = in.At();
    return true;
}

} // namespace

const char* PresetFile::KindName() const
{
    switch (kind)
    {
    case Kind::ProgramParams:
        return "FxCk";
    case Kind::ProgramChunk:
        return "FPCh";
    case Kind::BankPrograms:
        return "FxBk";
    case Kind::BankChunk:
        return "FBCh";
    }
    return "?";
}

bool PresetFile::Parse(const std::vector<uint8_t>& bytes, std::string& error)
{
    size_t inner = 0;
    if (!OpenContainer(bytes, 0, bytes.size(), inner, error)) return false;
    Reader peek(bytes, 8, inner);
    int32_t magic = 0;
    if (!peek.Int32(magic))
    {
        error = "the file ends before the preset kind";
        return false;
    }

    PresetFile parsed;
    if (magic == kProgramChunkMagic || magic == kProgramParamsMagic)
    {
        size_t next = 0;
        if (!ParseProgram(bytes, 0, bytes.size(), parsed.program, next, error)) return false;
        parsed.kind = parsed.program.opaque ? Kind::ProgramChunk : Kind::ProgramParams;
        *this = std::move(parsed);
        return true;
    }
    if (magic != kBankChunkMagic && magic != kBankProgramsMagic)
    {
        error = "unknown preset kind \"" + FourCC(magic) + "\" (expected FxCk, FPCh, FxBk or FBCh)";
        return false;
    }

    parsed.kind = magic == kBankChunkMagic ? Kind::BankChunk : Kind::BankPrograms;
    Reader in(bytes, 12, inner);
    if (!in.Int32(parsed.bankFormatVersion) || !in.Int32(parsed.bankUniqueId) ||
        !in.Int32(parsed.bankPluginVersion) || !in.Int32(parsed.numPrograms))
    {
        error = "the file is truncated inside the bank header";
        return false;
    }
    if (parsed.bankFormatVersion != 1 && parsed.bankFormatVersion != 2)
    {
        error = "unknown bank format version " + std::to_string(parsed.bankFormatVersion) +
                " (1 and 2 exist)";
        return false;
    }
    if (parsed.numPrograms < 0 || parsed.numPrograms > kMaxCount)
    {
        error = "implausible program count " + std::to_string(parsed.numPrograms);
        return false;
    }
    const size_t reservedAt = in.At();
    if (!in.Skip(kBankReservedBytes))
    {
        error = "the file is truncated inside the bank's reserved bytes";
        return false;
    }
    if (parsed.bankFormatVersion == 2)
    {
        Reader current(bytes, reservedAt, reservedAt + 4);
        current.Int32(parsed.currentProgram);
    }

    if (parsed.kind == Kind::BankChunk)
    {
        if (!ReadChunkField(in, parsed.bankChunk, error)) return false;
    }
    else
    {
        // Each record is a complete program container; a count larger than
        // the records present is a truncated file.
        size_t at = in.At();
        for (int32_t i = 0; i < parsed.numPrograms; ++i)
        {
            Program p;
            size_t next = 0;
            if (!ParseProgram(bytes, at, inner, p, next, error))
            {
                error = "program " + std::to_string(i + 1) + " of the bank: " + error;
                return false;
            }
            parsed.programs.push_back(std::move(p));
            at = next;
        }
    }
    *this = std::move(parsed);
    return true;
}

std::vector<uint8_t> PresetFile::Serialize() const
{
    std::vector<uint8_t> out;
    if (!IsBank())
    {
        Program p = program;
        p.opaque = kind == Kind::ProgramChunk;
        SerializeProgram(p, out);
        return out;
    }
    const size_t sizeAt = BeginContainer(out);
    PutInt32(out, kind == Kind::BankChunk ? kBankChunkMagic : kBankProgramsMagic);
    PutInt32(out, bankFormatVersion);
    PutInt32(out, bankUniqueId);
    PutInt32(out, bankPluginVersion);
    PutInt32(out, kind == Kind::BankChunk ? numPrograms : static_cast<int32_t>(programs.size()));
    const size_t reservedAt = out.size();
    out.resize(out.size() + kBankReservedBytes, 0);
    if (bankFormatVersion == 2) PatchInt32(out, reservedAt, currentProgram);
    if (kind == Kind::BankChunk)
    {
        PutInt32(out, static_cast<int32_t>(bankChunk.size()));
        out.insert(out.end(), bankChunk.begin(), bankChunk.end());
    }
    else
    {
        for (const Program& p : programs)
            SerializeProgram(p, out);
    }
    EndContainer(out, sizeAt);
    return out;
}

bool PresetFile::Read(const std::string& path, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    if (file.bad())
    {
        error = "cannot read " + path;
        return false;
    }
    if (!Parse(bytes, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool PresetFile::Write(const std::string& path, std::string& error) const
{
    const std::vector<uint8_t> bytes = Serialize();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::string PresetFile::FourCC(int32_t id)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        auto c = static_cast<unsigned char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
        text += std::isprint(c) ? static_cast<char>(c) : '.';
    }
    return text;
}
