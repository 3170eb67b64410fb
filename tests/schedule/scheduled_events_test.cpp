#include "schedule/scheduled_events.h"

#include <gtest/gtest.h>

#include "support/test_helpers.h"

#include "platform/main_loop.h"
#include "schedule/scheduler_thread.h"
#include "schedule_test_support.h"

namespace orvalo {
namespace {

using namespace std::chrono_literals;
using test::at;

// An engine on a hand-driven main loop and a clock the test moves; the scheduler
// thread is real and is woken whenever the test moves the clock.
class ScheduledEventsTest : public ::testing::Test {
protected:
    ScheduledEventsTest() { clock_.set(toWallTime(at(2026, 12, 11, 12))); }

    // The clock moves between two scans, never during one, as one reading of the
    // clock per component and scan would see it.
    void moveClockTo(ScheduleStamp stamp) {
        {
            std::lock_guard lock(scheduler_.lock());
            clock_.set(toWallTime(stamp));
        }
        scheduler_.wake();
    }
    // Runs the loop until done() holds; false after five seconds.
    template <typename Done>
    bool runUntil(Done done) {
        return test::pumpUntil(loop_, done);
    }
    // Lets the scheduler thread scan once more and the loop run what it posted.
    void settle() {
        const unsigned long scans = scheduler_.scans();
        scheduler_.wake();
        runUntil([&] { return scheduler_.scans() > scans; });
        loop_.runPending();
    }
    EventCollectionItem& oneShotAt(ScheduleStamp start, std::vector<int>* fired = nullptr) {
        EventCollectionItem& item = engine_.events().add();
        item.schedule().setStartDate(start);
        item.setCountMissedEvents(true);
        if (fired) item.setOnExecute([fired](EventCollectionItem& sender) { fired->push_back(sender.index()); });
        return item;
    }

