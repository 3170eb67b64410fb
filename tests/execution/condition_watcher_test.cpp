#include "execution/condition_watcher.h"

#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

#include "support/temp_folder.h"

namespace orvalo {
namespace {

// A watcher whose runs are only recorded, by tick number, over files in a fresh
// folder whose modification times the test sets.
class ConditionWatcherTest : public ::testing::Test {
protected:
    ConditionWatcherTest() : watcher_([this](long long id, RunTrigger) { runs_.push_back({tick_, id}); }) {}

    std::string path(const char* name) { return (folder_ / name).string(); }
    void setModified(const char* name, std::time_t seconds) {
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path(name).c_str(), times, 0), 0);
    }
    WatchRow fileRow(const char* name, int typ, int loop, int loopNum, int pauseMinutes) {
        WatchRow row;
        row.id = 1000 + static_cast<long long>(watcher_.rows().size());
        row.filename = path(name);
        row.onChange = typ != 0;
        row.enable = 1;
        row.loop = loop;
        row.loopNum = loopNum;
        row.waitNumMax = pauseMinutes * 6 - 1;
        // As the loaders set it: the file's time, or now when it is absent.
        row.datetime = ConditionWatcher::modifiedMoment(row.filename).value_or(watcher_.now());
        return row;
    }
    // Runs the given number of ticks; returns the ticks (1-based) that started runs.
    std::vector<int> ticks(int count, const std::function<void(int)>& before = {}) {
        std::vector<int> fired;
        for (int i = 0; i < count; ++i) {
            ++tick_;
            if (before) before(tick_);
            const std::size_t runsBefore = runs_.size();
            watcher_.checkConditions();
            if (runs_.size() > runsBefore) fired.push_back(tick_);
        }
        return fired;
    }

    test::TempFolder folder_;
    int tick_ = 0;
    std::vector<std::pair<int, long long>> runs_;
    ConditionWatcher watcher_;
};

TEST_F(ConditionWatcherTest, ExistFileOneTimeRunsOnceThenIsFinished) {
    watcher_.rows().push_back(fileRow("in.txt", 0, 0, 1, 0));
    EXPECT_TRUE(ticks(3).empty());
    test::writeFile(folder_ / "in.txt", "x");
    EXPECT_EQ(ticks(5), std::vector<int>{4});
    EXPECT_EQ(watcher_.rows()[0].stillWatched, 0);
}

TEST_F(ConditionWatcherTest, ExistFileLoopingWithoutPauseRunsEveryTickWhileThereIs) {
    watcher_.rows().push_back(fileRow("in.txt", 0, 1, -1, 0));
    test::writeFile(folder_ / "in.txt", "x");
    EXPECT_EQ(ticks(3), (std::vector<int>{1, 2, 3}));
    std::filesystem::remove(folder_ / "in.txt");
    EXPECT_TRUE(ticks(2).empty());
    EXPECT_EQ(watcher_.rows()[0].stillWatched, 1);
}

TEST_F(ConditionWatcherTest, APauseOfOneMinuteSkipsFiveTicksAfterTheRun) {
    watcher_.rows().push_back(fileRow("in.txt", 0, 1, -1, 1));
    test::writeFile(folder_ / "in.txt", "x");
    EXPECT_EQ(ticks(14), (std::vector<int>{1, 7, 13}));
}

