#pragma once
// The console fields that are bound to controls: a pull copies the controls
// into them, a push copies them back.
#include "platform/local_date_time.h"

#include <string>

namespace tarnwell {

struct ConsoleBoundFields {
    std::string macText;             // edit 1011
    int autoIncrementMac = 0;        // check box 1036 "Auto Add"
    LocalDateTime deviceDate;        // picker 1032, date part used
    LocalDateTime deviceTime;        // picker 1033, time part used
    std::string biosFilePath;        // edit 1007
    std::string captureFolderText;   // edit 1043
    std::string serialText;          // edit 1046
    std::string webPortText = "80";  // edit 1049
};

} // namespace tarnwell