    ManualClock clock_;
    MainLoop loop_;
    SchedulerThread scheduler_{clock_};
    ScheduledEvents engine_{scheduler_, loop_, clock_};
};

TEST_F(ScheduledEventsTest, OneShotsInThePastEndAndInTheFutureFireOnce) {
    std::vector<int> fired;
    EventCollectionItem& past = oneShotAt(at(2026, 12, 11, 11), &fired);
    EventCollectionItem& future = oneShotAt(at(2026, 12, 11, 13), &fired);
    past.activate();
    future.activate();
    EXPECT_EQ(past.state(), eisEnded);
    EXPECT_EQ(future.state(), eisWaiting);
    EXPECT_EQ(future.nextFireTime(), at(2026, 12, 11, 13));

    settle();
    EXPECT_TRUE(fired.empty());
    moveClockTo(at(2026, 12, 11, 13));
    ASSERT_TRUE(runUntil([&] { return fired.size() == 1; }));
    EXPECT_EQ(fired, std::vector<int>{1});
    EXPECT_EQ(future.state(), eisEnded);
    moveClockTo(at(2026, 12, 12, 13));
    settle();
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(ScheduledEventsTest, ActivateRestartsTheCountersAndAnEndedCountStaysEnded) {
    EventCollectionItem& item = engine_.events().add();
    item.setCountMissedEvents(true);
    Schedule& s = item.schedule();
    s.setStartDate(at(2026, 12, 1, 9));
    s.setRecurringType(srkDaily);
    s.daily().setEveryWeekDay(false);
    s.dailyFreq().setStartTime(test::hours(9));
    s.dailyFreq().setInterval(0);

    item.activate();
    EXPECT_EQ(item.state(), eisWaiting);
    EXPECT_EQ(item.nextFireTime(), at(2026, 12, 12, 9));
    EXPECT_EQ(s.triggerCount(), 12u);  // the 1st to the 11th, and the 12th handed out
    item.deactivate();
    EXPECT_EQ(item.state(), eisStopped);
    EXPECT_EQ(item.nextFireTime(), at(2026, 12, 12, 9));
    item.activate();
    EXPECT_EQ(s.triggerCount(), 12u);  // counted again from the start, not on top

    item.deactivate();
    s.setEndType(sekTriggerCount);
    s.setEndCount(5);
    item.activate();
    EXPECT_EQ(item.state(), eisEnded);
    item.activate();
    EXPECT_EQ(item.state(), eisEnded);
}

TEST_F(ScheduledEventsTest, ActivateWhileTheHandlerRunsIsRefused) {
    EventCollectionItem& item = oneShotAt(at(2026, 12, 11, 12, 0, 1));
    std::string refused;
    item.setOnExecute([&](EventCollectionItem& sender) {
        EXPECT_EQ(sender.state(), eisExecuting);
        try {
            sender.activate();
        } catch (const ComponentError& e) {
            refused = e.what();
        }
    });
    item.activate();
    moveClockTo(at(2026, 12, 11, 12, 0, 1));
    ASSERT_TRUE(runUntil([&] { return !refused.empty(); }));
    EXPECT_EQ(refused, "Cannot restart: Event is being triggered or is executing");
    EXPECT_EQ(item.state(), eisEnded);
}

TEST_F(ScheduledEventsTest, InsertKeepsPositionsAndRefusesIndexesBeyondTheEnd) {
    EventCollection& events = engine_.events();
    try {
        events.insert(1);
        FAIL();
    } catch (const ComponentError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
    EXPECT_EQ(events.count(), 0);  // a refused insert leaves no item behind
    for (int id : {0, 1, 2}) events.insert(id).setName("Event" + std::to_string(id + 1));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(events.items(i).name(), "Event" + std::to_string(i + 1));
    events.insert(1).setName("new");
    EXPECT_EQ(events.items(1).name(), "new");
    EXPECT_EQ(events.items(2).index(), 2);
    EXPECT_EQ(events.items(2).name(), "Event2");
    EXPECT_THROW(events.items(4), ComponentError);
    EXPECT_THROW(events.items(-1), ComponentError);
    events.deleteItem(1);
    EXPECT_EQ(events.items(1).name(), "Event2");
    events.clear();
    EXPECT_EQ(events.count(), 0);
}

TEST_F(ScheduledEventsTest, ALongHandlerCausesOneExtraFireNotOnePerMissedTrigger) {
    EventCollectionItem& item = engine_.events().add();
    item.setCountMissedEvents(true);
    Schedule& s = item.schedule();
    s.setStartDate(at(2026, 12, 11, 12));
    s.setRecurringType(srkDaily);
    s.dailyFreq().setInterval(1000);  // every second
    int runs = 0;
    item.setOnExecute([&](EventCollectionItem&) {
        if (++runs == 1) clock_.set(toWallTime(at(2026, 12, 11, 12, 0, 6, 500)));  // a handler of 5.5 s
    });
    item.activate();
    EXPECT_EQ(item.nextFireTime(), at(2026, 12, 11, 12));
    moveClockTo(at(2026, 12, 11, 12));
    ASSERT_TRUE(runUntil([&] { return runs == 2; }));
    settle();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(item.nextFireTime(), at(2026, 12, 11, 12, 0, 7));
    EXPECT_EQ(s.triggerCount(), 8u);  // 12:00:00 .. 12:00:07, every one counted
}

TEST_F(ScheduledEventsTest, DueItemsRunInIndexOrderComponentsLastRegisteredFirst) {
    ScheduledEvents second(scheduler_, loop_, clock_);
    std::vector<std::string> order;
    auto record = [&](const std::string& who) {
        return [&order, who](EventCollectionItem&) { order.push_back(who); };
    };
    for (int i = 0; i < 3; ++i) {
        EventCollectionItem& item = engine_.events().add();
        item.schedule().setStartDate(at(2026, 12, 11, 12, 30));
        item.setOnExecute(record("first." + std::to_string(i)));
        item.activate();
    }
    EventCollectionItem& other = second.events().add();
    other.schedule().setStartDate(at(2026, 12, 11, 12, 30));
    other.setOnExecute(record("second.0"));
    other.activate();

    moveClockTo(at(2026, 12, 11, 12, 30));
    ASSERT_TRUE(runUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<std::string>{"second.0", "first.0", "first.1", "first.2"}));
}

TEST_F(ScheduledEventsTest, AnItemFreedWhileQueuedNeverRuns) {
    std::vector<int> fired;
    EventCollectionItem& item = oneShotAt(at(2026, 12, 11, 12, 5), &fired);
    item.activate();
    moveClockTo(at(2026, 12, 11, 12, 5));
    // Wait until the scheduler has found it due, without running the loop.
    const auto giveUp = std::chrono::steady_clock::now() + 5s;
    while (item.state() != eisTriggered && std::chrono::steady_clock::now() < giveUp) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(item.state(), eisTriggered);
    engine_.events().clear();
    loop_.runPending();
    EXPECT_TRUE(fired.empty());
}

TEST_F(ScheduledEventsTest, AFailingHandlerIsReportedAndTheItemCarriesOn) {
    std::vector<std::string> errors;
    engine_.setErrorHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& error) {
            errors.push_back(error.what());
        }
    });
    EventCollectionItem& item = engine_.events().add();
    item.schedule().setStartDate(at(2026, 12, 11, 12, 1));
    item.schedule().setRecurringType(srkDaily);
    item.schedule().dailyFreq().setInterval(60'000);
    item.setCountMissedEvents(true);
    item.setOnExecute([](EventCollectionItem&) { throw std::runtime_error("handler failed"); });
    item.activate();
    moveClockTo(at(2026, 12, 11, 12, 1));
    ASSERT_TRUE(runUntil([&] { return errors.size() == 1; }));
    EXPECT_EQ(errors.front(), "handler failed");
    EXPECT_EQ(item.state(), eisWaiting);
    moveClockTo(at(2026, 12, 11, 12, 2));
    ASSERT_TRUE(runUntil([&] { return errors.size() == 2; }));
}

TEST_F(ScheduledEventsTest, AClockSetBackRestartsOnlyTriggeredExecutingAndPausedItems) {
    EventCollectionItem& waiting = oneShotAt(at(2026, 12, 11, 14));
    waiting.activate();
    EventCollectionItem& busy = engine_.events().add();
    busy.setCountMissedEvents(true);
    busy.schedule().setStartDate(at(2026, 12, 11, 12));
    busy.schedule().setRecurringType(srkDaily);
    busy.schedule().daily().setEveryWeekDay(false);
    busy.schedule().dailyFreq().setStartTime(test::hours(12));
    busy.schedule().dailyFreq().setInterval(0);
    bool clockSetBack = false;
    busy.setOnExecute([&](EventCollectionItem&) {
        clock_.set(toWallTime(at(2026, 12, 10, 8)));  // the clock goes back a day and more
        engine_.clockChanged();
        clockSetBack = true;
    });
    busy.activate();
    moveClockTo(at(2026, 12, 11, 12));
    ASSERT_TRUE(runUntil([&] { return clockSetBack; }));
    EXPECT_EQ(waiting.state(), eisWaiting);
    EXPECT_EQ(waiting.nextFireTime(), at(2026, 12, 11, 14));
    // Restarted from the new now: the walk from the start finds the start day's trigger.
    EXPECT_EQ(busy.state(), eisWaiting);
    EXPECT_EQ(busy.nextFireTime(), at(2026, 12, 11, 12));
}

TEST_F(ScheduledEventsTest, TheSchedulerSleepsWhileNothingIsDue) {
    for (int i = 0; i < 100; ++i) oneShotAt(at(2026, 12, 11, 18)).activate();
    settle();
    const unsigned long scans = scheduler_.scans();
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(scheduler_.scans(), scans + 1);
}

}  // namespace
}  // namespace orvalo
