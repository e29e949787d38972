#include "sdk/device_search_sdk.h"

#include "platform/ipv4_text.h"
#include "platform/socket_wait.h"
#include "platform/udp_socket.h"
#include "sdk/device_search_protocol.h"
#include "sdk/subnet_broadcast.h"

#include <algorithm>
#include <cstring>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

namespace {

using namespace tarnwell::devsearch;
using tarnwell::UdpSocket;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

uint16_t DiscoveryPort() {
    const char* text = std::getenv(kPortVariable);
    if (text == nullptr) return kDiscoveryPort;
    char* end = nullptr;
    long port = std::strtol(text, &end, 10);
    return (end != text && *end == '\0' && port > 0 && port < 65536) ? static_cast<uint16_t>(port) : kDiscoveryPort;
}

// Bound to the adapter's own address so that the probe leaves by that adapter
// and the answers come back to it.
bool PrepareSocket(UdpSocket& socket, uint32_t localAddress) {
    if (!socket.Open()) return false;
    socket.RequestReceiveBuffer(1 << 20); // a crowd of devices answers at once
    return socket.EnableBroadcast() && socket.Bind({localAddress, 0});
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

void Collect(UdpSocket& socket, AnswerCollector& answers, milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    Clock::time_point end = deadline;
    while (!answers.Full()) {
        auto wait = std::chrono::duration_cast<milliseconds>(end - Clock::now());
        if (wait.count() < 0) break;
        if (!tarnwell::WaitForSocket(socket.Handle(), false, wait + milliseconds(1))) break;
        uint8_t datagram[kAnswerSize + 1];
        const long length = socket.Receive(datagram, sizeof datagram);
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
    uint32_t local = 0;
    if (!tarnwell::ParseDottedIpv4(adapterAddress, local)) return 0;
    std::optional<uint32_t> broadcast = SubnetBroadcastOf(local);
    if (!broadcast) return 0;

    UdpSocket socket;
    if (!PrepareSocket(socket, local)) return 0;
    uint32_t searchId = NewSearchId();
    auto probe = EncodeProbe(searchId);
    if (socket.SendTo(probe.data(), probe.size(), {*broadcast, DiscoveryPort()}) < 0) return 0;

    AnswerCollector answers(buffer, bufferSize, searchId);
    Collect(socket, answers, milliseconds(limitMs));
    *byteCount = answers.Written();
    return 1;
}

} // extern "C"
