// Firmware upgrade throughput and memory against the simulator on loopback.
//
// Throughput: a 32 MiB member sent with the upgrade's sender (SendFile, with
// its progress bar) against a plain loop of 1500-byte send() calls carrying the
// same member to the same kind of simulated device, in alternating rounds,
// medians compared (goal >= 0.95). The whole upgrade of a package holding that
// member (handshake, reading the member from the package, reboot) is set
// against the same plain loop too.
// Memory: one upgrade of a 64 MiB package (two 32 MiB members) in a child
// process, whose VmHWM is reported (goal: largest member + 32 MiB at most).
#include "app/console_ui.h"
#include "app/operator_console.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"
#include "protocol/reply_reader.h"
#include "sim/firmware_expectation.h"
#include "sim/simulated_device.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace tarnwell;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kMiB = 1024 * 1024;
constexpr size_t kMemberSize = 32 * kMiB;
constexpr size_t kChunk = 1500;
constexpr int kRounds = 9;

class SilentUi : public ConsoleUi {
public:
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "message: %s\n", text.c_str()); }
    void ShowCaptionedMessage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    void PullFields(ConsoleBoundFields&) override {}
    void PushFields(const ConsoleBoundFields&) override {}
    AddressOctets ReadAddressControl() override { return {0, 0, 0, 0}; }
    std::string AddressControlText() override { return {}; }
    void SetAddressControlText(const std::string&) override {}
    bool IsChecked(int) override { return false; }
    std::string ControlText(int) override { return {}; }
    void SetControlText(int, const std::string&) override {}
    void EnableControl(int, bool) override {}
    int LanguageSelection() override { return 0; }
    std::string LanguageText() override { return {}; }
    int VideoStandardSelection() override { return 0; }
    void SetProgress(int) override {}
    void SetStatusLine(const std::string&) override {}
    std::vector<std::string> ChooseOpenFiles(const OpenFileRequest&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
    void OpenWithDesktop(const std::string&) override {}
};

std::string DeviceAddress() { return "127.99." + std::to_string(1 + ::getpid() % 250) + ".1"; }

void WritePattern(const std::string& path, size_t length, unsigned seed) {
    std::vector<char> block(kMiB);
    uint32_t state = seed;
    std::ofstream out(path, std::ios::binary);
    for (size_t done = 0; done < length; done += block.size()) {
        for (auto& byte : block) byte = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), length - done)));
    }
}

std::string Pack(const std::filesystem::path& dir, const std::string& name, const std::string& members) {
    const std::string command = "cd '" + dir.string() + "' && tar --format=ustar -cf " + name + " Install.xml " + members;
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "tar failed\n");
        std::exit(1);
    }
    return (dir / name).string();
}

std::unique_ptr<sim::SimulatedDevice> StartDevice(const sim::FirmwareExpectation& expected) {
    sim::DeviceProfile profile;
    profile.address = DeviceAddress();
    sim::ConfigureForFirmware(profile, expected);
    auto device = std::make_unique<sim::SimulatedDevice>(profile);
    if (!device->Start()) {
        std::fprintf(stderr, "cannot bind %s\n", profile.address.c_str());
        std::exit(1);
    }
    return device;
}

void PrepareConsole(OperatorConsole& console) {
    console.upgradePauses.betweenMembers = std::chrono::milliseconds(0);
    console.upgradePauses.beforeIdleStatus = std::chrono::milliseconds(0);
}

double TimeUpgrade(const std::string& package, const sim::FirmwareExpectation& expected, bool verify) {
    auto device = StartDevice(expected);
    SilentUi ui;
    OperatorConsole console(ui);
    PrepareConsole(console);
    auto start = Clock::now();
    console.UpgradeFirmware(package, device->Address());
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    device->WaitUntilIdle();
    if (verify) {
        std::string mismatch = sim::DescribeFirmwareMismatch(*device, expected);
        if (!mismatch.empty() || device->RebootCount() != 1) {
            std::fprintf(stderr, "upgrade did not deliver the package: %s\n", mismatch.c_str());
            std::exit(1);
        }
    }
    return seconds;
}

enum class Sender { PlainLoop, SendFile };

// The member to a fresh device: ready command, answer, the data, the answer.
double TimeMemberTransfer(const std::vector<uint8_t>& member, Sender sender) {
    sim::FirmwareExpectation expected;
    expected.members.push_back(member);
    auto device = StartDevice(expected);
    SilentUi ui;
    OperatorConsole console(ui);
    auto start = Clock::now();
    TcpSocket connection = TcpSocket::Create();
    if (!connection.Connect(device->Address(), DeviceCommandPort)) std::exit(1);
    ReplyReader replies(connection);
    CommandBlock ready(CmdReadyUpgrade);
    connection.SendAll(ready.Bytes().data(), ready.Bytes().size());
    replies.Next(Deadline::After(std::chrono::seconds(30)));
    if (sender == Sender::SendFile) {
        console.SendFile(connection, member.data(), member.size());
    } else {
        for (size_t sent = 0; sent < member.size(); sent += kChunk)
            ::send(connection.Descriptor(), member.data() + sent, std::min(kChunk, member.size() - sent), MSG_NOSIGNAL);
    }
    if (!replies.Next(Deadline::After(std::chrono::seconds(30))).Complete()) std::exit(1);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    connection.Close();
    device->WaitUntilIdle();
    auto received = device->ExchangesWithCode(CmdReadyUpgrade);
    if (received.size() != 1 || received[0].payload != member) {
        std::fprintf(stderr, "the device did not get the member\n");
        std::exit(1);
    }
    return seconds;
}

long HighWaterKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Forks before any thread exists or the package is loaded, so the child's
// high-water mark is the upgrade's own; it starts once the device listens.
void MeasurePeakMemory(const std::string& package) {
    const std::string address = DeviceAddress();
    int go[2], result[2];
    if (::pipe(go) != 0 || ::pipe(result) != 0) std::exit(1);
    pid_t child = ::fork();
    if (child == 0) {
        char byte;
        if (::read(go[0], &byte, 1) != 1) ::_exit(1);
        long before = HighWaterKiB();
        {
            SilentUi ui;
            OperatorConsole console(ui);
            PrepareConsole(console);
            console.UpgradeFirmware(package, address);
        }
        long figures[2] = {before, HighWaterKiB()};
        ::_exit(::write(result[1], figures, sizeof figures) == sizeof figures ? 0 : 1);
    }
    auto expected = sim::ExpectFirmwareFromPackage(package);
    if (!expected) std::exit(1);
    auto device = StartDevice(*expected);
    char byte = 1;
    if (::write(go[1], &byte, 1) != 1) std::exit(1);
    long figures[2] = {0, 0};
    if (::read(result[0], figures, sizeof figures) != sizeof figures) std::exit(1);
    ::waitpid(child, nullptr, 0);
    device->WaitUntilIdle();
    const bool delivered = sim::DescribeFirmwareMismatch(*device, *expected).empty() && device->RebootCount() == 1;
    std::printf("peak memory, 64 MiB package (2 x 32 MiB members): VmHWM %.1f MiB (%.1f MiB before the upgrade); "
                "goal <= %.1f MiB; delivered: %s\n",
                figures[1] / 1024.0, figures[0] / 1024.0, (kMemberSize + 32 * kMiB) / double(kMiB),
                delivered ? "yes" : "NO");
}

} // namespace

int main() {
    char pattern[] = "/tmp/tarnwell-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path dir = pattern;
    std::ofstream(dir / "Install.xml") << "<install/>\n";
    WritePattern((dir / "romfs-x.cramfs.img").string(), kMemberSize, 1);
    WritePattern((dir / "user-x.cramfs.img").string(), kMemberSize, 2);
    const std::string single = Pack(dir, "single.tar", "romfs-x.cramfs.img");
    const std::string twin = Pack(dir, "twin.tar", "romfs-x.cramfs.img user-x.cramfs.img");
    std::printf("packages ready in %s\n", dir.c_str());

    MeasurePeakMemory(twin);

    auto expected = sim::ExpectFirmwareFromPackage(single);
    if (!expected) return 1;
    const std::vector<uint8_t>& member = expected->members[0];
    std::vector<double> plain, sendFile, upgrades;
    TimeUpgrade(single, *expected, true); // warm the page cache and check delivery
    for (int round = 0; round < kRounds; ++round) {
        // Each kind takes each place in the round in turn, so no kind always pays for going first.
        for (int turn = 0; turn < 3; ++turn) {
            switch ((round + turn) % 3) {
            case 0: plain.push_back(TimeMemberTransfer(member, Sender::PlainLoop)); break;
            case 1: sendFile.push_back(TimeMemberTransfer(member, Sender::SendFile)); break;
            default: upgrades.push_back(TimeUpgrade(single, *expected, false)); break;
            }
        }
    }
    const double megabytes = kMemberSize / double(kMiB);
    auto rate = [&](const std::vector<double>& times) { return megabytes / Median(times); };
    std::printf("32 MiB member, medians of %d rounds:\n", kRounds);
    std::printf("  plain 1500-byte send loop  %7.1f MiB/s  (%.3f s)\n", rate(plain), Median(plain));
    std::printf("  SendFile                   %7.1f MiB/s  (%.3f s)\n", rate(sendFile), Median(sendFile));
    std::printf("  whole upgrade of the package %5.1f MiB/s  (%.3f s)\n", rate(upgrades), Median(upgrades));
    std::printf("throughput ratio SendFile/plain: %.3f (goal >= 0.95)\n", rate(sendFile) / rate(plain));
    std::printf("throughput ratio whole upgrade/plain: %.3f\n", rate(upgrades) / rate(plain));

    std::filesystem::remove_all(dir);
    return 0;
}
