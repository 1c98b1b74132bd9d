#include "gui/win32/IModuleResources.h"

#include "raster/IPngImage.h"

#include <windows.h>

void* IModuleResources::ThisModule()
{
    HMODULE module = nullptr;
    // Any address inside this module names it; the reference count is left
    // alone because the module cannot go away while its own code runs.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&IModuleResources::ThisModule), &module))
        return nullptr;
    return module;
}

bool IModuleResources::Find(void* module, int id, const char* type, const void** data,
                            std::size_t* size)
{
    *data = nullptr;
    *size = 0;
    if (module == nullptr || id <= 0 || id > 0xffff) return false;
    const HMODULE instance = static_cast<HMODULE>(module);
    HRSRC info = FindResourceA(instance, MAKEINTRESOURCEA(id), type);
    if (info == nullptr) return false;
    const DWORD bytes = SizeofResource(instance, info);
    // Resource memory is part of the mapped module image: nothing to free.
    HGLOBAL loaded = LoadResource(instance, info);
    const void* locked = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (locked == nullptr) return false;
    *data = locked;
    *size = bytes;
    return true;
}

bool IModuleResources::LoadPng(void* module, int id, IPngImage& image)
{
    const void* data = nullptr;
    std::size_t size = 0;
    if (!Find(module, id, "PNG", &data, &size) || size < 8)
    {
        image = IPngImage();
        return false;
    }
    return image.Decode(data, size);
}
