// Any bytes as a package file: the check must stay inside its buffers and
// leave a table that never points past the end of the file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    return 0;
}
