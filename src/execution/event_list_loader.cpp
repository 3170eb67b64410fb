#include "execution/event_list_loader.h"

#include "base/text.h"
#include "eventlist/event_record.h"
#include "execution/watch_row_loading.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

void logRecord(const CsvDataSet& list, LogFile& log) {
    log.writeLog("* " + list.value("ID") + ":" + list.value("NAME") + ":" + list.value("DATE"));
    log.writeLog(" Command:" + list.value("COMMANDLINE") + " State:" + list.value("STATE") + " Active:" +
                 list.value("ACTIVE"));
    log.writeLog(" Kill after mins:" + list.value("KILL_AFTER_MINS"));
}

// The record's kind; a FILE that is no number at all is an error of the record.
std::optional<EventKind> kindOf(const CsvDataSet& list) {
    const std::string file = list.value("FILE");
    toInteger(file);  // ConvertError "'x' is not a valid integer value"
    return eventKindOf(file);
}

class Loader {
public:
    Loader(CsvDataSet& list, const EventListLoading& how) : list_(list), how_(how) {}

    // Runs step for the current record under the bad-record policy; false when the
    // record was passed over.
    template <typename Step>
    bool forRecord(Step step) {
        try {
            step();
            return true;
        } catch (const Error& e) {
            if (how_.badRecord == EventListLoading::BadRecord::Stop)
                throw Error("Event " + list_.value("ID") + ": " + e.what());
            reports_.push_back("Event " + list_.value("ID") + " was not loaded: " + e.what());
            return false;
        }
    }
    std::vector<std::string> reports() { return std::move(reports_); }

private:
    CsvDataSet& list_;
    const EventListLoading& how_;
    std::vector<std::string> reports_;
};

void loadTimeEvent(CsvDataSet& list, ScheduledEvents& engine, const EventListLoading& how) {
    const std::int64_t id = toInteger(list.value("ID"));
    if (how.log) logRecord(list, *how.log);
    const std::string schedule = scheduleTextFromField(list.value("CFG_SAVE"));
    if (id < 0 || id > engine.events().count()) throw Error("List index out of bounds (" + std::to_string(id) + ")");
    EventCollectionItem& item = engine.events().insert(static_cast<int>(id));
    item.deactivate();
    item.setEventId(id);
    item.setName(list.value("NAME"));
    item.setCountMissedEvents(true);
    item.setOnExecute(how.onDue);
    try {
        readSchedule(item, schedule);
    } catch (...) {
        // Stopping: no half-made item stays. Passing over: the item keeps the place.
        if (how.badRecord == EventListLoading::BadRecord::Stop) engine.events().deleteItem(static_cast<int>(id));
        throw;
    }
    if (how.activateEnabled && list.value("ACTIVE") == kActiveEnabled) item.activate();
}

}  // namespace

std::vector<std::string> loadEventList(CsvDataSet& list, ScheduledEvents& engine, ConditionWatcher& watcher,
                                       const EventListLoading& how) {
    Loader loader(list, how);
    if (how.log) how.log->writeLog(">> All events for scheduler: " + std::to_string(list.recordCount()));
    // Time events first, then the watch table, as the service's start log shows them.
    for (list.first(); !list.eof(); list.next()) {
        std::optional<EventKind> kind;
        if (!loader.forRecord([&] { kind = kindOf(list); }) || kind != EventKind::Time) continue;
        loader.forRecord([&] { loadTimeEvent(list, engine, how); });
    }
    std::lock_guard rows(watcher.lock());
    const LocalMoment now = watcher.now();
    for (list.first(); !list.eof(); list.next()) {
        const std::optional<EventKind> kind = eventKindOf(list.value("FILE"));
        if (kind != EventKind::File && kind != EventKind::Web) continue;
        loader.forRecord([&] {
            if (how.log) {
                logRecord(list, *how.log);
                // Fixed lines of the service's start log: the kind of check, then "3".
                how.log->writeLog(list.value("F_EXIST") == "1" || list.value("FILENAME").empty() ? "1" : "2");
                how.log->writeLog("3");
            }
            watcher.rows().push_back(watchRowFromRecord(list, now));
        });
    }
    return loader.reports();
}

}  // namespace orvalo
