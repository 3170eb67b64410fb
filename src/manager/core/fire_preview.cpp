#include "manager/core/fire_preview.h"

#include <cstdio>

namespace orvalo {

std::vector<ScheduleStamp> upcomingFires(const Schedule& schedule, ScheduleStamp activatedAt, int count) {
    Schedule copy = schedule;
    std::vector<ScheduleStamp> fires;
    copy.clearCounters();
    ScheduleStamp next = copy.nextTriggerFrom(activatedAt, true);
    while (!next.isEmpty() && static_cast<int>(fires.size()) < count) {
        fires.push_back(next);
        // The engine computes the next fire time when the item fires, at its due moment.
        next = copy.nextTriggerFrom(next, true);
    }
    return fires;
}

}  // namespace orvalo

namespace orvalo {

namespace {
std::string moment(ScheduleStamp stamp) {
    const LocalDateTime t = toLocalDateTime(stamp);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}
}  // namespace

std::string whyNoFire(const Schedule& schedule, ScheduleStamp activatedAt) {
    if (schedule.recurringType() == srkOneShot)
        return "it is a one-shot event whose moment, " + moment(schedule.startDate()) + ", has passed";
    switch (schedule.endType()) {
        case sekDate:
            return "its end, " + moment(schedule.endDate()) + ", has passed";
        case sekTriggerCount:
            return "its " + std::to_string(schedule.endCount()) + " events since its start, " +
                   moment(schedule.startDate()) + ", have all fallen due";
        case sekDayCount:
            return "its " + std::to_string(schedule.endCount()) + " days since its start, " +
                   moment(schedule.startDate()) + ", have passed";
        default:
            return "its schedule gives no moment after " + moment(activatedAt);
    }
}

}  // namespace orvalo
