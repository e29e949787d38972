#include "web/http_reply_scan.h"

#include <string_view>

namespace tarnwell {

bool ReplyContainsOk(const char* reply, size_t received) {
    if (reply == nullptr || received < 2) return false;
    return std::string_view(reply, received).find("ok") != std::string_view::npos;
}

} // namespace tarnwell
