// A shift of traffic against one tarnwell-devsim process: 200,000 connections
// of mixed kinds (valid exchanges, garbage, truncated blocks, resets, captures,
// web requests) from a few client threads, loopback only. The baseline is the
// same process idle, measured before the soak in the same run: resident
// memory and thread count must come back to it, and the device must still
// answer a normal query at the end.
// TARNWELL_SOAK_CONNECTIONS sets the number of connections (default 200000).
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace tarnwell;
using namespace std::chrono_literals;

namespace {

constexpr uint16_t kWebPort = 8080;
constexpr Milliseconds kLimit{5000};

struct ProcessFigures {
    long rssKiB = -1;
    int threads = -1;
};

ProcessFigures Figures(pid_t pid) {
    ProcessFigures figures;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) figures.rssKiB = std::atol(line.c_str() + 6);
        if (line.rfind("Threads:", 0) == 0) figures.threads = std::atoi(line.c_str() + 8);
    }
    return figures;
}

std::string DevsimPath() {
    std::vector<char> self(4096);
    ssize_t length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    std::string path(self.data(), length > 0 ? static_cast<size_t>(length) : 0);
    return path.substr(0, path.rfind('/') + 1) + "tarnwell-devsim";
}

TcpSocket Open(const std::string& address, uint16_t port = DeviceCommandPort) {
    TcpSocket socket = TcpSocket::Create();
    if (!socket.Connect(address, port, kLimit)) return TcpSocket();
    socket.SetReceiveLimit(kLimit);
    socket.SetSendLimit(kLimit);
    return socket;
}

bool SendBlock(TcpSocket& socket, uint8_t code, uint8_t sub = 0) {
    CommandBlock block(code);
    if (sub != 0) block.SubCode(sub);
    return socket.SendAll(block.Bytes().data(), block.Bytes().size());
}

