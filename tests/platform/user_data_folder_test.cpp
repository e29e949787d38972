#include "platform/user_data_folder.h"

#include "journal/journal.h"
#include "platform/environment.h"
#include "platform/work_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tarnwell;

TEST(UserDataFolder, JournalAndWorkFilesShareTheUsersDataFolder) {
    test::TempDir home;
    const auto previous = EnvironmentVariable(kWorkFolderBaseVariable);
    SetEnvironmentVariable(kWorkFolderBaseVariable, home.Path().string());

    EXPECT_EQ(std::filesystem::path(UserDataFolder()), home.Path());
    EXPECT_EQ(std::filesystem::path(DefaultJournalPath()), home.Path() / "Tarnwell" / "journal.sqlite3");
    EXPECT_EQ(std::filesystem::path(WorkFolderPath()), home.Path() / "Tarnwell" / "work");
    EXPECT_TRUE(std::filesystem::is_directory(home.Path() / "Tarnwell" / "work"));

    if (previous) SetEnvironmentVariable(kWorkFolderBaseVariable, *previous);
    else RemoveEnvironmentVariable(kWorkFolderBaseVariable);
}
