#include "platform/posix/neighbour_table.h"

#include <atomic>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace tarnwell {

namespace {

// The kernel answers at once; this only guards against a wedged socket.
constexpr int kReplyLimitSeconds = 2;
// Larger than any datagram the kernel sends for a neighbour dump.
constexpr size_t kReceiveBufferSize = 64 * 1024;

class NetlinkSocket {
public:
    NetlinkSocket() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {
        if (fd_ < 0) return;
        timeval limit{kReplyLimitSeconds, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    ~NetlinkSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    NetlinkSocket(const NetlinkSocket&) = delete;
    NetlinkSocket& operator=(const NetlinkSocket&) = delete;

    bool IsValid() const { return fd_ >= 0; }

    bool Send(const void* message, size_t length) {
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        ssize_t sent = ::sendto(fd_, message, length, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel);
        return sent == static_cast<ssize_t>(length);
    }

    // One datagram; -1 on error, time-out or a datagram larger than the buffer.
    ssize_t Receive(void* buffer, size_t length) {
        ssize_t got = ::recv(fd_, buffer, length, MSG_TRUNC);
        if (got < 0 || static_cast<size_t>(got) > length) return -1;
        return got;
    }

private:
    int fd_;
};

// NLMSG_OK with unsigned lengths: the header and the whole message lie within `remaining`.
bool MessageFits(const nlmsghdr* message, size_t remaining) {
    return remaining >= sizeof(nlmsghdr) && message->nlmsg_len >= sizeof(nlmsghdr) && message->nlmsg_len <= remaining;
}

// Units provisioned side by side purge their entries from threads of their own.
uint32_t NextSequence() {
    static std::atomic<uint32_t> sequence{static_cast<uint32_t>(::getpid()) << 8};
    return ++sequence;
}

// Reads the attributes of one neighbour message; false when it carries no IPv4 destination.
bool ReadEntry(const ndmsg* header, const uint8_t* attributes, size_t attributesLength, NeighbourEntry& entry) {
    entry = NeighbourEntry{};
    entry.interfaceIndex = static_cast<uint32_t>(header->ndm_ifindex);
    entry.state = header->ndm_state;
    bool haveAddress = false;
    int remaining = static_cast<int>(attributesLength);
    const uint8_t* cursor = attributes;
    while (RTA_OK(reinterpret_cast<const rtattr*>(cursor), remaining)) {
        rtattr attribute;
        std::memcpy(&attribute, cursor, sizeof attribute);
        const uint8_t* payload = cursor + RTA_LENGTH(0);
        const size_t payloadLength = attribute.rta_len - RTA_LENGTH(0);
        if (attribute.rta_type == NDA_DST && payloadLength == sizeof entry.address) {
            std::memcpy(&entry.address, payload, sizeof entry.address);
            haveAddress = true;
        } else if (attribute.rta_type == NDA_LLADDR && payloadLength <= sizeof entry.linkAddress) {
            std::memcpy(entry.linkAddress, payload, payloadLength);
            entry.linkAddressLength = static_cast<uint8_t>(payloadLength);
        }
        const size_t step = RTA_ALIGN(attribute.rta_len);
        if (step >= static_cast<size_t>(remaining)) break;
        remaining -= static_cast<int>(step);
        cursor += step;
    }
    return haveAddress;
}

} // namespace

NeighbourDumpStep ParseNeighbourDump(const void* data, size_t length, uint32_t sequence,
                                     std::vector<NeighbourEntry>& entries) {
    if (data == nullptr || length > kReceiveBufferSize) return NeighbourDumpStep::Failed;
    // Copied so that every header is read from aligned storage, whatever the caller's buffer.
    std::vector<uint8_t> copy(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    const uint8_t* cursor = copy.data();
    size_t remaining = length;
    while (MessageFits(reinterpret_cast<const nlmsghdr*>(cursor), remaining)) {
        const auto* message = reinterpret_cast<const nlmsghdr*>(cursor);
        if (message->nlmsg_seq == sequence) {
            if (message->nlmsg_flags & NLM_F_DUMP_INTR) return NeighbourDumpStep::Failed;
            if (message->nlmsg_type == NLMSG_DONE) return NeighbourDumpStep::Done;
            if (message->nlmsg_type == NLMSG_ERROR) return NeighbourDumpStep::Failed;
            if (message->nlmsg_type == RTM_NEWNEIGH) {
                if (message->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg))) return NeighbourDumpStep::Failed;
                ndmsg header;
                std::memcpy(&header, NLMSG_DATA(message), sizeof header);
                const uint8_t* attributes = cursor + NLMSG_LENGTH(NLMSG_ALIGN(sizeof(ndmsg)));
                const size_t attributesEnd = message->nlmsg_len;
                const size_t attributesStart = NLMSG_LENGTH(NLMSG_ALIGN(sizeof(ndmsg)));
                NeighbourEntry entry;
                if (header.ndm_family == AF_INET && attributesEnd >= attributesStart &&
                    ReadEntry(&header, attributes, attributesEnd - attributesStart, entry)) {
                    entries.push_back(entry);
                }
            }
        }
        const size_t step = NLMSG_ALIGN(message->nlmsg_len);
        if (step >= remaining) break;
        remaining -= step;
        cursor += step;
    }
    return NeighbourDumpStep::More;
}

bool ReadIpv4Neighbours(std::vector<NeighbourEntry>& entries) {
    entries.clear();
    NetlinkSocket socket;
    if (!socket.IsValid()) return false;
    struct {
        nlmsghdr header;
        ndmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = NextSequence();
    request.body.ndm_family = AF_INET;
    if (!socket.Send(&request, sizeof request)) return false;

    std::vector<uint8_t> buffer(kReceiveBufferSize);
    for (;;) {
        ssize_t got = socket.Receive(buffer.data(), buffer.size());
        if (got < 0) break;
        switch (ParseNeighbourDump(buffer.data(), static_cast<size_t>(got), request.header.nlmsg_seq, entries)) {
        case NeighbourDumpStep::More:
            continue;
        case NeighbourDumpStep::Done:
            return true;
        case NeighbourDumpStep::Failed:
            break;
        }
        break;
    }
    entries.clear();
    return false;
}

bool DeleteIpv4Neighbour(uint32_t interfaceIndex, uint32_t address) {
    NetlinkSocket socket;
    if (!socket.IsValid()) return false;
    struct {
        nlmsghdr header;
        ndmsg body;
        rtattr destinationHeader;
        uint32_t destination;
    } request{};
    static_assert(sizeof request == NLMSG_LENGTH(sizeof(ndmsg)) + RTA_LENGTH(sizeof(uint32_t)));
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_DELNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_ACK;
    request.header.nlmsg_seq = NextSequence();
    request.body.ndm_family = AF_INET;
    request.body.ndm_ifindex = static_cast<int>(interfaceIndex);
    request.destinationHeader.rta_type = NDA_DST;
    request.destinationHeader.rta_len = RTA_LENGTH(sizeof(uint32_t));
    request.destination = address;
    if (!socket.Send(&request, sizeof request)) return false;

    // The acknowledgement is an error message whose code is 0 on success.
    alignas(nlmsghdr) uint8_t reply[1024];
    ssize_t got = socket.Receive(reply, sizeof reply);
    if (got < static_cast<ssize_t>(NLMSG_LENGTH(sizeof(nlmsgerr)))) return false;
    const auto* message = reinterpret_cast<const nlmsghdr*>(reply);
    if (!MessageFits(message, static_cast<size_t>(got)) || message->nlmsg_type != NLMSG_ERROR ||
        message->nlmsg_len < NLMSG_LENGTH(sizeof(nlmsgerr))) {
        return false;
    }
    nlmsgerr error;
    std::memcpy(&error, NLMSG_DATA(message), sizeof error);
    return error.error == 0;
}

} // namespace tarnwell
