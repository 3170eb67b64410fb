#include "schedule/schedule_stamp.h"

#include <chrono>
#include <ctime>

#include "schedule/schedule_error.h"

namespace orvalo {

namespace {
// Day number of 1970-01-01, so day numbers and std::chrono::sys_days differ by it.
constexpr std::int32_t kUnixEpochDate = 719'163;
}  // namespace

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) throw OutOfCalendar();
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::int32_t dateOf(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        throw OutOfCalendar();
    using namespace std::chrono;
    const sys_days days{std::chrono::year{year} / static_cast<unsigned>(month) / static_cast<unsigned>(day)};
    return static_cast<std::int32_t>(days.time_since_epoch().count()) + kUnixEpochDate;
}

CalendarDate calendarDate(std::int32_t date) {
    if (date < kFirstDate || date > kLastDate) throw OutOfCalendar();
    using namespace std::chrono;
    const year_month_day ymd{sys_days{days{date - kUnixEpochDate}}};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

int isoWeekday(std::int32_t date) {
    const int r = static_cast<int>((static_cast<std::int64_t>(date) - 1) % 7);
    return (r < 0 ? r + 7 : r) + 1;
}

ScheduleStamp toStamp(const LocalDateTime& t) {
    return {((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond, dateOf(t.year, t.month, t.day)};
}

LocalDateTime toLocalDateTime(const ScheduleStamp& stamp) {
    const CalendarDate d = calendarDate(stamp.date);
    const std::int32_t ms = stamp.time < 0 ? 0 : stamp.time % kMillisecondsPerDay;
    return {d.year, d.month, d.day, ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000};
}

WallTime toWallTime(const ScheduleStamp& stamp) {
    const LocalDateTime t = toLocalDateTime(stamp);
    std::tm tm = toTm(t);
    const std::time_t seconds = std::mktime(&tm);
    return std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(t.millisecond);
}

ScheduleStamp nowStamp(const Clock& clock) { return toStamp(orvalo::toLocalDateTime(clock.now())); }

}  // namespace orvalo
