#pragma once
// Loading a library at run time and finding its entries (dlopen / LoadLibrary),
// and where this program's own file is.
#include <string>
#include <string_view>

namespace tarnwell {

class SharedLibrary {
public:
    // Loads the library at `path` with every symbol resolved now.
    explicit SharedLibrary(const std::string& path);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool IsLoaded() const { return handle_ != nullptr; }
    // The entry's address, or null when the library lacks it or is not loaded.
    void* Entry(const char* name) const;
    // The loader's words on why the library did not load; empty when it did.
    const std::string& LoadError() const { return loadError_; }

private:
    void* handle_ = nullptr;
    std::string loadError_;
};

// The platform's file name of a library: "lib<stem>.so" or "<stem>.dll".
std::string SharedLibraryFileName(std::string_view stem);

// The full path of this program's executable; empty when it cannot be told.
std::string OwnExecutablePath();

} // namespace tarnwell
