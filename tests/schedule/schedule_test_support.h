// Shared helpers of the schedule tests: stamps from calendar values.
#pragma once

#include "schedule/schedule.h"

namespace orvalo::test {

inline ScheduleStamp at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0) {
    return {((hour * 60 + minute) * 60 + second) * 1000 + ms, dateOf(year, month, day)};
}

inline constexpr std::uint32_t hours(int h) { return static_cast<std::uint32_t>(h) * 3'600'000u; }

}  // namespace orvalo::test
