#pragma once
// What this build or platform cannot do, for tests that then skip a part:
// each limit carries the reason the skip prints, so nothing is left out
// silently.
//   if (const PlatformLimit limit = NoPosixTools(); limit) GTEST_SKIP() << limit.reason;
namespace tarnwell::test {

struct PlatformLimit {
    bool applies = false;
    const char* reason = "";
    explicit operator bool() const { return applies; }
};

// GNU tar and util-linux's fsck.cramfs cannot be started from a Windows program.
PlatformLimit NoPosixTools();
// The system's adapter list has no loopback adapter (Windows' IP Helper leaves it out).
PlatformLimit NoLoopbackAdapter();
// A unit that resets or closes on bytes it never read cannot be told from one
// that took them: Winsock keeps the acknowledged bytes to itself, and under
// Wine such a close reads as an orderly one.
PlatformLimit NoAbortiveCloseEvidence();
// Built without the journal's SQLite and PostgreSQL back ends; the line runner
// then refuses every job.
PlatformLimit NoJournalDatabases();

} // namespace tarnwell::test
