// A local moment as a day number (0001-01-01 is day 1) and milliseconds since
// midnight, and the calendar arithmetic on day numbers for the years 1 to 9999.
// Values and pure functions; calendar functions raise OutOfCalendar outside that range.
#pragma once

#include <compare>
#include <cstdint>

#include "platform/clock.h"
#include "platform/local_time.h"

namespace orvalo {

struct ScheduleStamp {
    std::int32_t time = -1;  // milliseconds since local midnight
    std::int32_t date = 0;   // day number; 0 with time -1 is the empty stamp

    static constexpr ScheduleStamp empty() { return {-1, 0}; }
    constexpr bool isEmpty() const { return date == 0 && time == -1; }

    // Stamps order by date, then time.
    constexpr auto operator<=>(const ScheduleStamp& other) const {
        if (auto c = date <=> other.date; c != 0) return c;
        return time <=> other.time;
    }
    constexpr bool operator==(const ScheduleStamp&) const = default;
};

inline constexpr std::int32_t kMillisecondsPerDay = 86'400'000;
inline constexpr std::int32_t kFirstDate = 1;        // 0001-01-01
inline constexpr std::int32_t kLastDate = 3'652'059;  // 9999-12-31

struct CalendarDate {
    int year;
    int month;
    int day;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
// Day number of a calendar date; OutOfCalendar for a year outside 1..9999 or a
// month or day that does not exist.
std::int32_t dateOf(int year, int month, int day);
CalendarDate calendarDate(std::int32_t date);
// ISO weekday: 1 Monday .. 7 Sunday.
int isoWeekday(std::int32_t date);

ScheduleStamp toStamp(const LocalDateTime& t);
LocalDateTime toLocalDateTime(const ScheduleStamp& stamp);
// The clock's now as a local stamp, to the millisecond.
ScheduleStamp nowStamp(const Clock& clock);
// The real moment of a local stamp, through the time zone (a time that a change to
// daylight saving time skips counts as the moment after the gap).
WallTime toWallTime(const ScheduleStamp& stamp);

}  // namespace orvalo
