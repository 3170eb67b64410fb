// The clock policy of the engine, one test per line of its table (see
// scheduler_thread.cpp): what a clock set forward or back, a new time zone, the
// repeated and the skipped hour of daylight saving, and a suspend do to items.
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

#include "platform/main_loop.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"
#include "schedule_test_support.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;
using test::at;

// Sets TZ for the test and restores it.
class ZoneForTest {
public:
    explicit ZoneForTest(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old;
        set(zone);
    }
    ~ZoneForTest() {
        if (saved_) set(saved_->c_str());
        else {
            ::unsetenv("TZ");
            ::tzset();
        }
    }
    static void set(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

// A real moment given in UTC.
WallTime utc(int year, int month, int day, int hour, int minute = 0) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return std::chrono::time_point_cast<WallTime::duration>(std::chrono::system_clock::from_time_t(::timegm(&tm)));
}

class ClockPolicyTest : public ::testing::Test {
protected:
    ClockPolicyTest() : zone_("UTC0") { clock_.set(toWallTime(at(2026, 12, 11, 12, 30))); }

    void moveClockTo(WallTime moment) {
        {
            std::lock_guard lock(scheduler_.lock());
            clock_.set(moment);
        }
        scheduler_.wake();
    }
    // Lets the scheduler scan and the loop run what it posted.
    void settle() {
        const unsigned long scans = scheduler_.scans();
        scheduler_.wake();
        test::pumpUntil(loop_, [&] { return scheduler_.scans() > scans; });
        loop_.runPending();
    }
    // Every `minutes` from the start's time of day to the day's end, or (0) once a
    // day at that time; each fire noted with the local now.
    EventCollectionItem& every(int minutes, ScheduleStamp start) {
        EventCollectionItem& item = engine_.events().add();
        item.setCountMissedEvents(true);
        Schedule& s = item.schedule();
        s.setStartDate(start);
        s.setRecurringType(srkDaily);
        s.daily().setEveryWeekDay(false);
        s.dailyFreq().setStartTime(static_cast<std::uint32_t>(start.time));
        s.dailyFreq().setEndTime(kMillisecondsPerDay - 1);
        s.dailyFreq().setInterval(static_cast<std::uint32_t>(minutes) * 60'000);
        item.setOnExecute([this](EventCollectionItem&) { fires_.push_back(nowStamp(clock_)); });
        return item;
    }

    ZoneForTest zone_;
    ManualClock clock_;
    MainLoop loop_;
    SchedulerThread scheduler_{clock_};
    ScheduledEvents engine_{scheduler_, loop_, clock_};
    std::vector<ScheduleStamp> fires_;
};

TEST_F(ClockPolicyTest, AClockSetForwardRunsAWaitingItemOnceAndCountsWhatItPassedOver) {
    EventCollectionItem& hourly = every(60, at(2026, 12, 11, 0));
    hourly.activate();
    const std::uint32_t counted = hourly.schedule().triggerCount();
    EXPECT_EQ(hourly.nextFireTime(), at(2026, 12, 11, 13));
    moveClockTo(toWallTime(at(2026, 12, 11, 17, 10)));
    engine_.clockChanged();
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 1; }));
    settle();
    EXPECT_EQ(fires_.size(), 1u);  // once, not five times
    EXPECT_EQ(hourly.nextFireTime(), at(2026, 12, 11, 18));
    EXPECT_EQ(hourly.schedule().triggerCount(), counted + 5);  // 13:00 to 17:00 counted, 18:00 handed out
}

TEST_F(ClockPolicyTest, AClockSetBackKeepsAWaitingFireTimeAndRunsNothingTwice) {
    EventCollectionItem& hourly = every(60, at(2026, 12, 11, 0));
    hourly.activate();
    moveClockTo(toWallTime(at(2026, 12, 11, 13)));
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 1; }));
    EXPECT_EQ(hourly.nextFireTime(), at(2026, 12, 11, 14));
    moveClockTo(toWallTime(at(2026, 12, 11, 10, 30)));  // an hour and a half back
    engine_.clockChanged();
    settle();
    EXPECT_EQ(hourly.nextFireTime(), at(2026, 12, 11, 14));
    moveClockTo(toWallTime(at(2026, 12, 11, 13, 0, 30)));  // 13:00 again: not run a second time
    settle();
    EXPECT_EQ(fires_.size(), 1u);
    moveClockTo(toWallTime(at(2026, 12, 11, 14)));
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 2; }));
}

