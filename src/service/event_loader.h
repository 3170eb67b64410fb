// The loading step of the service's start: its list is opened and loaded into the
// engine and the watch table (see event_list_loader.h), every record written to the
// service log, the enabled time events started, and "Service init OK" logged. A
// bad record ends the loading: the error names the event. Runs on the main thread
// with the list lock held, so runs that start meanwhile wait for it.
#pragma once

#include "execution/condition_watcher.h"
#include "execution/event_list_access.h"
#include "execution/log_file.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

void loadServiceList(SharedEventList& list, ScheduledEvents& engine, ConditionWatcher& watcher, LogFile& log,
                     const EventCollectionItem::ExecuteHandler& onDue);

}  // namespace orvalo
