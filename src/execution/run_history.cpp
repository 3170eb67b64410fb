#include "execution/run_history.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include "platform/process_identity.h"

namespace orvalo {

namespace {

// A writer waits this long for another writer at most; a run never waits longer.
constexpr int kBusyMs = 250;

const char* const kSchema = R"(
CREATE TABLE IF NOT EXISTS runs (
  run INTEGER PRIMARY KEY AUTOINCREMENT,
  event INTEGER NOT NULL,
  name TEXT NOT NULL,
  trigger TEXT NOT NULL,
  due_ms INTEGER,
  start_ms INTEGER NOT NULL,
  end_ms INTEGER,
  exit_code INTEGER,
  signal INTEGER,
  killed INTEGER NOT NULL DEFAULT 0,
  stopped INTEGER NOT NULL DEFAULT 0,
  command TEXT NOT NULL,
  output BLOB,
  output_truncated INTEGER NOT NULL DEFAULT 0,
  recorder TEXT NOT NULL DEFAULT '',
  lost INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS runs_by_event ON runs(event, run);
CREATE INDEX IF NOT EXISTS runs_by_start ON runs(start_ms);
)";

const char* const kColumns =
    "run, event, name, trigger, due_ms, start_ms, end_ms, exit_code, signal, killed, stopped, command, "
    "output_truncated, lost";

// One prepared statement, finalized with the object.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        if (::sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
    }
    ~Statement() { ::sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    sqlite3_stmt* get() const { return statement_; }
    void bind(int i, std::int64_t v) { ::sqlite3_bind_int64(statement_, i, v); }
    void bind(int i, const std::string& v) { ::sqlite3_bind_text(statement_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
    void bindBlob(int i, const std::string& v) { ::sqlite3_bind_blob(statement_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT); }
    template <typename T>
    void bind(int i, const std::optional<T>& v) {
        if (v) bind(i, static_cast<std::int64_t>(*v));
        else ::sqlite3_bind_null(statement_, i);
    }
    int step() { return ::sqlite3_step(statement_); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

std::string text(sqlite3_stmt* s, int column) {
    const auto* value = ::sqlite3_column_text(s, column);
    return value ? std::string(reinterpret_cast<const char*>(value), static_cast<std::size_t>(::sqlite3_column_bytes(s, column)))
                 : std::string();
}
std::optional<std::int64_t> number(sqlite3_stmt* s, int column) {
    if (::sqlite3_column_type(s, column) == SQLITE_NULL) return std::nullopt;
    return ::sqlite3_column_int64(s, column);
}

RunTrigger triggerOf(const std::string& name) {
    if (name == "file") return RunTrigger::File;
    if (name == "web") return RunTrigger::Web;
    if (name == "test") return RunTrigger::Test;
    return RunTrigger::Time;
}

RunRecord recordOf(sqlite3_stmt* s) {
    RunRecord r;
    r.run = ::sqlite3_column_int64(s, 0);
    r.start.event = ::sqlite3_column_int64(s, 1);
    r.start.name = text(s, 2);
    r.start.trigger = triggerOf(text(s, 3));
    r.start.dueMs = number(s, 4);
    r.start.startMs = ::sqlite3_column_int64(s, 5);
    r.start.command = text(s, 11);
    r.lost = ::sqlite3_column_int64(s, 13) != 0;
    if (const auto end = number(s, 6)) {
        RunEnd e;
        e.endMs = *end;
        if (const auto code = number(s, 7)) e.exitCode = static_cast<int>(*code);
        if (const auto signal = number(s, 8)) e.signal = static_cast<int>(*signal);
        e.killed = ::sqlite3_column_int64(s, 9) != 0;
        e.stopped = ::sqlite3_column_int64(s, 10) != 0;
        e.outputTruncated = ::sqlite3_column_int64(s, 12) != 0;
        r.end = e;
    }
    return r;
}

}  // namespace

const char* runTriggerName(RunTrigger trigger) {
    switch (trigger) {
        case RunTrigger::Time: return "time";
        case RunTrigger::File: return "file";
        case RunTrigger::Web: return "web";
        case RunTrigger::Test: return "test";
    }
    return "time";
}

std::string runResultText(const RunRecord& run) {
    if (!run.end) return run.lost ? "ended without a result" : "running";
    if (run.end->killed) return "killed at kill time";
    if (run.end->stopped) return "stopped";
    if (run.end->signal) return "signal " + std::to_string(*run.end->signal);
    if (run.end->exitCode) return "exit " + std::to_string(*run.end->exitCode);
    return "ended";
}

bool runSucceeded(const RunRecord& run) { return run.end && !run.end->killed && run.end->exitCode == 0; }

std::int64_t RunHistory::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

RunHistory::RunHistory(std::filesystem::path file, bool writer)
    : file_(std::move(file)),
      writer_(writer),
      recorder_(thisProcessIdentity()),
      failures_("The run history " + file_.string() + " cannot be written", "The run history is written again") {
    const int flags = writer ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW
                             : SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW;
    if (!writer && !std::filesystem::exists(file_)) return;  // nothing recorded yet
    // Made by us, private (SQLite gives its journal files the same mode), and never
    // through a link planted at its name.
    if (writer) {
        const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) ::close(fd);
    }
    if (::sqlite3_open_v2(file_.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        failed(db_ ? ::sqlite3_errmsg(db_) : "cannot open");
        ::sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    ::sqlite3_busy_timeout(db_, kBusyMs);
    char* error = nullptr;
    // WAL: readers never wait for the writer; NORMAL sync: a crash may lose the last
    // records, never the database.
    if (::sqlite3_exec(db_, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, &error) != SQLITE_OK ||
        (writer && ::sqlite3_exec(db_, kSchema, nullptr, nullptr, &error) != SQLITE_OK)) {
        failed(error ? error : "cannot set up");
        ::sqlite3_free(error);
        ::sqlite3_close(db_);
        db_ = nullptr;
        return;
    }
    if (writer) markLostRuns();
}

RunHistory::~RunHistory() { ::sqlite3_close(db_); }

void RunHistory::failed(const std::string& what) { failures_.failed(what); }

void RunHistory::markLostRuns() {
    // Runs left open by a recorder that is gone ended without a result.
    std::vector<std::pair<long long, std::string>> open;
    {
        Statement s(db_, "SELECT run, recorder FROM runs WHERE end_ms IS NULL AND lost = 0");
        while (s.ok() && s.step() == SQLITE_ROW) open.emplace_back(::sqlite3_column_int64(s.get(), 0), text(s.get(), 1));
    }
    for (const auto& [run, recorder] : open) {
        if (recorder == recorder_ || processIdentityAlive(recorder)) continue;
        Statement s(db_, "UPDATE runs SET lost = 1 WHERE run = ?");
        s.bind(1, static_cast<std::int64_t>(run));
        s.step();
    }
}

long long RunHistory::begin(const RunStart& start) {
    std::lock_guard lock(mutex_);
    if (!ready() || !writer_) return 0;
    Statement s(db_,
                "INSERT INTO runs (event, name, trigger, due_ms, start_ms, command, recorder) VALUES (?, ?, ?, ?, ?, ?, ?)");
    s.bind(1, static_cast<std::int64_t>(start.event));
    s.bind(2, start.name);
    s.bind(3, std::string(runTriggerName(start.trigger)));
    s.bind(4, start.dueMs);
    s.bind(5, start.startMs);
    s.bind(6, start.command);
    s.bind(7, recorder_);
    if (!s.ok() || s.step() != SQLITE_DONE) {
        failed(::sqlite3_errmsg(db_));
        return 0;
    }
    failures_.succeeded();
    return ::sqlite3_last_insert_rowid(db_);
}

void RunHistory::finish(long long run, const RunEnd& end) {
    std::lock_guard lock(mutex_);
    if (!ready() || !writer_ || run == 0) return;
    Statement s(db_,
                "UPDATE runs SET end_ms = ?, exit_code = ?, signal = ?, killed = ?, stopped = ?, output = ?, "
                "output_truncated = ? WHERE run = ?");
    s.bind(1, end.endMs);
    s.bind(2, end.exitCode);
    s.bind(3, end.signal);
    s.bind(4, std::int64_t{end.killed});
    s.bind(5, std::int64_t{end.stopped});
    s.bindBlob(6, end.output);
    s.bind(7, std::int64_t{end.outputTruncated});
    s.bind(8, static_cast<std::int64_t>(run));
    if (!s.ok() || s.step() != SQLITE_DONE) return failed(::sqlite3_errmsg(db_));
    failures_.succeeded();
}

std::vector<RunRecord> RunHistory::runs(const HistoryQuery& q) {
    std::lock_guard lock(mutex_);
    std::vector<RunRecord> result;
    if (!ready()) return result;
    std::string sql = std::string("SELECT ") + kColumns + " FROM runs WHERE 1";
    if (q.event) sql += " AND event = :event";
    if (q.sinceMs) sql += " AND start_ms >= :since";
    if (q.failedOnly) sql += " AND (lost = 1 OR killed = 1 OR (end_ms IS NOT NULL AND (exit_code IS NULL OR exit_code <> 0)))";
    sql += " ORDER BY run DESC LIMIT :limit";
    Statement s(db_, sql);
    if (!s.ok()) return result;
    if (q.event) s.bind(::sqlite3_bind_parameter_index(s.get(), ":event"), static_cast<std::int64_t>(*q.event));
    if (q.sinceMs) s.bind(::sqlite3_bind_parameter_index(s.get(), ":since"), *q.sinceMs);
    s.bind(::sqlite3_bind_parameter_index(s.get(), ":limit"), static_cast<std::int64_t>(q.limit));
    while (s.step() == SQLITE_ROW) result.push_back(recordOf(s.get()));
    return result;
}

std::optional<RunRecord> RunHistory::run(long long number) {
    std::lock_guard lock(mutex_);
    if (!ready()) return std::nullopt;
    Statement s(db_, std::string("SELECT ") + kColumns + " FROM runs WHERE run = ?");
    s.bind(1, static_cast<std::int64_t>(number));
    if (!s.ok() || s.step() != SQLITE_ROW) return std::nullopt;
    return recordOf(s.get());
}

std::optional<std::string> RunHistory::output(long long number) {
    std::lock_guard lock(mutex_);
    if (!ready()) return std::nullopt;
    Statement s(db_, "SELECT output FROM runs WHERE run = ?");
    s.bind(1, static_cast<std::int64_t>(number));
    if (!s.ok() || s.step() != SQLITE_ROW) return std::nullopt;
    const void* bytes = ::sqlite3_column_blob(s.get(), 0);
    return bytes ? std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(::sqlite3_column_bytes(s.get(), 0)))
                 : std::string();
}

std::map<long long, RunRecord> RunHistory::lastRuns() {
    std::lock_guard lock(mutex_);
    std::map<long long, RunRecord> result;
    if (!ready()) return result;
    Statement s(db_, std::string("SELECT ") + kColumns + " FROM runs WHERE run IN (SELECT MAX(run) FROM runs GROUP BY event)");
    while (s.ok() && s.step() == SQLITE_ROW) {
        RunRecord r = recordOf(s.get());
        result.emplace(r.start.event, std::move(r));
    }
    return result;
}

std::uint64_t RunHistory::version() {
    std::lock_guard lock(mutex_);
    if (!ready()) return 0;
    Statement s(db_, "PRAGMA data_version");
    const std::uint64_t others = s.ok() && s.step() == SQLITE_ROW ? static_cast<std::uint64_t>(::sqlite3_column_int64(s.get(), 0)) : 0;
    return (others << 32) + static_cast<std::uint64_t>(::sqlite3_total_changes64(db_));
}

void RunHistory::prune(const HistoryLimits& limits, std::int64_t nowMs) {
    std::lock_guard lock(mutex_);
    if (!ready() || !writer_) return;
    Statement old(db_, "DELETE FROM runs WHERE start_ms < ?");
    old.bind(1, nowMs - limits.daysKept * 86'400'000);
    old.step();
    Statement many(db_,
                   "DELETE FROM runs WHERE run IN (SELECT run FROM (SELECT run, ROW_NUMBER() OVER (PARTITION BY event "
                   "ORDER BY run DESC) AS n FROM runs) WHERE n > ?)");
    many.bind(1, static_cast<std::int64_t>(limits.runsPerEvent));
    many.step();
}

}  // namespace orvalo
