// Decides when file and web events run. The watch table holds one row per file or
// web event; every 10-second tick one pass walks it, starts runs and moves the rows'
// counters (a tick is the unit of every counter). Owned by the main thread; the
// service's loader fills the table under lock() while ticks may already come.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "execution/run_history.h"
#include "platform/main_loop.h"

namespace orvalo {

// A moment as local milliseconds since 0001-01-01, for the rows' reference times.
using LocalMoment = std::int64_t;

struct WatchRow {
    long long id = 0;
    std::string filename;       // empty (after trimming blanks): a web row
    bool onChange = false;      // false: run while the file exists; true: run when its time or size changes
    LocalMoment datetime = 0;   // the file's modification time as last seen (two-second steps)
    std::uint64_t size = 0;     // the file's size as last seen
    int enable = 0;             // 1: active
    int stillWatched = 1;         // 1: still watched; 0: finished
    int loop = 0;               // 0: stop after the first run
    int loopNum = 0;            // runs left: 1 last, above 1 counts down, 0 or less no limit
    int waitNum = 0;            // ticks left in the pause after a run
    int waitNumMax = 0;         // pause length in ticks, less one
    int email = 0;
    int log = 0;
    int wCheck = 0;             // web: checking period in ticks, less one
    int wCheckCnt = 0;          // web: ticks left until the next check
    std::string wUrl;
    int wExist = 0;
    std::string wStr;

    bool isWebRow() const;
};

class ConditionWatcher {
public:
    using StartRun = std::function<void(long long id, RunTrigger trigger)>;
    // Whether a run of the event is still going on: its row is then passed over,
    // counters and all, so runs of one event never pile up.
    using Busy = std::function<bool(long long id)>;
    static constexpr std::chrono::milliseconds kTick{10'000};

    explicit ConditionWatcher(StartRun startRun, const Clock& clock = SystemClock::instance(), Busy busy = {});
    ~ConditionWatcher();

    std::vector<WatchRow>& rows() { return rows_; }
    std::mutex& lock() { return mutex_; }

    // One pass over the table.
    void checkConditions();
    // Ticks on the loop every tick (10 s) until stop().
    void start(MainLoop& loop, std::chrono::milliseconds tick = kTick);
    void stop();

    // A file's modification time as the table keeps it (two-second steps), or
    // nullopt when there is no such file.
    static std::optional<LocalMoment> modifiedMoment(const std::string& path);
    LocalMoment now() const;

private:
    void checkFileRow(WatchRow& row);
    void checkWebRow(WatchRow& row);

    StartRun startRun_;
    const Clock& clock_;
    Busy busy_;
    std::mutex mutex_;
    std::vector<WatchRow> rows_;
    MainLoop* loop_ = nullptr;
    MainLoop::TimerId timer_ = 0;
};

}  // namespace orvalo
