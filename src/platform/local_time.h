// Local calendar time and the user's date and time formats: the short date is the
// LC_TIME locale's %x, the long time its %X. A LocalTimeFormat owns its own locale
// object, so formatting is thread-safe and independent of setlocale().
#pragma once

#include <ctime>
#include <locale.h>
#include <string>

#include "platform/clock.h"

namespace orvalo {

struct LocalDateTime {
    int year = 1;  // 1..9999
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && millisecond == 0; }
};

// The wall time as local calendar time in the process's time zone.
LocalDateTime toLocalDateTime(WallTime t);
// The calendar fields as the C library takes them (daylight saving time unknown).
std::tm toTm(const LocalDateTime& t);

class LocalTimeFormat {
public:
    // Uses the LC_TIME locale of the environment (LC_ALL, LC_TIME, LANG), or C.
    LocalTimeFormat();
    // Uses the named locale; raises Error when the system does not have it.
    explicit LocalTimeFormat(const std::string& localeName);
    ~LocalTimeFormat();
    LocalTimeFormat(const LocalTimeFormat&) = delete;
    LocalTimeFormat& operator=(const LocalTimeFormat&) = delete;

    std::string shortDate(const LocalDateTime& t) const;  // %x
    std::string longTime(const LocalDateTime& t) const;   // %X
    // Short date, a blank and long time; the blank and the time are left out at
    // exactly midnight.
    std::string dateTime(const LocalDateTime& t) const;

    // Shared instance for the environment's locale.
    static const LocalTimeFormat& user();

private:
    std::string format(const char* pattern, const LocalDateTime& t) const;
    locale_t locale_;
};

}  // namespace orvalo
