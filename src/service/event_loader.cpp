#include "service/event_loader.h"

#include <algorithm>
#include <climits>

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

// Runs step for the current record; an error names the record's ID.
template <typename Step>
void forRecord(const CsvDataSet& list, Step step) {
    try {
        step();
    } catch (const Error& e) {
        throw Error("Event " + list.value("ID") + ": " + e.what());
    }
}

}  // namespace

void loadSched(CsvDataSet& list, SharedEventList& access, ScheduledEvents& engine, ConditionWatcher& watcher,
               LogFile& log, const EventCollectionItem::ExecuteHandler& onExecute) {
    {
        std::lock_guard lock(access.lock());
        access.open();
        list.first();
        log.writeLog(">> All events for scheduler: " + std::to_string(list.recordCount()));
        for (; !list.eof(); list.next()) {
            bool timeEvent = false;
            forRecord(list, [&] { timeEvent = toInteger(list.value("FILE")) == 0; });
            if (!timeEvent) continue;
            forRecord(list, [&] {
                const std::int64_t id = toInteger(list.value("ID"));
                logRecord(list, log);
                const std::string schedule = scheduleTextFromField(list.value("CFG_SAVE"));
                if (id < 0 || id > INT_MAX) throw Error("List index out of bounds (" + std::to_string(id) + ")");
                EventCollectionItem& item = engine.events().insert(static_cast<int>(id));
                item.deactivate();
                try {
                    readSchedule(item, schedule);
                } catch (...) {
                    engine.events().deleteItem(static_cast<int>(id));
                    throw;
                }
                item.setName(list.value("NAME"));
                item.setCountMissedEvents(true);
                item.setOnExecute(onExecute);
                engine.events().endUpdate();
                if (list.value("ACTIVE") == kActiveEnabled) item.activate();
            });
        }
    }
    {
        std::lock_guard lock(access.lock());
        std::lock_guard table(watcher.lock());
        const LocalMoment now = watcher.now();
        for (list.first(); !list.eof(); list.next()) {
            bool watched = false;
            forRecord(list, [&] { watched = toInteger(list.value("ID")) >= 1000; });
            if (!watched) continue;
            forRecord(list, [&] {
                logRecord(list, log);
                log.writeLog(list.value("F_EXIST") == "1" || list.value("FILENAME").empty() ? "1" : "2");
                log.writeLog("3");
                watcher.rows().push_back(watchRowFromRecord(list, now));
            });
        }
    }
    log.writeLog("Service init OK");
}

}  // namespace orvalo
