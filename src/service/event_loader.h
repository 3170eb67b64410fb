// Loading of the service's event list: every time event becomes an engine item at
// the position equal to its ID, with its schedule read from CFG_SAVE and started
// when enabled; every file and web event becomes a watch-table row. Every record
// read is written to the service log. Runs on the main thread with the list lock
// held for each pass, so runs that start meanwhile wait for the pass to end.
// Errors end the loading; they carry the message of the failing step, prefixed with
// the event's ID.
#pragma once

#include "execution/condition_watcher.h"
#include "execution/event_list_access.h"
#include "execution/log_file.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

void loadSched(CsvDataSet& list, SharedEventList& access, ScheduledEvents& engine, ConditionWatcher& watcher,
               LogFile& log, const EventCollectionItem::ExecuteHandler& onExecute);

}  // namespace orvalo
