#pragma once
// Sending against one deadline for all of it, however many send calls it
// takes: a device that stalls after a megabyte cannot stretch the step.
#include "protocol/deadline.h"

#include <cstddef>

namespace tarnwell {

class TcpSocket;

// Every byte before `deadline`, or false.
bool SendBefore(TcpSocket& connection, const void* data, size_t length, const Deadline& deadline);

} // namespace tarnwell
