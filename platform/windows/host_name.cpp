#include "platform/host_name.h"

#include <windows.h>

namespace tarnwell {

std::string HostName() {
    // The computer name needs no socket layer, unlike gethostname.
    char host[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof host;
    if (!::GetComputerNameA(host, &size)) return {};
    return std::string(host, size);
}

} // namespace tarnwell
