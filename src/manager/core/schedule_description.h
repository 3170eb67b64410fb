// A schedule in words, for people reading orvaloctl's output, for example
// "every weekday, every hour from 08:00:00 to 17:00:00; from 2026-12-01 08:00:00; no end".
#pragma once

#include <string>

#include "schedule/schedule.h"

namespace orvalo {

std::string describeSchedule(const Schedule& schedule);

}  // namespace orvalo
