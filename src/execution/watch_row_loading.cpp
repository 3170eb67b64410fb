#include "execution/watch_row_loading.h"

#include <algorithm>
#include <climits>

#include "base/text.h"
#include "eventlist/event_record.h"
#include "platform/file_status.h"

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

}  // namespace

WatchRow watchRowFromRecord(const CsvDataSet& list, LocalMoment now) {
    WatchRow row;
    row.id = toInteger(list.value("ID"));
    row.filename = list.value("FILENAME");
    if (list.value("F_EXIST") == "1" || row.filename.empty()) {
        row.onChange = false;
        row.datetime = now;
        row.size = 0;
    } else {
        row.onChange = true;
        row.datetime = ConditionWatcher::modifiedMoment(row.filename).value_or(now);
        row.size = fileSize(row.filename).value_or(0);
    }
    row.enable = list.value("ACTIVE") == kActiveEnabled ? 1 : 0;
    row.stillWatched = 1;
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

}  // namespace orvalo
