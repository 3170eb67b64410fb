#include "execution/run_history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

// A history in a fresh folder, its runs made by hand.
class RunHistoryTest : public ::testing::Test {
protected:
    long long record(long long event, std::int64_t startMs, std::optional<int> exit, std::optional<int> signal = {},
                     bool killed = false) {
        const long long run = history_.begin({event, "Event" + std::to_string(event), RunTrigger::Time, startMs - 5,
                                              startMs, "cmd" + std::to_string(event)});
        RunEnd end;
        end.endMs = startMs + 1200;
        end.exitCode = exit;
        end.signal = signal;
        end.killed = killed;
        end.output = "out of " + std::to_string(run);
        history_.finish(run, end);
        return run;
    }

    test::TempFolder folder_;
    RunHistory history_{folder_ / "runs.db", true};
};

TEST_F(RunHistoryTest, RecordsRunsAndAnswersQueriesNewestFirst) {
    const long long a = record(3, 1'000'000, 0);
    const long long b = record(3, 2'000'000, 7);
    const long long c = record(4, 3'000'000, std::nullopt, 9);
    const long long d = record(4, 4'000'000, std::nullopt, 15, true);
    const long long running = history_.begin({5, "Running", RunTrigger::File, std::nullopt, 5'000'000, "sleep"});

    const auto all = history_.runs({});
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].run, running);
    EXPECT_EQ(all[4].run, a);
    const std::vector<std::string> results = {runResultText(all[0]), runResultText(all[1]), runResultText(all[2]),
                                              runResultText(all[3]), runResultText(all[4])};
    EXPECT_EQ(results, (std::vector<std::string>{"running", "killed at kill time", "signal 9", "exit 7", "exit 0"}));
    EXPECT_EQ(all[4].start.dueMs, 999'995);
    EXPECT_EQ(all[4].start.command, "cmd3");
    EXPECT_EQ(all[0].start.trigger, RunTrigger::File);

    HistoryQuery failed;
    failed.failedOnly = true;
    std::vector<long long> numbers;
    for (const RunRecord& r : history_.runs(failed)) numbers.push_back(r.run);
    EXPECT_EQ(numbers, (std::vector<long long>{d, c, b}));
    HistoryQuery ofThree;
    ofThree.event = 3;
    ofThree.limit = 1;
    ASSERT_EQ(history_.runs(ofThree).size(), 1u);
    EXPECT_EQ(history_.runs(ofThree)[0].run, b);
    HistoryQuery since;
    since.sinceMs = 3'000'000;
    EXPECT_EQ(history_.runs(since).size(), 3u);

    EXPECT_EQ(history_.output(b), "out of " + std::to_string(b));
    EXPECT_FALSE(history_.output(999).has_value());
    const auto last = history_.lastRuns();
    EXPECT_EQ(runResultText(last.at(3)), "exit 7");
    EXPECT_EQ(runResultText(last.at(4)), "killed at kill time");
    EXPECT_EQ(runResultText(last.at(5)), "running");

    // A reader sees the writer's runs; the database is the user's own.
    RunHistory reader(folder_ / "runs.db", false);
    EXPECT_EQ(reader.runs({}).size(), 5u);
    struct stat st {};
    ASSERT_EQ(::stat((folder_ / "runs.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(RunHistoryTest, PruningKeepsTheNewestRunsOfEachEventAndTheRecentDays) {
    const std::int64_t day = 86'400'000;
    const std::int64_t now = 200 * day;
    for (int i = 0; i < 10; ++i) record(1, now - day + i, 0);
    record(2, now - 100 * day, 0);  // older than 90 days
    record(2, now - 2 * day, 0);
    HistoryLimits limits;
    limits.runsPerEvent = 4;
    history_.prune(limits, now);
    HistoryQuery one;
    one.event = 1;
    EXPECT_EQ(history_.runs(one).size(), 4u);
    HistoryQuery two;
    two.event = 2;
    ASSERT_EQ(history_.runs(two).size(), 1u);
    EXPECT_EQ(history_.runs(two)[0].start.startMs, now - 2 * day);
}

// A run its recorder left open (the program was killed) reads as ended without a
// result once the next writer opens the history; a run of a live recorder stays.
TEST_F(RunHistoryTest, RunsOfADeadRecorderEndedWithoutAResult) {
    const long long mine = history_.begin({1, "E", RunTrigger::Time, std::nullopt, 1000, "sleep 100"});
    const long long theirs = history_.begin({2, "F", RunTrigger::Time, std::nullopt, 1000, "sleep 100"});
    // As a recorder that has ended would have left it: a pid with a start time no
    // process has.
    sqlite3* db = nullptr;
    ASSERT_EQ(::sqlite3_open((folder_ / "runs.db").c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE runs SET recorder = '1:1' WHERE run = " + std::to_string(theirs);
    ASSERT_EQ(::sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    ::sqlite3_close(db);

    RunHistory next(folder_ / "runs.db", true);
    EXPECT_EQ(runResultText(*next.run(mine)), "running");
    EXPECT_EQ(runResultText(*next.run(theirs)), "ended without a result");
    EXPECT_FALSE(runSucceeded(*next.run(theirs)));
}

}  // namespace
}  // namespace orvalo
