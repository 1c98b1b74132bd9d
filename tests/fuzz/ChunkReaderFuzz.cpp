// Feeds arbitrary bytes to the host-side chunk reader, as a program chunk and
// as a bank chunk, on a plug-in with BraskoKorvala's parameters and three
// preset slots. Beyond the sanitizers' checks it asserts that every parameter
// stays inside its range and that the chunks written afterwards have the
// fixed sizes, whatever was read.

#include "tests/framework/TestEffect.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{
void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckParametersInRange(const TestEffect& fx)
{
    for (int i = 0; i < fx.NParams(); ++i)
    {
        const IParameter* p = fx.GetParam(i);
        Check(p->Value() >= p->GetMin() && p->Value() <= p->GetMax());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) return 0;
    const int n = static_cast<int>(size);
    TestEffect fx("1-1 2-2 2-1 3-2 4-2", 3);

    IByteChunk program;
    const int programAnswer = fx.ReadChunkFromHost(data, n, false, program);
    Check(programAnswer == 0 || programAnswer == 1);
    Check(program.Size() == n);
    CheckParametersInRange(fx);

    IByteChunk bank;
    const int bankAnswer = fx.ReadChunkFromHost(data, n, true, bank);
    Check(bankAnswer == 0 || bankAnswer == 1);
    CheckParametersInRange(fx);

    void* out = nullptr;
    Check(fx.WriteChunkForHost(false, program, &out) == 8 + 8 * kNumTestParams);
    const int bankSize = fx.WriteChunkForHost(true, bank, &out);
    Check(bankSize > 8);

    // What was just written must read back.
    TestEffect copy("1-1 2-2 2-1 3-2 4-2", 3);
    IByteChunk again;
    Check(copy.ReadChunkFromHost(out, bankSize, true, again) == 1);
    return 0;
}
