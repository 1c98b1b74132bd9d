#pragma once

// The trace sink. Framework entries report what they do through it (function
// name, source line, printf format and arguments); this build records
// nothing. The calls stay so that a diagnostic build can print them.
// Any thread; takes no lock, allocates nothing.
class ITrace
{
  public:
    static void Write(const char* functionName, int line, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
};
