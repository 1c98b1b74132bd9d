#pragma once

#include <string>

// A loaded shared library (.so through dlopen, .dll through LoadLibrary). The
// build picks one implementation file; the rest of the host sees only this.
// Move-only; the library is unloaded when the owner goes away.
class SharedLibrary
{
  public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;

    // Loads the library at path (unloading any previous one). On failure
    // answers false and Error() says why.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // Address of an exported symbol, or null.
    void* Symbol(const char* name) const;

    const std::string& Error() const { return error_; }

  private:
    void* handle_ = nullptr;
    std::string error_;
};
