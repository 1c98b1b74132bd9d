#include "SharedLibrary.h"

#include <windows.h>

#include <utility>

SharedLibrary::~SharedLibrary()
{
    Close();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_))
{
}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept
{
    if (this != &other)
    {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

bool SharedLibrary::Open(const std::string& path)
{
    Close();
    // Paths arrive as UTF-8 from the command line; convert for the wide API so
    // that non-ASCII folder names work.
    int wideLength = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    std::wstring wide(wideLength > 0 ? static_cast<size_t>(wideLength) : 0, L'\0');
    if (wideLength > 0) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, &wide[0], wideLength);
    HMODULE module = LoadLibraryW(wide.c_str());
    if (module == nullptr)
    {
        error_ = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return false;
    }
    handle_ = reinterpret_cast<void*>(module);
    error_.clear();
    return true;
}

void SharedLibrary::Close()
{
    if (handle_ != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(handle_));
    handle_ = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const
{
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}
