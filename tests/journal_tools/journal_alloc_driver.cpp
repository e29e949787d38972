// One station taking MAC addresses from a shared pool as fast as it can:
//   journal_alloc_driver JOURNAL STATION FIRST_MAC COUNT [lowest-free]
// Each address is one unit: begun, reserved (after the highest handed out, or
// the lowest free one), marked written, finished.
#include "journal/journal.h"
#include "journal/mac_number.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace tarnwell;
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: %s JOURNAL STATION FIRST_MAC COUNT [lowest-free]\n", argv[0]);
        return 2;
    }
    try {
        auto journal = OpenJournal(argv[1]);
        MacPool pool{ParseMacNumber(argv[3]), std::nullopt};
        const int count = std::stoi(argv[4]);
        const bool lowestFree = argc == 6;
        for (int i = 0; i < count; ++i) {
            int64_t unit = journal->BeginUnit({argv[2], "127.0.0.1", "", "", ""});
            MacReservation got = lowestFree ? journal->ReserveLowestFreeMac(unit, pool) : journal->ReserveNextMac(unit, pool);
            if (got.verdict != MacReservation::Verdict::Reserved) return 1;
            journal->SetMacOutcome(got.mac, unit, got.token, MacState::Written);
            journal->FinishUnit(unit, kOutcomeOk);
        }
    } catch (const JournalError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 3;
    }
    return 0;
}
