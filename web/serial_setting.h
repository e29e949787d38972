#pragma once
// Setting a device's serial number through its web CGI. The console handler
// reads its fields, checks the text, purges the ARP entry and calls SendSerial.
#include <string>

#include "text/bilingual_text.h"
#include "web/http_cgi_client.h"

namespace tarnwell {

// "/cgi-bin/setparm.cgi?Serial=" followed by the text exactly as typed.
std::string BuildSerialPath(const std::string& serialText);

enum class SerialRefusal {
    None,
    TooLong,           // the request would not fit the request buffer
    ControlCharacter,  // CR, LF or another control byte would break the request
};

// Checks a non-empty serial text before anything goes out. `host` is the
// device address text that goes in the Host line. Blanks and "&" are fine.
SerialRefusal CheckSerialText(const std::string& serialText, const std::string& host);

// What the operator is told about a refusal (only meaningful for a refusal).
BilingualText SerialRefusalMessage(SerialRefusal refusal);

// The web port as the C library's atoi reads it: leading blanks, a sign,
// digits; no digits give 0. Saturates instead of overflowing.
int WebPortFromText(const std::string& webPortText);

enum class SerialOutcome { Refused, ConnectFailed, SetFailed, Succeeded };

// Connects to the device's web port, requests the serial path and closes.
// Refused without connecting when CheckSerialText refuses.
SerialOutcome SendSerial(const std::string& deviceAddressText, const std::string& webPortText,
                         const std::string& serialText, const HttpLimits& limits = {});

// Messages for the two failures of SendSerial.
BilingualText SerialConnectFailedMessage();
BilingualText SerialSetFailedMessage();

} // namespace tarnwell
