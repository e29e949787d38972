#include "support/private_work_folder.h"

#include "platform/work_folder.h"

#include <cstdlib>

namespace tarnwell::test {

PrivateWorkFolder::PrivateWorkFolder() {
    if (const char* value = std::getenv("XDG_DATA_HOME")) previous_ = value;
    ::setenv("XDG_DATA_HOME", home_.Path().c_str(), 1);
}

PrivateWorkFolder::~PrivateWorkFolder() {
    if (previous_)
        ::setenv("XDG_DATA_HOME", previous_->c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

std::string PrivateWorkFolder::File(const std::string& name) const { return WorkFilePath(name); }

} // namespace tarnwell::test
