#include "protocol/package_member.h"

namespace tarnwell {

std::int32_t MemberTypeOf(std::string_view name) {
    for (std::size_t type = 0; type < kPackageMemberCount; ++type) {
        if (kMemberNames[type] == name) return static_cast<std::int32_t>(type);
    }
    return kUnknownMemberType;
}

} // namespace tarnwell
