#include "support/private_work_folder.h"

#include "platform/environment.h"
#include "platform/work_folder.h"

namespace tarnwell::test {

PrivateWorkFolder::PrivateWorkFolder() {
    previous_ = EnvironmentVariable(kWorkFolderBaseVariable);
    SetEnvironmentVariable(kWorkFolderBaseVariable, home_.Path().string());
}

PrivateWorkFolder::~PrivateWorkFolder() {
    if (previous_)
        SetEnvironmentVariable(kWorkFolderBaseVariable, *previous_);
    else
        RemoveEnvironmentVariable(kWorkFolderBaseVariable);
}

std::string PrivateWorkFolder::File(const std::string& name) const { return WorkFilePath(name); }

} // namespace tarnwell::test
