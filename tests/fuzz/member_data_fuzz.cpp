// Any bytes as a package: every member the check enters must read back whole,
// so the upgrade never meets a short member it was told is there.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/member_data.h"
#include "input_as_file.h"
#include "protocol/package_check.h"

using tarnwell::fuzz::InputAsFile;
using tarnwell::fuzz::QuietStdout;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputAsFile file(data, size);
    const std::string path = file.Path();

    tarnwell::PackageTable table{};
    {
        QuietStdout quiet;
        tarnwell::CheckUpgradePackage(path, table);
    }
    for (const auto& member : table) {
        if (!member.present) break;
        tarnwell::MemberBytes bytes;
        if (tarnwell::ReadMemberData(path, member, bytes) != tarnwell::MemberRead::Complete) std::abort();
        if (bytes.size() != member.size) std::abort();
        if (member.size > 0 && std::memcmp(bytes.data(), data + member.dataOffset, member.size) != 0) std::abort();
    }
    // A member past the end of the file is never handed back short.
    tarnwell::MemberBytes bytes;
    tarnwell::PackageMember beyond{1, 2, static_cast<uint32_t>(size), 1};
    if (tarnwell::ReadMemberData(path, beyond, bytes) != tarnwell::MemberRead::Short || !bytes.empty()) std::abort();
    return 0;
}
