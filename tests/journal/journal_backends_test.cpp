// What both back ends must do alike: the MAC rules, the pool, release and
// look-up, several stations at once.
#include "journal_test_support.h"

#include "journal/journal_command.h"
#include "journal/journal_export.h"
#include "journal/journal_schema.h"
#include "journal/mac_number.h"

#include <set>
#include <sstream>

namespace tarnwell::test {
namespace {

using Verdict = MacReservation::Verdict;
constexpr uint64_t kBase = 0x020000000100ull;

TEST_P(JournalBackendTest, AMacIsNeverHandedOutTwiceWithoutRelease) {
    auto journal = Open();
    const int64_t first = journal->BeginUnit({"s1", "127.0.0.2", "SN1", "", ""});
    const int64_t second = journal->BeginUnit({"s2", "127.0.0.2", "SN2", "", ""});
    ASSERT_EQ(journal->ReserveMac(kBase, first, {}).verdict, Verdict::Reserved);
    // The first unit died before its outcome was recorded.
    auto unknown = journal->ReserveMac(kBase, second, {});
    EXPECT_EQ(unknown.verdict, Verdict::OutcomeUnknown);
    EXPECT_EQ(unknown.holder, first);
    EXPECT_TRUE(journal->ReleaseMac(kBase));
    auto reserved = journal->ReserveMac(kBase, second, {});
    ASSERT_EQ(reserved.verdict, Verdict::Reserved);
    journal->SetMacOutcome(kBase, second, reserved.token, MacState::Written);
    // Written is final: no release, no second unit.
    EXPECT_FALSE(journal->ReleaseMac(kBase));
    // Both attempts carry the address; the look-up shows them in order.
    auto found = journal->FindUnits("02:00:00:00:01:00");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[1].id, second);
    auto written = journal->ReserveMac(kBase, first, {});
    EXPECT_EQ(written.verdict, Verdict::AlreadyWritten);
    EXPECT_EQ(written.holder, second);
    // A failed write frees the address for the next attempt.
    auto failing = journal->ReserveMac(kBase + 1, first, {});
    ASSERT_EQ(failing.verdict, Verdict::Reserved);
    journal->SetMacOutcome(kBase + 1, first, failing.token, MacState::Failed);
    EXPECT_EQ(journal->ReserveMac(kBase + 1, second, {}).verdict, Verdict::Reserved);
    EXPECT_EQ(journal->FindUnits("SN1").at(0).id, first);
    EXPECT_EQ(journal->LookupMac(kBase)->station, "s2");
}

// Runner A reserved and hung; the operator released its MAC and runner B
// wrote it. A's late write must not take the MAC over quietly.
TEST_P(JournalBackendTest, AWriteAfterItsReservationWasReleasedIsAConflictThatFindShows) {
    auto journal = Open();
    const int64_t a = journal->BeginUnit({"station-A", "127.0.0.2", "", "", ""});
    const int64_t b = journal->BeginUnit({"station-B", "127.0.0.3", "", "", ""});
    const MacReservation first = journal->ReserveMac(kBase, a, {});
    ASSERT_TRUE(journal->ReleaseMac(kBase));
    const MacReservation second = journal->ReserveMac(kBase, b, {});
    ASSERT_EQ(second.verdict, Verdict::Reserved);
    EXPECT_NE(second.token, first.token);
    journal->SetMacOutcome(kBase, b, second.token, MacState::Written);
    try {
        journal->SetMacOutcome(kBase, a, first.token, MacState::Written);
        FAIL() << "the late write was taken";
    } catch (const MacFenceConflict& conflict) {
        EXPECT_EQ(conflict.holder, b);
        EXPECT_EQ(conflict.holderState, "written");
        EXPECT_EQ(conflict.holderStation, "station-B");
        EXPECT_NE(std::string(conflict.what()).find("MAC 02:00:00:00:01:00 was released while this unit was writing "
                                                    "it: two devices may carry it"),
                  std::string::npos)
            << conflict.what();
    }
    EXPECT_TRUE(journal->HasFailedWith(JournalFault::FenceConflict));
    EXPECT_EQ(journal->LookupMac(kBase)->unit, b); // B's write stands
    EXPECT_EQ(journal->FindUnits("02:00:00:00:01:00").size(), 2u);
    auto conflicts = journal->MacConflicts(kBase);
    ASSERT_EQ(conflicts.size(), 1u);
    EXPECT_EQ(conflicts[0].unit, a);
    EXPECT_EQ(conflicts[0].station, "station-A");
    EXPECT_EQ(conflicts[0].holder, b);
    std::ostringstream out, err;
    EXPECT_EQ(RunJournalCommand({"--journal", location, "find", "02:00:00:00:01:00"}, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("02:00:00:00:01:00 CONFLICT: unit " + std::to_string(a) + " at station-A"),
              std::string::npos)
        << out.str();

    // Released and taken by nobody yet: the late write blocks it, still loudly.
    const MacReservation lone = journal->ReserveMac(kBase + 1, a, {});
    ASSERT_TRUE(journal->ReleaseMac(kBase + 1));
    EXPECT_THROW(journal->SetMacOutcome(kBase + 1, a, lone.token, MacState::Written), MacFenceConflict);
    EXPECT_EQ(journal->LookupMac(kBase + 1)->state, MacState::Written);
    EXPECT_EQ(journal->ReserveMac(kBase + 1, b, {}).verdict, Verdict::AlreadyWritten);
    // A late failure changes nothing; the same write reported twice is no conflict.
    const MacReservation third = journal->ReserveMac(kBase + 2, a, {});
    ASSERT_TRUE(journal->ReleaseMac(kBase + 2));
    journal->SetMacOutcome(kBase + 2, a, third.token, MacState::Failed);
    EXPECT_EQ(journal->LookupMac(kBase + 2)->state, MacState::Released);
    const MacReservation fourth = journal->ReserveMac(kBase + 3, b, {});
    journal->SetMacOutcome(kBase + 3, b, fourth.token, MacState::Written);
    journal->SetMacOutcome(kBase + 3, b, fourth.token, MacState::Written);
    EXPECT_TRUE(journal->MacConflicts(kBase + 3).empty());
}

TEST_P(JournalBackendTest, AddressesNoDeviceMayCarryAreNeverHandedOut) {
    auto journal = Open();
    const int64_t unit = journal->BeginUnit({"s1", "", "", "", ""});
    for (uint64_t mac : {kLastMacNumber, uint64_t{0}, uint64_t{0x01005E000001ull}, uint64_t{0x030000000000ull}})
        EXPECT_EQ(journal->ReserveMac(mac, unit, {}).verdict, Verdict::NotAssignable) << FormatMacNumber(mac);
    // The pool steps over the multicast block between 02:FF:... and 04:00:...
    MacPool pool{0x02FFFFFFFFFFull, 0x040000000000ull};
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).mac, 0x02FFFFFFFFFFull);
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).mac, 0x040000000000ull);
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).verdict, Verdict::PoolExhausted);
    EXPECT_EQ(journal->Macs().size(), 2u);
}

