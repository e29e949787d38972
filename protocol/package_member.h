#pragma once
// The member table of a firmware package: for each member in file order, what
// it is and where its data lie, so the upgrade can read it straight from the
// package file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwell {

struct PackageMember {
    std::int32_t present = 0;      // 1 when the entry describes a member
    std::int32_t type = 0;         // MemberTypeOf(name)
    std::uint32_t dataOffset = 0;  // first data byte in the package file
    std::uint32_t size = 0;        // data bytes

    friend bool operator==(const PackageMember&, const PackageMember&) = default;
};

inline constexpr std::size_t kPackageMemberCount = 11;
using PackageTable = std::array<PackageMember, kPackageMemberCount>;

// Member names by type. Only the first kPackageMemberCount are compared; the
// last two are listed for the device's sake but get kUnknownMemberType.
inline constexpr std::array<std::string_view, 13> kMemberNames = {
    "Install.xml",       "u-boot.bin.img",      "romfs-x.cramfs.img", "user-x.cramfs.img",
    "web-x.cramfs.img",  "custom-x.cramfs.img", "logo-x.cramfs.img",  "/dev/mtd/0",
    "/dev/mtd/1",        "/dev/mtd/2",          "/dev/mtd/3",         "/dev/mtd/4",
    "/dev/mtd/5",
};

inline constexpr std::int32_t kInstallDescriptionType = 0;
inline constexpr std::int32_t kUnknownMemberType = 11;

// Position 0..10 of `name` in kMemberNames (exact, case-sensitive), else 11.
std::int32_t MemberTypeOf(std::string_view name);

} // namespace tarnwell
