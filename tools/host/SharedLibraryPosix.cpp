#include "SharedLibrary.h"

#include <dlfcn.h>

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
    // RTLD_LOCAL keeps each plug-in's symbols to itself, as real hosts load
    // them; RTLD_NOW reports unresolved symbols here rather than mid-render.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
    {
        const char* why = dlerror();
        error_ = why != nullptr ? why : "dlopen failed";
        return false;
    }
    error_.clear();
    return true;
}

void SharedLibrary::Close()
{
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = nullptr;
}

void* SharedLibrary::Symbol(const char* name) const
{
    if (handle_ == nullptr) return nullptr;
    return dlsym(handle_, name);
}