TEST_F(ClockPolicyTest, ANewTimeZoneKeepsTheLocalFireTime) {
    EventCollectionItem& daily = every(0, at(2026, 12, 11, 13));
    daily.activate();
    EXPECT_EQ(daily.nextFireTime(), at(2026, 12, 11, 13));
    moveClockTo(utc(2026, 12, 11, 11, 30));
    ZoneForTest::set("CET-1");  // 12:30 local now
    engine_.clockChanged();
    settle();
    EXPECT_EQ(daily.nextFireTime(), at(2026, 12, 11, 13));  // 13:00 local, 12:00 UTC
    moveClockTo(utc(2026, 12, 11, 11, 59));
    settle();
    EXPECT_TRUE(fires_.empty());
    moveClockTo(utc(2026, 12, 11, 12, 0));
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 1; }));
}

// Daylight saving ends on 2026-10-25 at 03:00 CEST: 02:00 to 03:00 comes twice.
TEST_F(ClockPolicyTest, TheRepeatedHourRunsEachLocalTimeOnce) {
    ZoneForTest::set("CET-1CEST,M3.5.0,M10.5.0/3");
    moveClockTo(utc(2026, 10, 24, 23, 50));  // 01:50 CEST
    EventCollectionItem& half = every(30, at(2026, 10, 25, 0));
    half.activate();
    for (const WallTime moment : {utc(2026, 10, 25, 0, 0), utc(2026, 10, 25, 0, 30)}) {  // 02:00, 02:30 CEST
        moveClockTo(moment);
        settle();
    }
    EXPECT_EQ(fires_.size(), 2u);
    for (const WallTime moment : {utc(2026, 10, 25, 1, 0), utc(2026, 10, 25, 1, 30)}) {  // 02:00, 02:30 CET
        moveClockTo(moment);
        settle();
    }
    EXPECT_EQ(fires_.size(), 2u);  // the second pass runs nothing
    moveClockTo(utc(2026, 10, 25, 2, 0));  // 03:00 CET
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 3; }));
    EXPECT_EQ(fires_.back(), at(2026, 10, 25, 3));
}

// Daylight saving begins on 2026-03-29 at 02:00 CET: 02:00 to 03:00 does not exist.
TEST_F(ClockPolicyTest, ATimeInTheSkippedHourRunsAtTheFirstMomentAfterIt) {
    ZoneForTest::set("CET-1CEST,M3.5.0,M10.5.0/3");
    moveClockTo(utc(2026, 3, 29, 0, 50));  // 01:50 CET
    EventCollectionItem& daily = every(0, at(2026, 3, 29, 2, 30));  // 02:30, which never comes
    daily.activate();
    moveClockTo(utc(2026, 3, 29, 0, 59));
    settle();
    EXPECT_TRUE(fires_.empty());
    moveClockTo(utc(2026, 3, 29, 1, 0));  // 03:00 CEST
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 1; }));
    settle();
    EXPECT_EQ(fires_.size(), 1u);
}

// A suspend moves the clock on without a setting of it: the scan, at the latest
// after its longest sleep, finds the waiting item due and runs it once; an item
// that is executing carries on and is not restarted.
TEST_F(ClockPolicyTest, AfterASuspendAWaitingItemRunsOnceAndABusyOneCarriesOn) {
    EventCollectionItem& hourly = every(60, at(2026, 12, 11, 0));
    hourly.activate();
    EventCollectionItem& busy = every(60, at(2026, 12, 11, 0, 45));
    bool resumed = false;
    ScheduleStamp busyNext;
    busy.setOnExecute([&](EventCollectionItem& sender) {
        if (resumed) return;
        // Suspended while this handler runs; no clock change is reported.
        clock_.set(toWallTime(at(2026, 12, 11, 20, 10)));
        busyNext = sender.nextFireTime();
        resumed = true;
    });
    busy.activate();
    moveClockTo(toWallTime(at(2026, 12, 11, 12, 45)));
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return resumed; }));
    EXPECT_EQ(busyNext, at(2026, 12, 11, 13, 45));  // computed before the suspend, kept
    scheduler_.wake();  // what the longest sleep does by itself
    ASSERT_TRUE(test::pumpUntil(loop_, [&] { return fires_.size() == 1; }));
    settle();
    EXPECT_EQ(fires_.size(), 1u);  // the hourly item, once
    EXPECT_EQ(hourly.nextFireTime(), at(2026, 12, 11, 21));
}

}  // namespace
}  // namespace orvalo
