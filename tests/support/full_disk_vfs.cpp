#include "support/full_disk_vfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace tarnwell::test {
namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs full{};
sqlite3_io_methods methods{};
std::atomic<int64_t> room{0};

// The real file follows the shim's own header in the same allocation.
struct ShimFile {
    sqlite3_file base;
};

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<sqlite3_file*>(reinterpret_cast<ShimFile*>(file) + 1); }

template <auto Member> struct Forward;
template <class Result, class... Args, Result (*sqlite3_io_methods::*Member)(sqlite3_file*, Args...)>
struct Forward<Member> {
    static Result Call(sqlite3_file* file, Args... args) {
        sqlite3_file* inner = Real(file);
        return (inner->pMethods->*Member)(inner, args...);
    }
};

int Write(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    if (room.fetch_sub(amount) < amount) return SQLITE_FULL;
    return Forward<&sqlite3_io_methods::xWrite>::Call(file, data, amount, offset);
}

void FillMethods(const sqlite3_io_methods& inner) {
    methods = {};
    methods.iVersion = inner.iVersion;
#define TARNWELL_FORWARD(member) \
    methods.member = inner.member ? &Forward<&sqlite3_io_methods::member>::Call : nullptr
    TARNWELL_FORWARD(xClose);
    TARNWELL_FORWARD(xRead);
    TARNWELL_FORWARD(xTruncate);
    TARNWELL_FORWARD(xSync);
    TARNWELL_FORWARD(xFileSize);
    TARNWELL_FORWARD(xLock);
    TARNWELL_FORWARD(xUnlock);
    TARNWELL_FORWARD(xCheckReservedLock);
    TARNWELL_FORWARD(xFileControl);
    TARNWELL_FORWARD(xSectorSize);
    TARNWELL_FORWARD(xDeviceCharacteristics);
    TARNWELL_FORWARD(xShmMap);
    TARNWELL_FORWARD(xShmLock);
    TARNWELL_FORWARD(xShmBarrier);
    TARNWELL_FORWARD(xShmUnmap);
    TARNWELL_FORWARD(xFetch);
    TARNWELL_FORWARD(xUnfetch);
#undef TARNWELL_FORWARD
    methods.xWrite = Write;
}

int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    std::memset(Real(file), 0, static_cast<size_t>(real->szOsFile));
    const int code = real->xOpen(real, name, Real(file), flags, outFlags);
    const sqlite3_io_methods* inner = Real(file)->pMethods;
    file->pMethods = nullptr;
    if (inner == nullptr) return code;
    // Every SQLite file of the process has the same methods; one table serves them all.
    if (methods.xRead == nullptr) FillMethods(*inner);
    file->pMethods = &methods;
    return code;
}

} // namespace

FullDiskVfs::FullDiskVfs(int64_t bytes) {
    real = sqlite3_vfs_find(nullptr);
    full = *real;
    full.zName = "tarnwell-full-disk";
    full.szOsFile = static_cast<int>(sizeof(ShimFile)) + real->szOsFile;
    full.xOpen = Open;
    full.pNext = nullptr;
    room = bytes;
    sqlite3_vfs_register(&full, 1);
}

FullDiskVfs::~FullDiskVfs() {
    sqlite3_vfs_unregister(&full);
    sqlite3_vfs_register(real, 1);
}

} // namespace tarnwell::test