TEST_P(JournalBackendTest, PoolBoundsStopBeforeAnythingIsHandedOut) {
    auto journal = Open();
    const int64_t unit = journal->BeginUnit({"s1", "", "", "", ""});
    MacPool pool{kBase, kBase + 1};
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).mac, kBase);
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).mac, kBase + 1);
    EXPECT_EQ(journal->ReserveNextMac(unit, pool).verdict, Verdict::PoolExhausted);
    EXPECT_EQ(journal->ReserveMac(kBase + 2, unit, pool).verdict, Verdict::PoolExhausted);
    EXPECT_EQ(journal->ReserveMac(kBase - 1, unit, pool).verdict, Verdict::OutsidePool);
    EXPECT_EQ(journal->Macs().size(), 2u);
}

TEST_P(JournalBackendTest, StepsKeepBothTextsAndTheExportQuotesForSpreadsheets) {
    auto journal = Open();
    const int64_t unit = journal->BeginUnit({"line 1", "127.0.0.2", "SN \"7\", batch\r\n2", "/fw/a.tar", "ab"});
    journal->RecordStep(unit, {"SetMacAddress", "2026-01-01T00:00:00.000Z", "2026-01-01T00:00:01.000Z", "failed",
                               {{"连接失败9!", "Connect Failed!"}}});
    journal->FinishUnit(unit, kOutcomeFailed);
    auto steps = journal->Steps(unit);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].messages.at(0).chinese, "连接失败9!");
    EXPECT_EQ(steps[0].messages.at(0).english, "Connect Failed!");

    std::ostringstream csv;
    WriteUnitsCsv(csv, journal->Units(""));
    const std::string text = csv.str();
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(text.find("unit,station,started_at,ended_at,address,serial,mac,package_path,package_sha256,outcome\r\n"),
              std::string::npos);
    EXPECT_NE(text.find(",line 1,"), std::string::npos);
    EXPECT_NE(text.find(",\"SN \"\"7\"\", batch\r\n2\","), std::string::npos);
    EXPECT_NE(text.find(",/fw/a.tar,ab,failed\r\n"), std::string::npos);
    EXPECT_TRUE(journal->Units("2999-01-01").empty());

    // Every row is one unit: split outside quotes, each has the header's ten fields.
    const int64_t formula = journal->BeginUnit({"=cmd|' /C calc'!A0", "127.0.0.3", "+SUM(A1)", "", ""});
    journal->FinishUnit(formula, kOutcomeOk);
    csv.str("");
    WriteUnitsCsv(csv, journal->Units(""));
    std::vector<std::vector<std::string>> rows{{}};
    std::string field;
    bool quoted = false;
    const std::string all = csv.str().substr(3);
    for (size_t i = 0; i < all.size(); ++i) {
        const char c = all[i];
        if (quoted) {
            if (c == '"' && i + 1 < all.size() && all[i + 1] == '"') field += all[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < all.size() && all[i + 1] == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    rows.pop_back(); // after the last CRLF
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), 10u);
    EXPECT_EQ(rows[1][5], "SN \"7\", batch\r\n2");
    EXPECT_EQ(rows[2][1], "'=cmd|' /C calc'!A0");
    EXPECT_EQ(rows[2][5], "'+SUM(A1)");
    EXPECT_EQ(journal->SchemaVersion(), LatestJournalVersion(GetParam() == Backend::Sqlite ? SqlDialect::Sqlite : SqlDialect::Postgres));
}

