// The run history: every run of an event (time, file, web, or a test) with its
// trigger, times, result and the tail of its output, in the SQLite database
// runs.db of the program folder (WAL, so readers never wait for the writer).
//
// The service and the window in "Application" mode record their own runs;
// orvaloctl and the window read. Recording never stops or delays a run: a busy
// database is waited for a bounded time, and a failure is reported once per streak
// to the system log and otherwise passed over. Rows of a run whose recorder ended
// without finishing them (a crash) read as ended without a result. Thread-safe:
// one connection under one lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "eventlist/settings_file.h"
#include "execution/failure_streak.h"

struct sqlite3;

namespace orvalo {

enum class RunTrigger { Time, File, Web, Test };
const char* runTriggerName(RunTrigger trigger);  // "time", "file", "web", "test"

struct RunStart {
    long long event = 0;
    std::string name;
    RunTrigger trigger = RunTrigger::Time;
    std::optional<std::int64_t> dueMs;  // time events: the due moment (Unix ms)
    std::int64_t startMs = 0;
    std::string command;
};

struct RunEnd {
    std::int64_t endMs = 0;
    std::optional<int> exitCode;  // none when a signal ended the command
    std::optional<int> signal;
    bool killed = false;   // closed at its kill time
    bool stopped = false;  // closed by a stop of the program
    std::string output;    // the tail of its output
    bool outputTruncated = false;
};

struct RunRecord {
    long long run = 0;
    RunStart start;
    std::optional<RunEnd> end;  // none while it runs, or when it ended without a result
    bool lost = false;          // its recorder ended before the run did
};

// "exit 0", "exit 7", "signal 9", "killed at kill time", "stopped", "running",
// "ended without a result".
std::string runResultText(const RunRecord& run);
bool runSucceeded(const RunRecord& run);

struct HistoryQuery {
    std::optional<long long> event;
    int limit = 50;
    bool failedOnly = false;
    std::optional<std::int64_t> sinceMs;
};

class RunHistory {
public:
    static constexpr const char* kFileName = "runs.db";

    // Opens (and creates) the database; a database that cannot be opened is
    // reported and every later call does nothing.
    explicit RunHistory(std::filesystem::path file, bool writer);
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // The run's number, or 0 when it could not be recorded.
    long long begin(const RunStart& start);
    void finish(long long run, const RunEnd& end);

    std::vector<RunRecord> runs(const HistoryQuery& query);
    std::optional<RunRecord> run(long long number);
    std::optional<std::string> output(long long number);
    // The newest run of every event.
    std::map<long long, RunRecord> lastRuns();
    // Changes whenever a run is recorded, by this program or another: a reader asks
    // again only when it has changed.
    std::uint64_t version();
    // Drops runs beyond the limits (per event, and older than the days kept).
    void prune(const HistoryLimits& limits, std::int64_t nowMs);

    static std::int64_t nowMs();

private:
    bool ready() const { return db_ != nullptr; }
    void failed(const std::string& what);
    void markLostRuns();

    std::filesystem::path file_;
    bool writer_;
    std::string recorder_;  // this process: pid and start time
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    FailureStreak failures_;
};

}  // namespace orvalo
