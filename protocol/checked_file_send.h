#pragma once
// SendFile that also says whether it got through: an operation that reads no
// answer afterwards has no other way to learn that the device went away.
#include <cstddef>
#include <cstdint>

namespace tarnwell {

class OperatorConsole;
class TcpSocket;

// Sends `data` in chunks of at most 1500 bytes, moving the console's progress
// bar, exactly as OperatorConsole::SendFile does, and shows the same text once
// on a failed send. True when every byte was handed to the connection.
bool SendFileChecked(OperatorConsole& console, TcpSocket& connection, const std::uint8_t* data,
                     std::size_t length);

} // namespace tarnwell
