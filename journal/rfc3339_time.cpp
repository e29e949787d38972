#include "journal/rfc3339_time.h"

#include <cctype>
#include <cstdint>
#include <cstdio>

namespace tarnwell {
namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}
    // Exactly `count` digits.
    bool Digits(size_t count, int& value) {
        if (text_.size() - at_ < count) return false;
        value = 0;
        for (size_t i = 0; i < count; ++i) {
            const char c = text_[at_ + i];
            if (!std::isdigit(static_cast<unsigned char>(c))) return false;
            value = value * 10 + (c - '0');
        }
        at_ += count;
        return true;
    }
    bool Take(char c) {
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool TakeNoCase(char c) { return Take(c) || Take(static_cast<char>(std::tolower(static_cast<unsigned char>(c)))); }
    bool AtEnd() const { return at_ == text_.size(); }
    bool AtDigit() const { return at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_])); }

private:
    const std::string& text_;
    size_t at_ = 0;
};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

} // namespace

std::optional<std::string> JournalTimeFromRfc3339(const std::string& text) {
    Reader read(text);
    int year, month, day;
    if (!read.Digits(4, year) || !read.Take('-') || !read.Digits(2, month) || !read.Take('-') || !read.Digits(2, day))
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    int64_t millis = 0;
    int offsetMinutes = 0;
    if (!read.AtEnd()) {
        if (!read.TakeNoCase('T') && !read.Take(' ')) return std::nullopt;
        if (!read.Digits(2, hour) || !read.Take(':') || !read.Digits(2, minute) || !read.Take(':') ||
            !read.Digits(2, second))
            return std::nullopt;
        // 60 is a leap second; the journal's clock never shows one, so it counts as the next second.
        if (hour > 23 || minute > 59 || second > 60) return std::nullopt;
        if (read.Take('.')) {
            if (!read.AtDigit()) return std::nullopt;
            int digits = 0, digit = 0;
            bool finer = false;
            while (read.AtDigit()) {
                read.Digits(1, digit);
                if (digits < 3)
                    millis = millis * 10 + digit;
                else if (digit != 0)
                    finer = true;
                ++digits;
            }
            for (; digits < 3; ++digits) millis *= 10;
            if (finer) ++millis;
        }
        if (!read.TakeNoCase('Z')) {
            const bool ahead = read.Take('+');
            if (!ahead && !read.Take('-')) return std::nullopt;
            int offsetHours, offsetMins;
            if (!read.Digits(2, offsetHours) || !read.Take(':') || !read.Digits(2, offsetMins)) return std::nullopt;
            if (offsetHours > 23 || offsetMins > 59) return std::nullopt;
            offsetMinutes = (ahead ? 1 : -1) * (offsetHours * 60 + offsetMins);
        }
        if (!read.AtEnd()) return std::nullopt;
    }
    const int64_t total = ((DaysFromCivil(year, month, day) * 24 + hour) * 60 + minute - offsetMinutes) * 60000 +
                          int64_t{second} * 1000 + millis;
    const int64_t dayMillis = 86400000;
    const int64_t days = total >= 0 ? total / dayMillis : -((-total + dayMillis - 1) / dayMillis);
    int64_t rest = total - days * dayMillis;
    int utcYear, utcMonth, utcDay;
    CivilFromDays(days, utcYear, utcMonth, utcDay);
    if (utcYear < 0 || utcYear > 9999) return std::nullopt;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utcYear, utcMonth, utcDay,
                  static_cast<int>(rest / 3600000), static_cast<int>(rest / 60000 % 60),
                  static_cast<int>(rest / 1000 % 60), static_cast<int>(rest % 1000));
    return std::string(stamp);
}

} // namespace tarnwell
