#include "device/command_connection.h"

#include "protocol/timed_send.h"

#include <algorithm>
#include <array>
#include <thread>

namespace tarnwell {

CommandConnection::Opened CommandConnection::Open(const char* chineseConnectFailure, Milliseconds wait) {
    wait_ = session_.WithinDeadline(wait);
    socket_ = TcpSocket::Create();
    if (!socket_.IsValid()) {
        report_.FailQuietly(FailureKind::Socket, {"创建套接字失败", "Create SOCKET Failed!"});
        return Opened::NoSocket;
    }
    socket_.CountSentInto(report_.SentCounter());
    if (!socket_.Connect(session_.address, DeviceCommandPort, session_.WithinDeadline(session_.limits.connect))) {
        socket_.Close();
        report_.Fail(FailureKind::Connect, {chineseConnectFailure, "Connect Failed!"});
        return Opened::Failed;
    }
    socket_.SetReceiveLimit(wait_);
    socket_.SetSendLimit(wait_);
    return Opened::Yes;
}

bool CommandConnection::Send(const void* data, size_t length, const Deadline& deadline) {
    return SendBefore(socket_, data, length, deadline);
}

ReplyRead CommandConnection::Answer(const Deadline& deadline) {
    for (;;) {
        ReplyRead read = replies_.Next(deadline);
        if (!read.Complete() || !IsNoEffectKind(read.reply.Kind()) || socket_.PendingBytes() == 0) return read;
    }
}

StepResult CommandConnection::ConfirmDelivery() {
    if (!socket_.ShutdownSend()) return StepResult::Failed;
    const Deadline deadline = Deadline::After(session_.limits.closeWait);
    std::array<uint8_t, 512> sink{};
    for (;;) {
        if (deadline.Passed() || !socket_.WaitReadable(deadline.Left())) return StepResult::Unconfirmed;
        ssize_t got = socket_.ReceiveSome(sink.data(), sink.size());
        if (got == 0) break; // the device closed its side
        if (got < 0) return LastSocketFailure() == SocketFailure::TimedOut ? StepResult::Unconfirmed : StepResult::Failed;
        // Bytes the device sent anyway mean nothing here.
    }
    // A device that closes before our last bytes reached it answers them with
    // a reset; until they are acknowledged the close proves nothing.
    for (;;) {
        if (socket_.PendingError() != 0) return StepResult::Failed;
        auto unacknowledged = socket_.UnacknowledgedBytes();
        if (!unacknowledged || *unacknowledged == 0) break;
        if (deadline.Passed()) return StepResult::Unconfirmed;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return socket_.PendingError() == 0 ? StepResult::Ok : StepResult::Failed;
}

BilingualText DeliveryUnknownReason() {
    return {"设备没有关闭连接,无法确认已收到", "the device kept the connection open: delivery unconfirmed"};
}

} // namespace tarnwell
