#include "sdk/device_search_sdk.h"

#include "sdk/device_search_protocol.h"
#include "sdk/subnet_broadcast.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <random>
#include <set>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace tarnwell::devsearch;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

uint16_t DiscoveryPort() {
    const char* text = std::getenv(kPortVariable);
    if (text == nullptr) return kDiscoveryPort;
    char* end = nullptr;
    long port = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && port > 0 && port < 65536) ? static_cast<uint16_t>(port) : kDiscoveryPort;
}

class UdpSocket {
public:
    UdpSocket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~UdpSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

sockaddr_in Endpoint(uint32_t address, uint16_t port) {
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_addr.s_addr = address;
    endpoint.sin_port = htons(port);
    return endpoint;
}

// Bound to the adapter's own address so that the probe leaves by that adapter
// and the answers come back to it.
bool PrepareSocket(const UdpSocket& socket, uint32_t localAddress) {
    int on = 1;
    int receiveBuffer = 1 << 20; // a crowd of devices answers at once
    sockaddr_in local = Endpoint(localAddress, 0);
    if (socket.fd() < 0) return false;
    ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer); // a smaller one still works
    return ::setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
           ::bind(socket.fd(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

class AnswerCollector {
public:
    AnswerCollector(char* buffer, int32_t size, uint32_t searchId) : buffer_(buffer), size_(size), searchId_(searchId) {}

    bool Full() const { return size_ - written_ < static_cast<int32_t>(kRecordSize); }
    int32_t Written() const { return written_; }

    // True when the datagram brought a device not seen before.
    bool Take(const uint8_t* datagram, size_t length) {
        uint32_t id = 0;
        const uint8_t* record = nullptr;
        if (!ParseAnswer(datagram, length, id, record) || id != searchId_ || Full()) return false;
        if (!seen_.insert(RecordAddress(record)).second) return false;
        std::memcpy(buffer_ + written_, record, kRecordSize);
        written_ += static_cast<int32_t>(kRecordSize);
        return true;
    }

private:
    char* buffer_;
    int32_t size_;
    uint32_t searchId_;
    int32_t written_ = 0;
    std::set<std::string> seen_;
};

void Collect(const UdpSocket& socket, AnswerCollector& answers, milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    Clock::time_point end = deadline;
    while (!answers.Full()) {
        auto wait = std::chrono::duration_cast<milliseconds>(end - Clock::now());
        if (wait.count() < 0) break;
        pollfd ready{socket.fd(), POLLIN, 0};
        int polled = ::poll(&ready, 1, static_cast<int>(wait.count()) + 1);
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) break;
        uint8_t datagram[kAnswerSize + 1];
        ssize_t length = ::recv(socket.fd(), datagram, sizeof datagram, 0);
        if (length < 0) continue;
        if (answers.Take(datagram, static_cast<size_t>(length))) {
            end = std::min(deadline, Clock::now() + milliseconds(TW_SEARCH_QUIET_MS));
        }
    }
}

uint32_t NewSearchId() {
    static std::random_device seed;
    return seed();
}

} // namespace

extern "C" {

int TW_SEARCH_CALL TwSearchOpen(int32_t, void*) { return 1; }

int TW_SEARCH_CALL TwSearchClose(void) { return 1; }

int TW_SEARCH_CALL TwSearchDevices(char* buffer, int32_t bufferSize, int32_t* byteCount, int32_t limitMs,
                                   const char* adapterAddress) {
    if (byteCount == nullptr) return 0;
    *byteCount = 0;
    if (buffer == nullptr || bufferSize < 0 || limitMs < 0 || adapterAddress == nullptr) return 0;
    in_addr local{};
    if (::inet_pton(AF_INET, adapterAddress, &local) != 1) return 0;
    std::optional<uint32_t> broadcast = SubnetBroadcastOf(local.s_addr);
    if (!broadcast) return 0;

    UdpSocket socket;
    if (!PrepareSocket(socket, local.s_addr)) return 0;
    uint32_t searchId = NewSearchId();
    auto probe = EncodeProbe(searchId);
    sockaddr_in target = Endpoint(*broadcast, DiscoveryPort());
    if (::sendto(socket.fd(), probe.data(), probe.size(), 0, reinterpret_cast<const sockaddr*>(&target), sizeof target) < 0) return 0;

    AnswerCollector answers(buffer, bufferSize, searchId);
    Collect(socket, answers, milliseconds(limitMs));
    *byteCount = answers.Written();
    return 1;
}

} // extern "C"
