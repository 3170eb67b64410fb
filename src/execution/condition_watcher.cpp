#include "execution/condition_watcher.h"

#include "base/text.h"
#include "platform/file_status.h"
#include "schedule/schedule_stamp.h"

namespace orvalo {

namespace {

LocalMoment momentOf(const LocalDateTime& t) {
    const ScheduleStamp stamp = toStamp(t);
    return static_cast<LocalMoment>(stamp.date) * kMillisecondsPerDay + stamp.time;
}

}  // namespace

bool WatchRow::isWebRow() const { return trimBlanks(filename).empty(); }

ConditionWatcher::ConditionWatcher(StartRun startRun, const Clock& clock, Busy busy)
    : startRun_(std::move(startRun)), clock_(clock), busy_(std::move(busy)) {}

ConditionWatcher::~ConditionWatcher() { stop(); }

std::optional<LocalMoment> ConditionWatcher::modifiedMoment(const std::string& path) {
    std::optional<LocalDateTime> modified = fileModified(path);
    if (!modified) return std::nullopt;
    // File times are kept in two-second steps, as the table has always compared them.
    modified->second -= modified->second % 2;
    modified->millisecond = 0;
    return momentOf(*modified);
}

LocalMoment ConditionWatcher::now() const { return momentOf(toLocalDateTime(clock_.now())); }

void ConditionWatcher::start(MainLoop& loop, std::chrono::milliseconds tick) {
    stop();
    loop_ = &loop;
    timer_ = loop.addTimer(tick, [this] { checkConditions(); });
}

void ConditionWatcher::stop() {
    if (loop_ != nullptr) loop_->cancelTimer(timer_);
    loop_ = nullptr;
}

void ConditionWatcher::checkConditions() {
    std::lock_guard lock(mutex_);
    for (WatchRow& row : rows_) {
        // Checked again on the first tick after the run has ended.
        if (busy_ && row.enable == 1 && row.stillWatched == 1 && busy_(row.id)) continue;
        if (row.isWebRow()) checkWebRow(row);
        else checkFileRow(row);
    }
}

void ConditionWatcher::checkFileRow(WatchRow& row) {
    // The counters as read now rule this row's whole turn.
    const int loop = row.loop, loopNum = row.loopNum, waitNum = row.waitNum, waitNumMax = row.waitNumMax;
    if (row.enable != 1 || row.stillWatched != 1) return;

    if (waitNum == 0 || waitNumMax == 0) {
        const std::optional<LocalMoment> modified = modifiedMoment(row.filename);
        bool fire = false;
        bool sizeTest = false;
        if (!row.onChange) {
            fire = modified.has_value();
        } else if (modified && *modified != row.datetime) {
            fire = true;
        } else {
            // A file that is absent or cannot be read never passes the size test;
            // its creation is seen by the date test.
            const std::optional<std::uint64_t> size = fileSize(row.filename);
            fire = sizeTest = size && *size != row.size;
        }
        if (fire) {
            startRun_(row.id, RunTrigger::File);
            if (waitNum == 0 && waitNumMax > 0) row.waitNum = waitNumMax;
            row.datetime = modified ? *modified : now();
            if (sizeTest) row.size = fileSize(row.filename).value_or(0);
            if (loopNum == 1 || loop == 0) row.stillWatched = 0;
            if (loopNum > 1) row.loopNum = loopNum - 1;
        }
    }
    // The tick that fired does not count down the pause it starts.
    if (waitNumMax > 0 && waitNum > 0) row.waitNum = waitNum - 1;
}

void ConditionWatcher::checkWebRow(WatchRow& row) {
    const int count = row.wCheckCnt, period = row.wCheck;
    if (row.enable != 1 || row.stillWatched != 1) return;
    if (count == 0 || period == 0) {
        startRun_(row.id, RunTrigger::Web);
        if (count == 0 && period > 0) row.wCheckCnt = period;
    }
    if (period > 0 && count > 0) row.wCheckCnt = count - 1;
}

}  // namespace orvalo
