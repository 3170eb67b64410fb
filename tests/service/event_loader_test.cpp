#include "service/event_loader.h"

#include <gtest/gtest.h>

#include "eventlist/event_record.h"
#include "platform/main_loop.h"
#include "schedule/scheduler_thread.h"
#include "support/temp_folder.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

const std::string kSchedule =
    "# Schedule: Generic\r\nStart.Date = 2030/01/01\r\nStart.Time = 08:00:00.000\r\n"
    "# Schedule: Recurring info\r\nRecur type = srkOneShot\r\n";

class EventLoaderTest : public ::testing::Test {
protected:
    EventRecord timeEvent(long long id, bool enabled) {
        EventRecord r = makeTimeEvent(id, {"T" + std::to_string(id), "cmd" + std::to_string(id), "Normal", 0}, "d", kSchedule);
        r.active = enabled ? "Enabled" : "Disabled";
        return r;
    }
    EventRecord fileEvent(long long id, const std::string& path, bool onExist) {
        FileCondition f;
        f.path = path;
        f.onExist = onExist;
        EventRecord r = makeFileEvent(id, {"F", "cmd", "Normal", 0}, f);
        r.active = "Enabled";
        return r;
    }
    void write(const std::vector<EventRecord>& records) {
        writeEventListFile(folder_ / "sl.csv", records);
        configureEventListTable(list_, (folder_ / "sl.csv").string(), true);
    }
    void load() { loadServiceList(access_, engine_, watcher_, log_, [](EventCollectionItem&) {}); }
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        const std::string text = test::readFile(log_.path());
        for (std::size_t start = 0; start < text.size();) {
            const auto end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end - start).substr(18));  // "12/11/26:04:26:38:"
            start = end + 2;
        }
        return lines;
    }

    test::TempFolder folder_;
    const LocalTimeFormat c_{"C"};
    LogFile log_{folder_ / "slog.txt", SystemClock::instance(), c_};
    MainLoop loop_;
    SchedulerThread scheduler_;
    ScheduledEvents engine_{scheduler_, loop_};
    ConditionWatcher watcher_{[](long long, RunTrigger) {}};
    CsvDataSet list_;
    SharedEventList access_{list_};
};

TEST_F(EventLoaderTest, TimeEventsGoToTheEngineAndOthersToTheWatchTable) {
    write({timeEvent(0, true), timeEvent(1, true), timeEvent(2, false),
           fileEvent(1000, (folder_ / "missing.txt").string(), false)});
    load();
    ASSERT_EQ(engine_.events().count(), 3);
    EXPECT_EQ(engine_.events().items(0).state(), eisWaiting);
    EXPECT_EQ(engine_.events().items(1).state(), eisWaiting);
    EXPECT_EQ(engine_.events().items(2).state(), eisStopped);
    EXPECT_EQ(engine_.events().items(1).name(), "T1");
    EXPECT_TRUE(engine_.events().items(0).countMissedEvents());
    ASSERT_EQ(watcher_.rows().size(), 1u);
    const WatchRow& row = watcher_.rows()[0];
    EXPECT_TRUE(row.onChange);
    EXPECT_EQ(row.size, 0u);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u + 9 + 3 + 2 + 1);
    EXPECT_EQ(lines[0], ">> All events for scheduler: 4");
    EXPECT_EQ(lines[1], "* 0:T0:d");
    EXPECT_EQ(lines[2], " Command:cmd0 State:Waiting Active:Enabled");
    EXPECT_EQ(lines[3], " Kill after mins:0");
    EXPECT_EQ(lines[10], "* 1000:F:[File change]: " + (folder_ / "missing.txt").string());
    EXPECT_EQ(lines[13], "2");
    EXPECT_EQ(lines[14], "3");
    EXPECT_EQ(lines[15], "Service init OK");
}

TEST_F(EventLoaderTest, WatchRowsFollowTheRecord) {
    test::writeFile(folder_ / "big.bin", std::string(70'000, 'x'));
    EventRecord exist = fileEvent(1000, (folder_ / "x").string(), true);
    EventRecord big = fileEvent(1001, (folder_ / "big.bin").string(), false);
    big.fEnumEnd = "5";
    big.fInfinity = "1";
    big.fOneExec = "0";
    big.fLoopWait = "2";
    EventRecord once = big;
    once.id = "1002";
    once.fOneExec = "1";
    once.active = "enabled";  // not exactly "Enabled"
    WebCondition web;
    web.checkMinutes = "1";
    EventRecord everyMinute = makeWebEvent(10000, {"W", "c", "Normal", 0}, web);
    web.checkMinutes = "0";
    EventRecord never = makeWebEvent(10001, {"W", "c", "Normal", 0}, web);
    write({exist, big, once, everyMinute, never});
    load();
    const auto& rows = watcher_.rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_FALSE(rows[0].onChange);
    EXPECT_EQ(rows[0].size, 0u);
    EXPECT_TRUE(rows[1].onChange);
    EXPECT_EQ(rows[1].size, 70'000u);  // sizes are kept whole
    EXPECT_EQ(rows[1].loopNum, -1);
    EXPECT_EQ(rows[1].waitNumMax, 11);
    EXPECT_EQ(rows[1].enable, 1);
    EXPECT_EQ(rows[2].loopNum, 1);
    EXPECT_EQ(rows[2].enable, 0);
    EXPECT_EQ(rows[3].wCheck, 5);
    EXPECT_EQ(rows[3].wCheckCnt, 5);
    EXPECT_EQ(rows[4].wCheck, -1);
    EXPECT_TRUE(rows[3].isWebRow());
}

TEST_F(EventLoaderTest, BadRecordsEndTheLoadingNamingTheEvent) {
    EventRecord broken = timeEvent(0, true);
    broken.cfgSave = "not a schedule";
    write({broken});
    EXPECT_EQ(test::errorOf([&] { load(); }), "Event 0: Incorrect structure found");
    EXPECT_EQ(engine_.events().count(), 0);

    list_.close();
    write({timeEvent(0, true), timeEvent(2, true)});
    EXPECT_EQ(test::errorOf([&] { load(); }), "Event 2: List index out of bounds (2)");

    list_.close();
    EventRecord noLoop = fileEvent(1000, "/tmp/x", true);
    noLoop.fRunMode = "";
    write({noLoop});
    EXPECT_EQ(test::errorOf([&] { load(); }), "Event 1000: '' is not a valid integer value");

    list_.close();
    EventRecord badId = fileEvent(1000, "/tmp/x", true);
    badId.id = "x1";
    write({badId});
    EXPECT_EQ(test::errorOf([&] { load(); }), "Event x1: 'x1' is not a valid integer value");
}

TEST_F(EventLoaderTest, UpperCaseLineBreakEscapesAreReadToo) {
    EventRecord event = timeEvent(0, false);
    write({event});
    std::string text = test::readFile(folder_ / "sl.csv");
    for (std::size_t at = 0; (at = text.find("\\r\\n", at)) != std::string::npos;) text.replace(at, 4, "\\R\\N");
    test::writeFile(folder_ / "sl.csv", text);
    load();
    EXPECT_EQ(engine_.events().items(0).schedule().startDate().date, dateOf(2030, 1, 1));
}

TEST_F(EventLoaderTest, AMissingListLoadsNothing) {
    configureEventListTable(list_, (folder_ / "sl.csv").string(), true);
    load();
    EXPECT_EQ(logLines(), (std::vector<std::string>{">> All events for scheduler: 0", "Service init OK"}));
}

}  // namespace
}  // namespace orvalo
