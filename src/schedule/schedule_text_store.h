// The schedule of a time event as text: header lines that open a group and
// "Key = value" lines, each ending in CR LF. The event list keeps this text in the
// CFG_SAVE field. Reading is lenient about blank lines, spaces and letter case, and
// strict about order. Pure functions plus the item-level read and write, which
// check that the item is not active and leave it unchanged on any error.
//
// Errors: ComponentError ("Incorrect structure found", "Incorrect identifier found",
// "Unknown identifier '%s'.", the item state messages), ConvertError ("'%s' is not a
// valid integer value", "Invalid argument to date encode") and the ScheduleError of
// a value the schedule refuses.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "schedule/schedule.h"

namespace orvalo {

class EventCollectionItem;

std::string scheduleToText(const Schedule& schedule);
// A new schedule (as made on clock) with the settings the text gives.
Schedule scheduleFromText(std::string_view text, const Clock& clock);

// Appends the item's schedule to out. The item must be stopped, paused or ended.
void writeSchedule(const EventCollectionItem& item, std::string& out);
// Gives the item the schedule of the text, with fresh counters. The item must be
// stopped or ended; on any error it keeps the schedule it had.
void readSchedule(EventCollectionItem& item, std::string_view text);

}  // namespace orvalo
