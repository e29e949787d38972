#include "protocol/reply_reader.h"

#include "platform/tcp_socket.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tarnwell {

namespace {

// Kind, value and flag: all a reply other than a query answer carries.
constexpr size_t kMeaningfulBytes = 9;
constexpr size_t kTextOffset = 32;

ReplyEnd EndOfFailedReceive(ssize_t got) {
    if (got == 0) return ReplyEnd::Closed;
    return LastSocketFailure() == SocketFailure::TimedOut ? ReplyEnd::TimedOut : ReplyEnd::Reset;
}

} // namespace

size_t MeaningfulReplyLength(const uint8_t* bytes, size_t available) {
    if (available == 0) return 0;
    if (bytes[0] != ReplyQueryAnswer) return available >= kMeaningfulBytes ? kMeaningfulBytes : 0;
    // A query answer's text runs to its NUL, or to the end of the reply.
    for (size_t at = kTextOffset; at < std::min(available, kDeviceReplyMax); ++at)
        if (bytes[at] == 0) return at + 1;
    return available >= kDeviceReplyMax ? kDeviceReplyMax : 0;
}

ReplyRead ReplyReader::Next(const Deadline& deadline) {
    ReplyRead read;
    uint8_t* bytes = read.reply.bytes.data();
    size_t have = 0;
    size_t meaningful = 0;
    std::array<uint8_t, kDeviceReplyMax> waiting{};
    while (meaningful == 0 || have < meaningful) {
        if (deadline.Passed() || !connection_.WaitReadable(deadline.Left())) {
            read.end = ReplyEnd::TimedOut;
            break;
        }
        ssize_t peeked = connection_.PeekSome(waiting.data(), kDeviceReplyMax - have);
        if (peeked <= 0) {
            uint8_t byte = 0;
            read.end = EndOfFailedReceive(connection_.ReceiveSome(&byte, 1));
            break;
        }
        size_t take = static_cast<size_t>(peeked);
        if (have == 0 && fillOwed_ > 0) {
            size_t zeros = 0;
            while (zeros < take && zeros < fillOwed_ && waiting[zeros] == 0) ++zeros;
            if (zeros > 0) {
                connection_.ReceiveSome(waiting.data(), zeros);
                fillOwed_ -= zeros;
                continue;
            }
        }
        fillOwed_ = 0;
        std::memcpy(bytes + have, waiting.data(), take);
        meaningful = MeaningfulReplyLength(bytes, have + take);
        if (meaningful != 0) take = meaningful - have;
        ssize_t got = connection_.ReceiveSome(bytes + have, take);
        if (got <= 0) {
            read.end = EndOfFailedReceive(got);
            break;
        }
        have += static_cast<size_t>(got);
    }
    std::memset(bytes + have, 0, read.reply.bytes.size() - have);
    if (read.end != ReplyEnd::Complete) {
        read.reply.received = static_cast<long>(have);
        return read;
    }

    // The zero fill of the 128 bytes as far as it is already here. Only
    // zeros: a terse reply may be followed at once by the next reply or a
    // picture, whose first byte is never zero.
    size_t room = kDeviceReplyMax - have;
    if (room > 0 && connection_.PendingBytes() > 0) {
        ssize_t peeked = connection_.PeekSome(waiting.data(), room);
        size_t tail = 0;
        while (peeked > 0 && tail < static_cast<size_t>(peeked) && waiting[tail] == 0) ++tail;
        if (tail > 0) {
            ssize_t got = connection_.ReceiveSome(bytes + have, tail);
            if (got > 0) have += static_cast<size_t>(got);
        }
    }
    fillOwed_ = kDeviceReplyMax - have;
    read.reply.received = static_cast<long>(have);
    return read;
}

bool ReplyReader::OnlyNoEffectRepliesFollow(const Deadline& deadline) {
    // What came with the reply, within its 128 bytes, is the reply's own
    // (padding that is not zero, or a terse device's next reply in the
    // same write): nobody reads it.
    const size_t withReply = std::min(connection_.PendingBytes(), fillOwed_);
    if (withReply > 0) {
        std::array<uint8_t, kDeviceReplyMax> sink{};
        ssize_t got = connection_.ReceiveSome(sink.data(), withReply);
        if (got > 0) fillOwed_ -= static_cast<size_t>(got);
    }
    for (;;) {
        if (connection_.PendingBytes() == 0) return true;
        uint8_t next = 0;
        if (connection_.PeekSome(&next, 1) != 1) return true;
        if (!IsNoEffectKind(next)) return false;
        if (!Next(deadline).Complete()) return true;
    }
}

size_t ReplyReader::DiscardPending() {
    size_t dropped = 0;
    std::array<uint8_t, 4096> sink{};
    while (connection_.PendingBytes() > 0) {
        ssize_t got = connection_.ReceiveSome(sink.data(), std::min(sink.size(), connection_.PendingBytes()));
        if (got <= 0) break;
        dropped += static_cast<size_t>(got);
    }
    fillOwed_ = fillOwed_ > dropped ? fillOwed_ - dropped : 0;
    return dropped;
}

ssize_t ReplyReader::ReceiveFollowing(uint8_t* buffer, size_t length) {
    for (;;) {
        ssize_t got = connection_.ReceiveSome(buffer, length);
        if (got <= 0 || fillOwed_ == 0) return got;
        size_t zeros = 0;
        while (zeros < static_cast<size_t>(got) && zeros < fillOwed_ && buffer[zeros] == 0) ++zeros;
        if (zeros < static_cast<size_t>(got)) {
            fillOwed_ = 0;
            std::memmove(buffer, buffer + zeros, static_cast<size_t>(got) - zeros);
            return got - static_cast<ssize_t>(zeros);
        }
        fillOwed_ -= zeros;
    }
}

} // namespace tarnwell
