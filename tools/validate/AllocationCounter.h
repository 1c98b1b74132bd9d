#pragma once

// Counts heap allocations and releases made by one thread while it is armed.
//
// The validator arms the calling thread around each process call, so whatever
// the plug-in's audio path allocates or frees there (through malloc, calloc,
// realloc, the aligned variants, or operator new/delete, which end in malloc)
// is counted, while allocations of other threads at the same time are not.
//
// Two hook implementations exist, chosen when the validator is built:
// - in a plain build the validator executable defines malloc and friends
//   itself and forwards them to the C library's internal entry points; the
//   executable is first in the dynamic linker's search order, so the loaded
//   plug-in's calls reach these definitions too;
// - under a sanitizer (which owns malloc) the sanitizer's allocation hooks
//   are installed instead.
// Where neither exists (Windows) Available() answers false and nothing is
// counted.
namespace validate
{

class AllocationCounter
{
  public:
    // Whether the counts mean anything in this build.
    static bool Available();

    // Starts counting on the calling thread from zero.
    static void Arm();

    // Stops counting on the calling thread and answers the number of
    // allocations and the number of releases (of non-null pointers) seen
    // since Arm.
    static void Disarm(long& allocations, long& releases);
};

} // namespace validate
