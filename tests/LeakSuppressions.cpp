// fontconfig parses its configuration once per process and keeps a few
// blocks of it that it no longer points to; LeakSanitizer would report them
// at exit on every run of the text tests. Only fontconfig's own allocations
// are excused.
#if defined(__SANITIZE_ADDRESS__)
#define KORVALA_LSAN_SUPPRESSIONS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVALA_LSAN_SUPPRESSIONS 1
#endif
#endif

#ifdef KORVALA_LSAN_SUPPRESSIONS
// Default visibility: the sanitiser run-time looks the hook up dynamically.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
#endif
