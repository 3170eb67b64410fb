// The names of the schedule's enumerations as the schedule text stores them.
// Parsing ignores letter case and returns nullopt for an unknown name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "schedule/schedule.h"

namespace orvalo {

std::string recurringKindName(ScheduleRecurringKind kind);
std::string endKindName(ScheduleEndKind kind);
std::string weekDayName(ScheduleWeekDay day);
std::string indexKindName(ScheduleIndexKind kind);

std::optional<ScheduleRecurringKind> parseRecurringKind(std::string_view name);
std::optional<ScheduleEndKind> parseEndKind(std::string_view name);
std::optional<ScheduleWeekDay> parseWeekDay(std::string_view name);
std::optional<ScheduleIndexKind> parseIndexKind(std::string_view name);

}  // namespace orvalo