// Four stations at once, 1000 addresses each: every address is given once,
// and the pool has no hole that the journal cannot account for.
TEST_P(JournalBackendTest, FourStationsAllocatingAtOnceGetDistinctAddresses) {
    constexpr int kStations = 4, kEach = 1000;
    std::vector<pid_t> stations;
    for (int s = 0; s < kStations; ++s)
        stations.push_back(Spawn(BuiltProgram("journal_alloc_driver"),
                                 {location, "station" + std::to_string(s), FormatMacNumber(kBase), std::to_string(kEach)}));
    for (pid_t pid : stations) EXPECT_EQ(WaitFor(pid), 0);

    auto journal = Open();
    auto macs = journal->Macs();
    ASSERT_EQ(macs.size(), size_t(kStations * kEach));
    std::set<int64_t> units;
    std::set<std::string> stationNames;
    for (size_t i = 0; i < macs.size(); ++i) {
        EXPECT_EQ(macs[i].mac, kBase + i) << "hole before " << FormatMacNumber(macs[i].mac);
        EXPECT_EQ(macs[i].state, MacState::Written);
        units.insert(macs[i].unit);
        stationNames.insert(macs[i].station);
    }
    EXPECT_EQ(units.size(), macs.size());
    EXPECT_EQ(stationNames.size(), size_t(kStations));
    for (const auto& unit : journal->Units("")) EXPECT_EQ(journal->LookupMac(*ParseMacNumber(unit.mac))->unit, unit.id);
}