// Reads `length` bytes or until the peer stops; the count read.
size_t ReadUpTo(TcpSocket& socket, size_t length) {
    std::vector<uint8_t> buffer(std::min<size_t>(length, 65536));
    size_t got = 0;
    while (got < length) {
        ssize_t n = socket.ReceiveSome(buffer.data(), std::min(buffer.size(), length - got));
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

bool LanguageQueryAnswered(const std::string& address) {
    TcpSocket socket = Open(address);
    if (!socket.IsValid() || !SendBlock(socket, CmdQuery, QueryLanguageList)) return false;
    uint8_t reply[128] = {};
    size_t got = 0;
    while (got < sizeof reply) {
        ssize_t n = socket.ReceiveSome(reply + got, sizeof reply - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got == sizeof reply && reply[0] == 180 && std::string(reinterpret_cast<char*>(reply) + 32).find("English|") == 0;
}

// One connection of kind `n % 8`; false when a kind that must succeed did not.
bool OneConnection(const std::string& address, unsigned n) {
    switch (n % 8) {
    case 0: return LanguageQueryAnswered(address);
    case 1: { // a whole MAC write
        TcpSocket socket = Open(address);
        std::vector<uint8_t> mac(33, '1');
        return socket.IsValid() && SendBlock(socket, CmdSetMac) && socket.SendAll(mac.data(), mac.size());
    }
    case 2: { // garbage: an unknown command and noise
        TcpSocket socket = Open(address);
        std::vector<uint8_t> noise(300);
        for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(n * 31 + i * 17 + 0x41);
        noise[0] = 0x01;
        return socket.IsValid() && (socket.SendAll(noise.data(), noise.size()), true);
    }
    case 3: { // a truncated command block
        TcpSocket socket = Open(address);
        CommandBlock block(CmdSetTime);
        return socket.IsValid() && socket.SendAll(block.Bytes().data(), block.Bytes().size() / 2);
    }
    case 4: { // a reset in the middle of a payload
        TcpSocket socket = Open(address);
        if (!socket.IsValid() || !SendBlock(socket, CmdSetLanguage)) return false;
        socket.SendAll("\0\0", 2);
        socket.Abort();
        return true;
    }
    case 5: { // a capture read to its end
        TcpSocket socket = Open(address);
        if (!socket.IsValid() || !SendBlock(socket, CmdCapture)) return false;
        uint8_t reply[128];
        if (ReadUpTo(socket, 128) != 128) return false;
        (void)reply;
        return true; // the picture is left unread half the time: the device must cope
    }
    case 6: { // a web request
        TcpSocket socket = Open(address, kWebPort);
        const std::string request = "GET /cgi-bin/setparm.cgi?Serial=S" + std::to_string(n) + " HTTP/1.1\r\nHost: x\r\n\r\n";
        if (!socket.IsValid() || !socket.SendAll(request.data(), request.size())) return false;
        return ReadUpTo(socket, 65536) > 0;
    }
    default: { // connect and close at once
        TcpSocket socket = Open(address);
        return socket.IsValid();
    }
    }
}

void BM_DevsimSoak(benchmark::State& state) {
    const char* configured = std::getenv("TARNWELL_SOAK_CONNECTIONS");
    const unsigned total = configured ? static_cast<unsigned>(std::strtoul(configured, nullptr, 10)) : 200000u;
    const std::string address = "127.77." + std::to_string(1 + ::getpid() % 250) + ".2";
    const std::string devsim = DevsimPath();
    const std::string port = std::to_string(kWebPort);
    std::vector<const char*> argv{devsim.c_str(), "--listen", address.c_str(), "--web-port", port.c_str(),
                                  "--no-discovery", "--log", "/dev/null", "--idle-timeout", "10", nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (::posix_spawn(&pid, devsim.c_str(), nullptr, nullptr, const_cast<char**>(argv.data()), environ) != 0) {
            state.SkipWithError("cannot start tarnwell-devsim");
            return;
        }
        bool up = false;
        for (int i = 0; i < 100 && !up; ++i) {
            std::this_thread::sleep_for(50ms);
            up = LanguageQueryAnswered(address);
        }
        if (!up) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
            state.SkipWithError("tarnwell-devsim does not answer");
            return;
        }
        std::this_thread::sleep_for(200ms);
        const ProcessFigures idle = Figures(pid);

        std::atomic<unsigned> next{0};
        std::atomic<unsigned> failed{0};
        std::atomic<long> peakRss{idle.rssKiB};
        std::atomic<int> peakThreads{idle.threads};
        auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> clients;
        for (int c = 0; c < 4; ++c) {
            clients.emplace_back([&] {
                for (unsigned n; (n = next++) < total;) {
                    if (!OneConnection(address, n)) ++failed;
                    if (n % 5000 == 0) {
                        ProcessFigures now = Figures(pid);
                        if (now.rssKiB > peakRss) peakRss = now.rssKiB;
                        if (now.threads > peakThreads) peakThreads = now.threads;
                    }
                }
            });
        }
        for (auto& client : clients) client.join();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        // Sessions end as their peers go; give the last ones a moment.
        ProcessFigures after = Figures(pid);
        for (int i = 0; i < 100 && after.threads > idle.threads; ++i) {
            std::this_thread::sleep_for(100ms);
            after = Figures(pid);
        }
        const bool answers = LanguageQueryAnswered(address);
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);

        state.counters["connections"] = total;
        state.counters["conn_per_s"] = total / seconds;
        state.counters["failed"] = failed.load();
        state.counters["idle_rss_MiB"] = idle.rssKiB / 1024.0;
        state.counters["peak_rss_MiB"] = peakRss.load() / 1024.0;
        state.counters["end_rss_MiB"] = after.rssKiB / 1024.0;
        state.counters["rss_ratio_to_idle"] = static_cast<double>(after.rssKiB) / static_cast<double>(idle.rssKiB);
        state.counters["idle_threads"] = idle.threads;
        state.counters["peak_threads"] = peakThreads.load();
        state.counters["end_threads"] = after.threads;
        state.counters["answers_at_end"] = answers ? 1 : 0;
        state.counters["clean_exit"] = WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
        if (!answers || after.rssKiB >= 64 * 1024 || after.threads != idle.threads || peakRss.load() >= 64 * 1024)
            state.SkipWithError("the simulator did not come back to its idle figures (see counters)");
    }
}

} // namespace

BENCHMARK(BM_DevsimSoak)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
