#pragma once
// A member's bytes read straight from the package file at the offset the
// package check found. The file may have changed since the check, so the
// read reports exactly what went wrong instead of handing back a short buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/package_member.h"

namespace tarnwell {

enum class MemberRead {
    Complete,   // `data` holds exactly member.size bytes
    CannotOpen, // the package cannot be opened again
    NoMemory,   // no buffer of the member's size
    Short,      // the file ends before the member does
};

// On any outcome but Complete, `data` is left empty.
MemberRead ReadMemberData(const std::string& packagePath, const PackageMember& member, std::vector<uint8_t>& data);

} // namespace tarnwell
