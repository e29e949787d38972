#pragma once
// One connection to a unit's command port, as one operation uses it: the
// connect with the operation's own failure text, sends bound by a deadline,
// replies read by what they carry, and the evidence that a command the device
// never answers was taken.
#include "device/step_report.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"
#include "protocol/deadline.h"
#include "protocol/reply_reader.h"

#include <string>

namespace tarnwell {

class CommandConnection {
public:
    CommandConnection(const UnitSession& session, StepReport& report)
        : session_(session), report_(report), replies_(socket_) {}

    enum class Opened { Yes, NoSocket, Failed };
    // Creates the socket and connects, every later wait bounded by `wait`. A
    // failed connect is said ("Connect Failed!" with the Chinese text given)
    // and fails the report; a socket that cannot be created fails it quietly.
    Opened Open(const char* chineseConnectFailure, Milliseconds wait);
    bool Open(const char* chineseConnectFailure) { return Open(chineseConnectFailure, session_.limits.reply) == Opened::Yes; }

    // Every byte or false; nothing is said. A send blocked past `deadline` fails.
    bool Send(const void* data, size_t length, const Deadline& deadline);
    bool Send(const CommandBytes& block) { return Send(block.data(), block.size(), Deadline::After(wait_)); }
    bool Send(const CommandBlock& block) { return Send(block.Bytes()); }

    // The next reply that means something: a reply of a kind without effect
    // (16, 177, 209) with more bytes behind it is passed over, until `deadline`.
    ReplyRead Answer(const Deadline& deadline);
    // Drops what arrived unasked, before a command whose answer is awaited.
    void DiscardPending() { replies_.DiscardPending(); }
    ReplyReader& Replies() { return replies_; }

    // For a command the device does not answer: ends our side and waits for
    // the device to close its own after taking every byte. Ok on that
    // evidence, Failed when it reset or the bytes were not taken, Unconfirmed
    // when it kept the connection open past the close wait.
    StepResult ConfirmDelivery();

    Milliseconds Wait() const { return wait_; }
    const UnitSession& Session() const { return session_; }
    TcpSocket& Socket() { return socket_; }
    void Close() { socket_.Close(); }

private:
    const UnitSession& session_;
    StepReport& report_;
    TcpSocket socket_;
    ReplyReader replies_;
    Milliseconds wait_{0};
};

// Shown when a command the device does not answer was cut short or reset.
BilingualText DeliveryUnknownReason();

} // namespace tarnwell
