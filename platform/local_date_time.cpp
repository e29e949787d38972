#include "platform/local_date_time.h"

#include <ctime>

namespace tarnwell {

LocalDateTime LocalDateTime::Now() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    LocalDateTime value;
    value.year = local.tm_year + 1900;
    value.month = local.tm_mon + 1;
    value.day = local.tm_mday;
    value.hour = local.tm_hour;
    value.minute = local.tm_min;
    value.second = local.tm_sec;
    return value;
}

} // namespace tarnwell
