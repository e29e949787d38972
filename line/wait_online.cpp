#include "line/wait_online.h"

#include "device/step_report.h"
#include "platform/tcp_socket.h"
#include "protocol/command_block.h"
#include "protocol/deadline.h"

#include <algorithm>
#include <thread>

namespace tarnwell::line {

namespace {

// Sleeps until `until`, waking early for a stop.
void NapUntil(const UnitSession& session, Deadline::Clock::time_point until) {
    while (!session.StopRequested() && Deadline::Clock::now() < until)
        std::this_thread::sleep_for(std::min<Deadline::Clock::duration>(until - Deadline::Clock::now(),
                                                                        std::chrono::milliseconds(50)));
}

} // namespace

Outcome WaitUntilOnline(const UnitSession& session, Milliseconds limit, Milliseconds interval) {
    StepReport report(session);
    const Deadline deadline = Deadline::After(limit);
    for (;;) {
        const auto tried = Deadline::Clock::now();
        TcpSocket socket = TcpSocket::Create();
        if (!socket.IsValid()) {
            report.FailQuietly(FailureKind::Socket, {"创建套接字失败", "Create SOCKET Failed!"});
            break;
        }
        if (socket.Connect(session.address, DeviceCommandPort, std::max(Milliseconds(1), std::min(session.limits.connect, deadline.Left()))))
            break;
        socket.Close();
        if (session.StopRequested()) {
            report.Stopped({"等待设备上线已中止", "stopped while waiting for the unit to come online"});
            break;
        }
        if (deadline.Passed()) {
            const std::string seconds = std::to_string((limit.count() + 999) / 1000);
            report.FailQuietly(FailureKind::Connect,
                               {"设备在 " + seconds + " 秒内没有上线(端口 " + std::to_string(DeviceCommandPort) + " 无应答)",
                                "the unit did not come online within " + seconds + " s (no connection on port " +
                                    std::to_string(DeviceCommandPort) + ")"});
            break;
        }
        NapUntil(session, std::min(tried + interval, Deadline::Clock::now() + deadline.Left()));
    }
    return report.Finish();
}

} // namespace tarnwell::line
