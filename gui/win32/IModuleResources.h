#pragma once

#include <cstddef>

class IPngImage;

// Resources stored in a Windows module (the plug-in DLL or a program): the
// panel images live there under resource type "PNG" with ids 100 to 106
// (resources/BraskoKorvala.rc). A module is passed as its instance handle
// (HINSTANCE / HMODULE) in a void*, so that callers need no platform header.
//
// GUI thread; the bytes stay valid while the module is loaded.
class IModuleResources
{
  public:
    // The module that contains this code: the DLL when linked into the
    // plug-in, the .exe when linked into a program.
    static void* ThisModule();

    // The bytes of resource id under type (e.g. "PNG"), any language.
    // False when the module has no such resource or it cannot be loaded.
    static bool Find(void* module, int id, const char* type, const void** data, std::size_t* size);

    // Decodes the "PNG" resource id into image. False (image empty) when the
    // resource is missing, shorter than a PNG signature or not a valid PNG.
    static bool LoadPng(void* module, int id, IPngImage& image);
};
