#include "platform/host_name.h"

#include <unistd.h>

namespace tarnwell {

std::string HostName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return {};
    return host;
}

} // namespace tarnwell
