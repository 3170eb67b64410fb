#include "manager/cli/moment_text.h"

#include <cstdio>

#include "base/error.h"
#include "platform/local_time.h"

namespace orvalo {

ScheduleStamp parseMoment(const std::string& text) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6 || h < 0 || h > 23 ||
        mi < 0 || mi > 59 || s < 0 || s > 59)
        throw Error("'" + text + "' is not a moment of the form YYYY-MM-DD HH:MM:SS");
    try {
        return {((h * 60 + mi) * 60 + s) * 1000, dateOf(y, mo, d)};
    } catch (const Error&) {
        throw Error("'" + text + "' is not a date of the calendar");
    }
}

int parseTimeOfDay(const std::string& text) {
    int h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &mi, &s, &tail) != 3 || h < 0 || h > 23 || mi < 0 || mi > 59 ||
        s < 0 || s > 59)
        throw Error("'" + text + "' is not a time of day of the form HH:MM:SS");
    return ((h * 60 + mi) * 60 + s) * 1000;
}

std::string formatMoment(ScheduleStamp stamp) {
    const LocalDateTime t = toLocalDateTime(stamp);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

CalendarDay calendarDayOf(ScheduleStamp stamp) {
    const CalendarDate d = calendarDate(stamp.date);
    return {d.year, d.month, d.day};
}

}  // namespace orvalo
