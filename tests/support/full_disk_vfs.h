#pragma once
// SQLite on a disk that fills up: while the object lives, every SQLite file
// opened afterwards is written through a file system that takes `room` more
// bytes and then answers as a full disk does.
#include <cstdint>

namespace tarnwell::test {

class FullDiskVfs {
public:
    explicit FullDiskVfs(int64_t room);
    ~FullDiskVfs();
    FullDiskVfs(const FullDiskVfs&) = delete;
    FullDiskVfs& operator=(const FullDiskVfs&) = delete;
};

} // namespace tarnwell::test
