// The fire times an event's schedule would give if the event were activated at a
// moment: activation with every missed trigger counted, then each fire's next one,
// as the engine computes them. Works on a copy; nothing is stored.
#pragma once

#include <string>
#include <vector>

#include "schedule/schedule.h"

namespace orvalo {

std::vector<ScheduleStamp> upcomingFires(const Schedule& schedule, ScheduleStamp activatedAt, int count);

// Why a schedule activated at the moment gives no fire time: its one-shot moment
// has passed, its end date has passed, its end count or day count is used up.
std::string whyNoFire(const Schedule& schedule, ScheduleStamp activatedAt);

}  // namespace orvalo
