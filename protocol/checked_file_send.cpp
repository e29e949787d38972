#include "protocol/checked_file_send.h"

#include "app/operator_console.h"
#include "platform/tcp_socket.h"

#include <algorithm>

namespace tarnwell {

bool SendFileChecked(OperatorConsole& console, TcpSocket& connection, const std::uint8_t* data,
                     std::size_t length) {
    constexpr std::size_t kChunk = 1500;
    std::size_t sent = 0;
    int shownPosition = -1;
    do {
        const std::size_t chunk = std::min(length - sent, kChunk);
        if (chunk == 0 || !connection.SendAll(data + sent, chunk)) {
            console.ShowBilingualMessage("发送数据失败!", "SendFile Send data error");
            return false;
        }
        sent += chunk;
        const int position = static_cast<int>(static_cast<std::uint64_t>(sent) * 100 / length);
        // Only a change of position crosses to the UI thread.
        if (position != shownPosition) {
            console.Ui().SetProgress(position);
            shownPosition = position;
        }
    } while (sent < length);
    return true;
}

} // namespace tarnwell
