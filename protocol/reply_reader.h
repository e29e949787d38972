#pragma once
// Reads a device's replies by what they carry, not by a pause. A reply is
// complete once its meaningful bytes are in: kind, value and flag (9 bytes),
// or for a query answer its text up to the NUL. The zero fill behind them,
// up to the reply's 128 bytes, is taken when it is already there and skipped
// when it comes later, so neither a terse device nor one that pauses inside a
// reply costs a fixed wait, and no late fill passes for the next reply.
#include "protocol/deadline.h"
#include "protocol/device_reply.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace tarnwell {

class TcpSocket;

enum class ReplyEnd {
    Complete,
    Closed,   // the device closed the connection first (what came is in the reply)
    Reset,    // the connection failed or was reset
    TimedOut, // the deadline passed first
};

struct ReplyRead {
    DeviceReply reply;
    ReplyEnd end = ReplyEnd::Complete;
    bool Complete() const { return end == ReplyEnd::Complete; }
};

// How many of `available` bytes make the reply whose first bytes they are;
// 0 when more must arrive to tell.
size_t MeaningfulReplyLength(const uint8_t* bytes, size_t available);

class ReplyReader {
public:
    explicit ReplyReader(TcpSocket& connection) : connection_(connection) {}

    // One reply, waited for until `deadline`.
    ReplyRead Next(const Deadline& deadline);
    // Throws away what has arrived and waits to be read: nothing that came
    // before a command can answer it. Returns how many bytes went.
    size_t DiscardPending();
    // After a reply: drops what came within its 128 bytes and the replies
    // without effect behind it; false when other bytes are waiting, which no
    // single reply explains.
    bool OnlyNoEffectRepliesFollow(const Deadline& deadline);
    // One receive of the bytes that follow a reply (a capture's picture),
    // without the fill that reply still owed. As TcpSocket::ReceiveSome.
    ssize_t ReceiveFollowing(uint8_t* buffer, size_t length);

private:
    // Leading zero bytes that may still be fill of the reply before.
    size_t fillOwed_ = 0;
    TcpSocket& connection_;
};

} // namespace tarnwell
