#include "manager/core/schedule_description.h"

#include <cstdio>

namespace orvalo {

namespace {

constexpr const char* kWeekdays[] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kKinds[] = {"day",       "weekday",   "weekend day", "Monday",   "Tuesday",
                                  "Wednesday", "Thursday",  "Friday",      "Saturday", "Sunday"};

std::string clock(std::int64_t ms) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
                  static_cast<int>(ms / 1000 % 60));
    std::string out = text;
    if (ms % 1000 != 0) {
        std::snprintf(text, sizeof text, ".%03d", static_cast<int>(ms % 1000));
        out += text;
    }
    return out;
}

std::string moment(ScheduleStamp stamp) {
    try {
        const CalendarDate d = calendarDate(stamp.date);
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", d.year, d.month, d.day);
        return std::string(text) + " " + clock(stamp.time);
    } catch (const std::exception&) {
        return "(no date)";
    }
}

std::string every(std::uint32_t n, const char* one, const char* many) {
    return n == 1 ? std::string("every ") + one : "every " + std::to_string(n) + " " + many;
}

std::string interval(std::uint32_t ms) {
    if (ms % 3'600'000 == 0) return every(ms / 3'600'000, "hour", "hours");
    if (ms % 60'000 == 0) return every(ms / 60'000, "minute", "minutes");
    if (ms % 1000 == 0) return every(ms / 1000, "second", "seconds");
    return every(ms, "millisecond", "milliseconds");
}

std::string ordinal(std::int32_t n) {
    if (n == -1) return "last";
    if (n < -1) return std::to_string(-n) + ". from the end";
    static constexpr const char* kNames[] = {"", "first", "second", "third", "fourth"};
    return n <= 4 ? kNames[n] : std::to_string(n) + ".";
}

std::string whichDay(const MonthlySchedule& part) {
    if (part.indexKind() == sikNone) return "day " + std::to_string(part.day());
    return "the " + ordinal(part.indexValue()) + " " + kKinds[part.indexKind() - 1];
}

}  // namespace

std::string describeSchedule(const Schedule& constSchedule) {
    Schedule& s = const_cast<Schedule&>(constSchedule);  // read through the parts only
    std::string text;
    switch (s.recurringType()) {
        case srkOneShot:
            return "once, at " + moment(s.startDate());
        case srkDaily:
            text = s.daily().everyWeekDay() ? "every weekday" : every(s.daily().interval(), "day", "days");
            break;
        case srkWeekly: {
            text = every(s.weekly().interval(), "week", "weeks") + " on";
            const char* separator = " ";
            for (int day = 0; day < 7; ++day) {
                if ((s.weekly().daysOfWeek() >> day) & 1) {
                    text += separator;
                    text += kWeekdays[day];
                    separator = ", ";
                }
            }
            break;
        }
        case srkMonthly:
            text = whichDay(s.monthly()) + " of " + every(s.monthly().interval(), "month", "months");
            break;
        case srkYearly:
            text = whichDay(s.yearly()) + " of " + kMonths[s.yearly().month() - 1] + ", " +
                   every(s.yearly().interval(), "year", "years");
            break;
        default:
            return "never (unknown recurrence)";
    }
    const auto freq = s.dailyFreq();
    if (freq.startTime() == freq.endTime()) text += ", once at " + clock(freq.startTime());
    else
        text += ", " + interval(freq.interval()) + " from " + clock(freq.startTime()) + " to " + clock(freq.endTime());
    text += "; from " + moment(s.startDate()) + "; ";
    switch (s.endType()) {
        case sekDate: return text + "until " + moment(s.endDate());
        case sekTriggerCount: return text + "ends after " + std::to_string(s.endCount()) + " runs";
        case sekDayCount: return text + "ends after " + std::to_string(s.endCount()) + " days";
        default: return text + "no end";
    }
}

}  // namespace orvalo