TEST_P(JournalBackendTest, ReleaseSaysWhatItKnowsAndNeedsYes) {
    {
        auto journal = Open();
        const int64_t unit = journal->BeginUnit({"rack-3", "127.0.0.7", "SN-77", "", ""});
        journal->RecordStep(unit, {"UpdateLanguage", "2026-01-01T00:00:00.000Z", "2026-01-01T00:00:01.000Z", "ok", {}});
        journal->ReserveMac(kBase, unit, {});
    }
    std::ostringstream out, err;
    EXPECT_EQ(RunJournalCommand({"--journal", location, "release", "02:00:00:00:01:00"}, out, err), 1);
    EXPECT_NE(out.str().find("is reserved by unit 1 at station rack-3 since "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("address 127.0.0.7"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("never ended"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("last recorded step: UpdateLanguage ok"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("--yes"), std::string::npos) << err.str();
    EXPECT_EQ(Open()->LookupMac(kBase)->state, MacState::Reserved);
    EXPECT_EQ(RunJournalCommand({"--journal", location, "release", "--yes", "02:00:00:00:01:00"}, out, err), 0)
        << err.str();
    EXPECT_EQ(Open()->LookupMac(kBase)->state, MacState::Released);
}

// Stations that share a pool without agreeing on a first address: each unit
// takes the lowest address nobody holds, the holes of the pool first.
TEST_P(JournalBackendTest, FourStationsDrawingTheLowestFreeAddressFillThePoolWithoutGaps) {
    {
        auto journal = Open();
        const int64_t unit = journal->BeginUnit({"earlier", "", "", "", ""});
        for (uint64_t mac : {kBase + 5, kBase + 9}) {
            auto got = journal->ReserveMac(mac, unit, {});
            journal->SetMacOutcome(mac, unit, got.token, MacState::Written);
        }
        // Reserved and never sent: back to the pool at once.
        auto unsent = journal->ReserveLowestFreeMac(unit, {kBase, std::nullopt});
        ASSERT_EQ(unsent.mac, kBase);
        journal->SetMacOutcome(kBase, unit, unsent.token, MacState::Released);
        EXPECT_EQ(journal->ReserveLowestFreeMac(unit, {kBase + 9, kBase + 10}).mac, kBase + 10);
        EXPECT_EQ(journal->ReserveLowestFreeMac(unit, {kBase + 9, kBase + 10}).verdict, Verdict::PoolExhausted);
        ASSERT_TRUE(journal->ReleaseMac(kBase + 10));
    }
    constexpr int kStations = 4, kEach = 1000;
    std::vector<pid_t> stations;
    for (int s = 0; s < kStations; ++s)
        stations.push_back(Spawn(BuiltProgram("journal_alloc_driver"), {location, "station" + std::to_string(s),
                                                                         FormatMacNumber(kBase), std::to_string(kEach),
                                                                         "lowest-free"}));
    for (pid_t pid : stations) EXPECT_EQ(WaitFor(pid), 0);

    auto macs = Open()->Macs();
    ASSERT_EQ(macs.size(), size_t(kStations * kEach + 2));
    std::set<int64_t> units;
    for (size_t i = 0; i < macs.size(); ++i) {
        EXPECT_EQ(macs[i].mac, kBase + i) << "hole before " << FormatMacNumber(macs[i].mac);
        EXPECT_EQ(macs[i].state, MacState::Written);
        if (macs[i].station != "earlier") units.insert(macs[i].unit);
    }
    EXPECT_EQ(units.size(), size_t(kStations * kEach));
}

INSTANTIATE_TEST_SUITE_P(Backends, JournalBackendTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         BackendName);

} // namespace
} // namespace tarnwell::test
