#include "web/serial_setting.h"

#include <cctype>
#include <climits>

namespace tarnwell {

std::string BuildSerialPath(const std::string& serialText) {
    return "/cgi-bin/setparm.cgi?Serial=" + serialText;
}

SerialRefusal CheckSerialText(const std::string& serialText, const std::string& host) {
    for (unsigned char byte : serialText) {
        if (byte < 0x20 || byte == 0x7F) return SerialRefusal::ControlCharacter;
    }
    const size_t requestSize = BuildHttpGetRequest(host, BuildSerialPath(serialText)).size();
    if (requestSize + 1 > kHttpBufferSize) return SerialRefusal::TooLong;
    return SerialRefusal::None;
}

BilingualText SerialRefusalMessage(SerialRefusal refusal) {
    switch (refusal) {
    case SerialRefusal::TooLong:
        return {"序列号太长!", "Serial is too long!"};
    case SerialRefusal::ControlCharacter:
        return {"序列号含有非法字符!", "Serial contains invalid characters!"};
    case SerialRefusal::None:
        break;
    }
    return {};
}

int WebPortFromText(const std::string& webPortText) {
    size_t at = 0;
    while (at < webPortText.size() && std::isspace(static_cast<unsigned char>(webPortText[at]))) ++at;
    bool negative = false;
    if (at < webPortText.size() && (webPortText[at] == '+' || webPortText[at] == '-')) {
        negative = webPortText[at] == '-';
        ++at;
    }
    long long value = 0;
    for (; at < webPortText.size() && std::isdigit(static_cast<unsigned char>(webPortText[at])); ++at) {
        value = value * 10 + (webPortText[at] - '0');
        if (value > INT_MAX) value = INT_MAX + 1LL;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

SerialOutcome SendSerial(const std::string& deviceAddressText, const std::string& webPortText,
                         const std::string& serialText, const HttpLimits& limits) {
    if (CheckSerialText(serialText, deviceAddressText) != SerialRefusal::None) return SerialOutcome::Refused;
    TcpSocket socket = ConnectWithTimeout(deviceAddressText, WebPortFromText(webPortText), limits);
    if (!socket.IsValid()) return SerialOutcome::ConnectFailed;
    char buffer[kHttpBufferSize];
    int result = HttpGet(socket, deviceAddressText, BuildSerialPath(serialText), buffer, sizeof buffer, limits);
    socket.Close();
    return result == 0 ? SerialOutcome::Succeeded : SerialOutcome::SetFailed;
}

BilingualText SerialConnectFailedMessage() { return {"连接失败 1!", "Connect Failed!"}; }

BilingualText SerialSetFailedMessage() { return {"设置失败 CGI", "Set fail cgi"}; }

} // namespace tarnwell
