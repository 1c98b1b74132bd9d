// Feeds arbitrary bytes to the .fxp/.fxb reader. Beyond the sanitizers'
// checks: whatever it accepts, our writer writes in a form that reads back
// to the same bytes again (a canonical form), and counts and sizes agree
// with what was read.

#include "tools/host/PresetFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
void Check(bool condition)
{
    if (!condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> bytes(data, data + size);
    PresetFile preset;
    std::string error;
    if (!preset.Parse(bytes, error))
    {
        Check(!error.empty());
        return 0;
    }
    if (preset.kind == PresetFile::Kind::ProgramParams)
        Check(preset.program.params.size() == static_cast<size_t>(preset.program.numParams));
    if (preset.kind == PresetFile::Kind::BankPrograms)
        Check(preset.programs.size() == static_cast<size_t>(preset.numPrograms));

    const std::vector<uint8_t> written = preset.Serialize();
    Check(written.size() <= size); // what was read fits the input; trailing bytes go
    PresetFile again;
    Check(again.Parse(written, error));
    Check(again.Serialize() == written);
    return 0;
}
