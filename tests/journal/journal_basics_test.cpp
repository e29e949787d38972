// The digest of a firmware package, the number form of a MAC address, and the
// texts an operator gives for a journal's place and a time.
#include "journal/journal_error.h"
#include "journal/journal_location.h"
#include "journal/mac_number.h"
#include "journal/rfc3339_time.h"
#include "journal/sha256.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarnwell::test {
namespace {

TEST(Sha256Test, KnownVectors) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first padded block.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256Test, FileDigestMatchesAcrossChunksAndMissingFileHasNone) {
    TempDir folder;
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31);
    WriteFileBytes(folder.File("package.tar"), bytes);
    EXPECT_EQ(Sha256OfFile(folder.File("package.tar")), Sha256Hex(bytes));
    EXPECT_FALSE(Sha256OfFile(folder.File("missing.tar")));
}

TEST(MacNumberTest, OperatorFormsMeetInOneNumberAndOnlyUnicastOnesAreAssignable) {
    EXPECT_EQ(ParseMacNumber("0:1a:2B:3:4:5"), 0x001A2B030405ull);
    EXPECT_EQ(ParseMacNumber("::00:1A:2B:03:04:05:"), 0x001A2B030405ull);
    EXPECT_EQ(FormatMacNumber(0x001A2B030405ull), "00:1A:2B:03:04:05");
    EXPECT_EQ(ParseMacNumber("FF:FF:FF:FF:FF:FF"), kLastMacNumber);
    for (const char* bad : {"", "00:11:22:33:44", "zz:11:22:33:44:55", "001:11:22:33:44:55", "SN-0001"})
        EXPECT_FALSE(ParseMacNumber(bad)) << bad;
    EXPECT_TRUE(IsAssignableMac(0x02FFFFFFFFFFull));
    EXPECT_EQ(NextAssignableMac(0), 1u);
    EXPECT_EQ(NextAssignableMac(0x030000000001ull), 0x040000000000ull);
    EXPECT_FALSE(NextAssignableMac(0xFF0000000000ull));
}

TEST(JournalLocationTest, OnlyPostgresUrlsReachAServerAndEveryOtherSchemeIsAMistake) {
    for (const char* url : {"postgresql://db/line", "postgres://db/line", "POSTGRESQL://db/line", "PostGres://db/line"}) {
        const JournalLocation location = ParseJournalLocation(url);
        EXPECT_EQ(location.kind, JournalLocation::Kind::Postgres) << url;
        EXPECT_EQ(location.text.substr(0, 8), "postgres") << url; // libpq knows the scheme in lower case only
    }
    EXPECT_EQ(ParseJournalLocation("postgresql://tarnwell:secret@db/line").place, "postgresql://tarnwell:***@db/line");
    for (const char* typo : {"pgsql://db/line", "postgresql:/db/line", "postgresql:db", "http://db/line",
                             "file:journal.sqlite3", " postgresql://db/line", "postgresql://db/line ",
                             "journal.sqlite3\n", "", "C:journal"}) {
        try {
            ParseJournalLocation(typo);
            ADD_FAILURE() << "taken: \"" << typo << "\"";
        } catch (const JournalError& error) {
            EXPECT_EQ(error.Fault(), JournalFault::BadLocation) << typo;
        }
    }
    // Paths, also Windows drive paths; a relative one is made absolute.
    for (const char* path : {"C:\\Tarnwell\\journal.sqlite3", "C:/Tarnwell/journal.sqlite3", "demo/journal.sqlite3",
                             "/var/lib/journal.sqlite3"}) {
        const JournalLocation location = ParseJournalLocation(path);
        EXPECT_EQ(location.kind, JournalLocation::Kind::Sqlite) << path;
        EXPECT_TRUE(std::filesystem::path(location.text).is_absolute()) << path;
    }
    EXPECT_EQ(ParseJournalLocation("demo/../demo/journal.sqlite3").text,
              (std::filesystem::current_path() / "demo/journal.sqlite3").string());
}

TEST(Rfc3339TimeTest, ValidTimesBecomeJournalStampsInUtcAndOthersAreRefused) {
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-09"), "2026-12-09T00:00:00.000Z");
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-09T08:00:00Z"), "2026-12-09T08:00:00.000Z");
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-09t08:00:00.5z"), "2026-12-09T08:00:00.500Z");
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-09 01:30:00+02:00"), "2026-12-08T23:30:00.000Z");
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-31T23:00:00-01:30"), "2027-01-01T00:30:00.000Z");
    EXPECT_EQ(JournalTimeFromRfc3339("2028-02-29T00:00:00Z"), "2028-02-29T00:00:00.000Z");
    // Finer than the journal's milliseconds: rounded up, so "at or after" still holds.
    EXPECT_EQ(JournalTimeFromRfc3339("2026-12-09T08:00:00.1231Z"), "2026-12-09T08:00:00.124Z");
    for (const char* bad : {"2026-13-45", "2026-02-29", "2026-04-31", "2026-12-09T24:00:00Z", "2026-12-09T08:60:00Z",
                            "2026-12-09T08:00", "2026-12-09T08:00:00", "2026-12-09T08:00:00+2:00",
                            "2026-12-09T08:00:00.Z", "yesterday", "2026-1-9", "2026-12-09T08:00:00Zjunk", ""})
        EXPECT_FALSE(JournalTimeFromRfc3339(bad)) << bad;
}

} // namespace
} // namespace tarnwell::test
