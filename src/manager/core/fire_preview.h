// The fire times an event's schedule would give if the event were activated at a
// moment: activation with every missed trigger counted, then each fire's next one,
// as the engine computes them. Works on a copy; nothing is stored.
#pragma once

#include <vector>

#include "schedule/schedule.h"

namespace orvalo {

std::vector<ScheduleStamp> upcomingFires(const Schedule& schedule, ScheduleStamp activatedAt, int count);

}  // namespace orvalo
