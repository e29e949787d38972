// Any bytes as a package file: the check must stay inside its buffers and
// leave a table that never points past the end of the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "input_as_file.h"
#include "protocol/package_check.h"

using tarnwell::fuzz::InputAsFile;
using tarnwell::fuzz::QuietStdout;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputAsFile file(data, size);
    const std::string path = file.Path();

    tarnwell::PackageTable table{};
    int result = 0;
    {
        QuietStdout quiet;
        result = tarnwell::CheckUpgradePackage(path, table);
    }

    bool ended = false;
    for (const auto& entry : table) {
        if (!entry.present) {
            ended = true;
            continue;
        }
        // Entries are filled in file order without gaps.
        if (ended) std::abort();
        if (uint64_t{entry.dataOffset} + entry.size > size) std::abort();
        if (entry.type < 0 || entry.type > tarnwell::kUnknownMemberType) std::abort();
    }
    if (result == 1 && (!table[0].present || table[0].type != tarnwell::kInstallDescriptionType)) std::abort();

    // The same bytes already in memory, in a block of exactly their size: the
    // same verdict and the same table.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
    if (size > 0) std::memcpy(copy.get(), data, size);
    tarnwell::PackageTable inMemory{};
    int memoryResult = 0;
    {
        QuietStdout quiet;
        memoryResult = tarnwell::CheckUpgradePackageBytes(copy.get(), size, path, inMemory);
    }
    if (memoryResult != result || inMemory != table) std::abort();
    return 0;
}
