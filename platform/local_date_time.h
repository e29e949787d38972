#pragma once
// A moment on this computer's clock, in its local time zone.
namespace tarnwell {

struct LocalDateTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    bool valid = true;

    static LocalDateTime Now();
};

} // namespace tarnwell
