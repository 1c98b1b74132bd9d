#pragma once

namespace Dsp
{

// Reports a broken invariant of the filter library (condition text, source
// file and line on stderr) and aborts. A violation is a programming error:
// the designs the plug-in makes never reach it.
[[noreturn]] void InvariantFailed(const char* condition, const char* file, int line);

} // namespace Dsp

// The failure text is passed separately so that formatting of the condition
// never changes the reported text.
#define DSP_INVARIANT(condition, text)                                                             \
    do                                                                                             \
    {                                                                                              \
        if (!(condition)) ::Dsp::InvariantFailed(text, __FILE__, __LINE__);                        \
    } while (false)
