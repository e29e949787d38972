// What the Windows build takes from the system rather than from itself.
#include "platform/version_record.h"
#include "journal/journal.h"
#include "journal/journal_error.h"
#include "platform/shared_library.h"
#include "platform/windows/desktop_window_lookup.h"

#include <gtest/gtest.h>

using namespace tarnwell;

TEST(WindowsVersionRecord, ProgramsCarryTheChineseTranslationAndFileVersion) {
    const std::string program = OwnExecutablePath();
    ASSERT_FALSE(program.empty());
    const VersionRecord record = ReadVersionRecord(program);
    ASSERT_EQ(record.translations.size(), 1u);
    EXPECT_EQ(record.translations[0], std::make_pair(uint16_t{0x0804}, uint16_t{0x04b0}));
    EXPECT_EQ(FileVersionTextOf(program), "2, 0, 0, 10");
    EXPECT_EQ(FileVersionTextOf(program + ".missing"), "None VerSion Supprot");
}

TEST(WindowsJournal, ABuildWithoutDatabasesRefusesEveryJournal) {
    for (const std::string location : {std::string(), std::string("C:\\line\\journal.sqlite3"),
                                       std::string("postgresql://station@db/line")}) {
        try {
            OpenJournal(location);
            ADD_FAILURE() << location << " opened";
        } catch (const JournalError& error) {
            EXPECT_EQ(error.Fault(), JournalFault::NotBuiltIn);
        }
    }
}

TEST(WindowsWindowLookup, FindsNoDialogThatNobodyShows) {
    DesktopWindowLookup lookup;
    EXPECT_FALSE(lookup.FindDialogWindow("Tarnwell test: no such window " + OwnExecutablePath()));
}
