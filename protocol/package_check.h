#pragma once
// Acceptance check of a firmware upgrade package: a ustar archive whose first
// member is "Install.xml". Walks the headers without extracting anything and
// fills the member table the upgrade sends from.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/package_member.h"

namespace tarnwell {

// Returns 1 when the package is accepted, 0 when refused. Diagnostics go to
// standard output; the operator only sees the caller's message.
//
// The table is cleared first, then entry i describes the i-th member. On any
// outcome every present entry lies inside the file: dataOffset + size never
// exceeds FileSizeOf(path). A package is refused when it is not a ustar
// archive, it holds no member, its first member is not "Install.xml" (the
// remaining members are still entered), it holds more than kPackageMemberCount members, a size field
// is not plain octal or does not fit 32 bits, or a member's data run past the
// end of the file.
int CheckUpgradePackage(const std::string& path, PackageTable& table);

// The same check on a package already in memory; `name` stands for its path
// in the diagnostics.
int CheckUpgradePackageBytes(const std::uint8_t* data, std::size_t size, const std::string& name, PackageTable& table);

} // namespace tarnwell
