// The purge against the kernel's real neighbour cache, inside a network
// namespace of the test's own so that nothing on the host is touched and no
// packet leaves it.
#include "platform/posix/neighbour_table.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "app/operator_console.h"
#include "net/arp_table.h"
#include "support/fake_console_ui.h"

using namespace tarnwell;

namespace {

constexpr int kNoNamespace = 77;

bool Has(const std::vector<NeighbourEntry>& entries, const char* address) {
    const uint32_t wanted = ::inet_addr(address);
    return std::any_of(entries.begin(), entries.end(), [&](const NeighbourEntry& e) { return e.address == wanted; });
}

// In the child: a namespace of its own with two permanent neighbour entries on
// a veth whose peer stays down, so no packet goes anywhere.
void EnterNamespaceWithTwoNeighbours() {
    if (::unshare(CLONE_NEWNET) != 0) std::_Exit(kNoNamespace);
    const char* setup =
        "ip link set lo up && ip link add tw0 type veth peer name tw1 && "
        "ip addr add 10.77.0.1/24 dev tw0 && ip link set tw0 up && "
        "ip neigh add 10.77.0.9 lladdr 02:00:00:00:00:09 dev tw0 nud permanent && "
        "ip neigh add 10.77.0.10 lladdr 02:00:00:00:00:0a dev tw0 nud permanent";
    if (std::system(setup) != 0) std::_Exit(kNoNamespace);
}

// Runs in the child: returns an empty text on success, else what went wrong.
std::string PurgeInPrivateNamespace() {
    EnterNamespaceWithTwoNeighbours();
    std::vector<NeighbourEntry> entries;
    if (!ReadIpv4Neighbours(entries)) return "dump failed";
    if (!Has(entries, "10.77.0.9") || !Has(entries, "10.77.0.10")) return "set-up entries not in the dump";
    const auto nine = std::find_if(entries.begin(), entries.end(),
                                   [](const NeighbourEntry& e) { return e.address == ::inet_addr("10.77.0.9"); });
    if (nine->linkAddressLength != 6 || nine->linkAddress[5] != 0x09) return "link address not read";

    PurgeArpEntryFor("10.77.0.9");
    if (!ReadIpv4Neighbours(entries)) return "dump after purge failed";
    if (Has(entries, "10.77.0.9")) return "purged entry is still there";
    if (!Has(entries, "10.77.0.10")) return "the other entry went too";
    if (DeleteIpv4Neighbour(nine->interfaceIndex, ::inet_addr("10.77.0.9"))) return "deleting a missing entry succeeded";
    PurgeArpEntryFor("10.77.0.9");  // nothing left to delete, silently
    return {};
}

// Runs in the child: an operator action purges its device's entry before it connects.
std::string ActionPurgesInPrivateNamespace() {
    EnterNamespaceWithTwoNeighbours();
    test::FakeConsoleUi ui;
    OperatorConsole console(ui);
    console.channelLimits.connect = std::chrono::milliseconds(300);
    ui.SetAddress("10.77.0.9");
    console.OnUpdateTime();
    std::vector<NeighbourEntry> entries;
    if (!ReadIpv4Neighbours(entries)) return "dump failed";
    const bool permanentStays = std::any_of(entries.begin(), entries.end(), [](const NeighbourEntry& e) {
        return e.address == ::inet_addr("10.77.0.9") && e.linkAddressLength == 6 && e.linkAddress[5] == 0x09;
    });
    if (permanentStays) return "the device's entry survived the action";
    if (!Has(entries, "10.77.0.10")) return "another device's entry went too";
    if (ui.Messages() != std::vector<std::string>{"连接失败6"}) return "the unreachable device was not reported";
    return {};
}

// Runs `body` in a forked child and turns its report into the test's verdict.
void RunInChild(std::string (*body)()) {
    if (::geteuid() != 0) GTEST_SKIP() << "a private network namespace needs root";
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        std::string failure = body();
        (void)!::write(report[1], failure.data(), failure.size());
        std::_Exit(failure.empty() ? 0 : 1);
    }
    ::close(report[1]);
    std::string failure;
    char chunk[256];
    for (ssize_t got; (got = ::read(report[0], chunk, sizeof chunk)) > 0;) failure.append(chunk, static_cast<size_t>(got));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == kNoNamespace) GTEST_SKIP() << "cannot create a network namespace with a veth pair here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << failure;
}

} // namespace

TEST(NeighbourTable, PurgeRemovesOnlyTheDeviceEntryInAPrivateNamespace) { RunInChild(PurgeInPrivateNamespace); }

TEST(NeighbourTable, AnActionPurgesItsDeviceBeforeConnecting) { RunInChild(ActionPurgesInPrivateNamespace); }
