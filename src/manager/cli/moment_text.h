// Moments and times of day as orvaloctl reads and prints them.
#pragma once

#include <string>

#include "manager/core/time_event_form.h"
#include "schedule/schedule_stamp.h"

namespace orvalo {

// "YYYY-MM-DD HH:MM:SS"; Error naming the expected form otherwise.
ScheduleStamp parseMoment(const std::string& text);
// "HH:MM:SS" as milliseconds of the day.
int parseTimeOfDay(const std::string& text);
// "YYYY-MM-DD HH:MM:SS.zzz"
std::string formatMoment(ScheduleStamp stamp);
CalendarDay calendarDayOf(ScheduleStamp stamp);

}  // namespace orvalo
