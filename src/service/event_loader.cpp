#include "service/event_loader.h"

#include <algorithm>
#include <climits>

#include "base/text.h"
#include "eventlist/event_record.h"
#include "platform/file_status.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {

namespace {

int asInt(const CsvDataSet& list, const char* field) {
    const std::int64_t value = toInteger(list.value(field));
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// m minutes as ticks less one: m * 6 - 1.
int ticksLessOne(const CsvDataSet& list, const char* field) {
    const std::int64_t minutes = toInteger(list.value(field));
    return static_cast<int>(std::clamp<std::int64_t>(minutes * 6 - 1, INT_MIN, INT_MAX));
}

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

WatchRow watchRowFromList(const CsvDataSet& list, LogFile& log, LocalMoment now) {
    WatchRow row;
    row.id = toInteger(list.value("ID"));
    row.filename = list.value("FILENAME");
    if (list.value("F_EXIST") == "1" || row.filename.empty()) {
        row.typ = 0;
        row.datetime = now;
        row.size = 0;
        log.writeLog("1");
    } else {
        log.writeLog("2");
        row.typ = 1;
        row.datetime = ConditionWatcher::modifiedMoment(row.filename).value_or(now);
        row.size = fileSize(row.filename).value_or(0);
    }
    log.writeLog("3");
    row.enable = list.value("ACTIVE") == kActiveEnabled ? 1 : 0;
    row.nespusteno = 1;
    row.loop = asInt(list, "F_RUNMODE");
    row.loopNum = asInt(list, "F_ENUMEND");
    if (list.value("F_INFINITY") == "1") row.loopNum = -1;
    if (list.value("F_ONE_EXEC") == "1") row.loopNum = 1;
    row.waitNum = 0;
    row.waitNumMax = ticksLessOne(list, "F_LOOPWAIT");
    row.email = asInt(list, "EMAIL");
    row.log = asInt(list, "LOG");
    row.wCheck = ticksLessOne(list, "W_CHECK");
    row.wCheckCnt = row.wCheck;
    row.wUrl = list.value("W_URL");
    row.wExist = asInt(list, "W_EXIST");
    row.wStr = list.value("W_STR");
    return row;
}

void loadSched(CsvDataSet& list, SharedEventList& access, ScheduledEvents& engine, ConditionWatcher& watcher,
               LogFile& log, const EventCollectionItem::ExecuteHandler& onExecute) {
    {
        std::lock_guard lock(access.lock());
        list.open();
        list.first();
        log.writeLog(">> All events for scheduler: " + std::to_string(list.recordCount()));
        for (; !list.eof(); list.next()) {
            if (toInteger(list.value("FILE")) != 0) continue;
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
            if (toInteger(list.value("ID")) < 1000) continue;
            forRecord(list, [&] {
                logRecord(list, log);
                watcher.rows().push_back(watchRowFromList(list, log, now));
            });
        }
    }
    log.writeLog("Service init OK");
}

}  // namespace orvalo
