// Loading an event list into a program's engine and watch table, the same for the
// service and the manager. Every time event becomes an engine item at the position
// equal to its ID, keeps that ID as its event ID, and reads its schedule from
// CFG_SAVE; every file and web event becomes a watch-table row. The record's kind
// (EventKind, from FILE) decides which.
//
// A bad record either stops the loading, raising "Event <ID>: <reason>" (the
// service, whose start then fails), or is passed over and reported as "Event <ID>
// was not loaded: <reason>" (the manager); a time event passed over keeps its place,
// so the positions of the following events hold. With a log, every record is
// written to it as the service's start shows them. The caller holds the list's
// lock; the watch table's lock is taken here.
#pragma once

#include <string>
#include <vector>

#include "eventlist/csv_data_set.h"
#include "execution/condition_watcher.h"
#include "execution/log_file.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

struct EventListLoading {
    enum class BadRecord { Stop, ReportAndSkip };
    BadRecord badRecord = BadRecord::Stop;
    LogFile* log = nullptr;        // the service's record lines, or none
    bool activateEnabled = false;  // start the enabled time events' items at once
    EventCollectionItem::ExecuteHandler onDue;
};

// The list must be open. Returns the reports of records passed over.
std::vector<std::string> loadEventList(CsvDataSet& list, ScheduledEvents& engine, ConditionWatcher& watcher,
                                       const EventListLoading& how);

}  // namespace orvalo
