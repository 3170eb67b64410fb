#include "manager/core/watch_rows.h"

#include <algorithm>
#include <climits>

#include "base/text.h"
#include "platform/file_status.h"

namespace orvalo {

namespace {

// m minutes as ticks less one, as the watcher counts them.
int ticksLessOne(const std::string& minutes) {
    return static_cast<int>(std::clamp<std::int64_t>(toInteger(minutes) * 6 - 1, INT_MIN, INT_MAX));
}

}  // namespace

WatchRow fileWatchRow(long long id, const FileEventForm& form, bool editing, LocalMoment now) {
    const FileCondition& c = form.condition;
    WatchRow row;
    row.id = id;
    row.filename = c.path;
    row.onChange = !c.onExist && !c.path.empty();
    row.datetime = row.onChange ? ConditionWatcher::modifiedMoment(c.path).value_or(now) : now;
    row.size = row.onChange ? fileSize(c.path).value_or(0) : 0;
    row.enable = 0;
    row.stillWatched = 1;
    row.loop = c.runEvery ? 1 : 0;
    row.loopNum = static_cast<int>(std::clamp<std::int64_t>(toInteger(c.cycles), INT_MIN, INT_MAX));
    if (c.infinity) row.loopNum = -1;
    if (c.oneExecution) row.loopNum = 1;
    row.waitNumMax = ticksLessOne(c.loopWaitMinutes);
    row.waitNum = editing ? 0 : row.waitNumMax;
    return row;
}

WatchRow webWatchRow(long long id, const WebEventForm& form, bool editing, LocalMoment now) {
    const WebCondition& c = form.condition;
    WatchRow row;
    row.id = id;
    row.onChange = false;
    row.datetime = now;
    row.enable = 0;
    row.stillWatched = 1;
    row.loopNum = 1;
    row.email = c.email ? 1 : 0;
    row.log = c.log ? 1 : 0;
    row.wCheck = ticksLessOne(c.checkMinutes);
    row.wCheckCnt = editing ? 0 : row.wCheck;
    row.wUrl = c.url;
    row.wExist = c.whenExists ? 1 : 0;
    row.wStr = c.searchText;
    return row;
}

}  // namespace orvalo
