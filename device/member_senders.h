#pragma once
// The three senders the firmware upgrade and the picture update share. Each
// says its own failure; the first two let the caller go on to its next step,
// which then fails in turn.
#include "device/step_report.h"
#include "protocol/deadline.h"

#include <cstddef>
#include <cstdint>

namespace tarnwell {

class TcpSocket;
class CommandConnection;

void SendCmdReadyUpgrade(TcpSocket& connection, StepReport& report);
void SendFileAttr(TcpSocket& connection, StepReport& report, uint32_t type, uint32_t size);
// In chunks of 1500 bytes, the observer's progress moving from 0 to 100, all
// of it before `deadline`; true when every byte went out.
bool SendFile(TcpSocket& connection, StepReport& report, OperationObserver& observer, const uint8_t* data,
              size_t length, const Deadline& deadline);

void SendCmdReadyUpgrade(CommandConnection& connection, StepReport& report);
void SendFileAttr(CommandConnection& connection, StepReport& report, uint32_t type, uint32_t size);
bool SendFile(CommandConnection& connection, StepReport& report, const uint8_t* data, size_t length,
              const Deadline& deadline);

} // namespace tarnwell
