#include "manager/core/fire_preview.h"

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