TEST_F(ConditionWatcherTest, ChangesRunALimitedNumberOfCycles) {
    test::writeFile(folder_ / "data.csv", "one");
    setModified("data.csv", 1'700'000'000);
    watcher_.rows().push_back(fileRow("data.csv", 1, 1, 3, 0));
    watcher_.rows().back().size = 3;
    EXPECT_TRUE(ticks(2).empty());
    const auto fired = ticks(6, [&](int tick) {
        if (tick % 2 == 1) setModified("data.csv", 1'700'000'000 + 10 * tick);  // same size, new time
    });
    EXPECT_EQ(fired, (std::vector<int>{3, 5, 7}));
    EXPECT_EQ(watcher_.rows()[0].stillWatched, 0);
}

TEST_F(ConditionWatcherTest, ANewTimeAndANewSizeFireOnTwoTicks) {
    test::writeFile(folder_ / "data.csv", "one");
    setModified("data.csv", 1'700'000'000);
    watcher_.rows().push_back(fileRow("data.csv", 1, 1, -1, 0));
    watcher_.rows().back().size = 3;
    test::writeFile(folder_ / "data.csv", "one and more");
    setModified("data.csv", 1'700'000'100);
    EXPECT_EQ(ticks(4), (std::vector<int>{1, 2}));  // the time, then the size
    EXPECT_EQ(watcher_.rows()[0].size, 12u);
}

TEST_F(ConditionWatcherTest, ChangesWithinTwoSecondsAndTheSameSizeAreNotSeen) {
    test::writeFile(folder_ / "data.csv", "one");
    setModified("data.csv", 1'700'000'000);
    watcher_.rows().push_back(fileRow("data.csv", 1, 1, -1, 0));
    watcher_.rows().back().size = 3;
    setModified("data.csv", 1'700'000'001);  // the same two-second slot
    EXPECT_TRUE(ticks(2).empty());
}

TEST_F(ConditionWatcherTest, ChangesDuringAPauseCountOnceAfterIt) {
    test::writeFile(folder_ / "data.csv", "one");
    setModified("data.csv", 1'700'000'000);
    watcher_.rows().push_back(fileRow("data.csv", 1, 1, -1, 1));
    watcher_.rows().back().size = 3;
    const auto fired = ticks(14, [&](int tick) {
        if (tick == 1 || tick == 3 || tick == 4) setModified("data.csv", 1'700'000'000 + 10 * tick);
    });
    EXPECT_EQ(fired, (std::vector<int>{1, 7}));
}

TEST_F(ConditionWatcherTest, AFileCreatedAfterLoadingIsSeenByItsTimeAndAnAbsentOneNever) {
    watcher_.rows().push_back(fileRow("later.csv", 1, 1, -1, 0));
    EXPECT_TRUE(ticks(3).empty());  // absent: neither the date nor the size test fires
    test::writeFile(folder_ / "later.csv", "");
    EXPECT_EQ(ticks(3), std::vector<int>{4});
}

TEST_F(ConditionWatcherTest, LargeFilesKeepTheirSize) {
    test::writeFile(folder_ / "big.bin", std::string(100'000, 'x'));
    setModified("big.bin", 1'700'000'000);
    watcher_.rows().push_back(fileRow("big.bin", 1, 1, -1, 0));
    watcher_.rows().back().size = 100'000;
    EXPECT_TRUE(ticks(2).empty());
    test::writeFile(folder_ / "big.bin", std::string(100'001, 'x'));
    setModified("big.bin", 1'700'000'000);
    EXPECT_EQ(ticks(2), std::vector<int>{3});
    EXPECT_EQ(watcher_.rows()[0].size, 100'001u);
}

TEST_F(ConditionWatcherTest, WebRowsCheckEveryPeriodFromLoading) {
    WatchRow everyMinute;
    everyMinute.id = 10000;
    everyMinute.filename = "   ";  // blanks only: a web row
    everyMinute.enable = 1;
    everyMinute.wCheck = everyMinute.wCheckCnt = 1 * 6 - 1;
    WatchRow never = everyMinute;
    never.id = 10001;
    never.wCheck = never.wCheckCnt = 0 * 6 - 1;
    WatchRow disabled = everyMinute;
    disabled.id = 10002;
    disabled.enable = 0;
    watcher_.rows() = {everyMinute, never, disabled};
    EXPECT_EQ(ticks(18), (std::vector<int>{6, 12, 18}));
    for (const auto& [tick, id] : runs_) EXPECT_EQ(id, 10000);
    EXPECT_EQ(watcher_.rows()[2].wCheckCnt, 5);  // an inactive row does not count down
}

// Runs of one event never pile up: while its last run goes on, its row is passed
// over, counters and all, and looked at again on the first tick after the run.
TEST_F(ConditionWatcherTest, ABusyEventIsNotCheckedAgain) {
    std::set<long long> busy;
    std::vector<std::pair<int, long long>> runs;
    ConditionWatcher watcher([&](long long id, RunTrigger) { runs.push_back({tick_, id}); }, SystemClock::instance(),
                             [&](long long id) { return busy.count(id) > 0; });
    WatchRow web;
    web.id = 10000;
    web.enable = 1;
    web.wCheck = web.wCheckCnt = 0;  // every tick
    test::writeFile(folder_ / "in.txt", "x");
    WatchRow file = fileRow("in.txt", 0, 1, -1, 0);  // every tick while the file exists
    watcher.rows() = {web, file};
    for (tick_ = 1; tick_ <= 6; ++tick_) {
        if (tick_ == 2) busy = {10000, file.id};
        if (tick_ == 5) busy.clear();
        watcher.checkConditions();
    }
    const std::vector<std::pair<int, long long>> expected = {{1, 10000}, {1, file.id}, {5, 10000},
                                                             {5, file.id}, {6, 10000}, {6, file.id}};
    EXPECT_EQ(runs, expected);
}

// A watched path is only looked at: a FIFO, a folder or a device counts as no file,
// and none of them can block a tick (once, opening a FIFO stopped the whole service).
TEST_F(ConditionWatcherTest, OnlyARegularFileIsTheFileAndNothingBlocks) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(folder_ / "folder");
    for (const char* name : {"fifo", "folder"}) {
        for (int typ : {0, 1}) {
            WatchRow row = fileRow(name, typ, 1, -1, 0);
            row.datetime = 0;  // whatever was seen before
            watcher_.rows().push_back(row);
        }
    }
    auto ticking = std::async(std::launch::async, [this] { return ticks(3); });
    if (ticking.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
        // Unblock the open() that hangs, so the test can end and say so.
        const int fd = ::open(path("fifo").c_str(), O_RDWR | O_NONBLOCK);
        ticking.wait();
        ::close(fd);
        FAIL() << "a tick blocked on the FIFO";
    }
    EXPECT_TRUE(ticking.get().empty());
    EXPECT_FALSE(ConditionWatcher::modifiedMoment("/dev/null").has_value());
}

TEST_F(ConditionWatcherTest, TicksComeFromTheMainLoop) {
    MainLoop loop;
    watcher_.rows().push_back(fileRow("in.txt", 0, 1, -1, 0));
    test::writeFile(folder_ / "in.txt", "x");
    watcher_.start(loop);
    loop.runPending();
    EXPECT_TRUE(runs_.empty());  // the first tick is one period away
    watcher_.stop();
}

}  // namespace
}  // namespace orvalo
