#include "schedule/schedule.h"

#include <functional>
#include <gtest/gtest.h>

#include "support/test_helpers.h"
#include <optional>

#include "schedule/schedule_error.h"
#include "schedule_test_support.h"

namespace orvalo {
namespace {

using test::at;
using test::errorOf;
using test::hours;

constexpr ScheduleStamp kEmpty = ScheduleStamp::empty();

std::string show(ScheduleStamp s) {
    if (s.isEmpty()) return "(empty)";
    const LocalDateTime t = toLocalDateTime(s);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.millisecond);
    return text;
}

// One step of an example: stepFrom(from) must give expected; no from means the
// previous step's result.
struct Step {
    std::optional<ScheduleStamp> from;
    ScheduleStamp expected;
};

struct Example {
    const char* name;
    std::function<void(Schedule&)> setUp;
    std::vector<Step> steps;
};

void hourly8to18(Schedule& s) {
    s.dailyFreq().setStartTime(hours(8));
    s.dailyFreq().setEndTime(hours(18));
    s.dailyFreq().setInterval(hours(1));
}

const std::vector<Example>& examples() {
    static const std::vector<Example> all = {
        {"daily every weekday, hourly 08 to 18, from a Wednesday 10:30 start",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4, 10, 30));
             s.setRecurringType(srkDaily);
             hourly8to18(s);
         },
         {{kEmpty, at(2009, 3, 4, 11)},
          {at(2009, 3, 4, 18), at(2009, 3, 5, 8)},
          {at(2009, 3, 6, 18), at(2009, 3, 9, 8)}}},
        {"weekly on Monday: the time found on the Wednesday start stays",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4, 14));
             s.setRecurringType(srkWeekly);
             hourly8to18(s);
         },
         {{kEmpty, at(2009, 3, 9, 14)},
          {{}, at(2009, 3, 9, 15)},
          {{}, at(2009, 3, 9, 16)},
          {{}, at(2009, 3, 9, 17)},
          {{}, at(2009, 3, 9, 18)},
          {{}, at(2009, 3, 16, 8)}}},
        {"fortnightly on Monday and Friday, once a day",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkWeekly);
             s.weekly().setDaysOfWeek(weekDaySet(swdMonday) | weekDaySet(swdFriday));
             s.weekly().setInterval(2);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 3, 6)},
          {{}, at(2009, 3, 9)},
          {{}, at(2009, 3, 20)},
          {{}, at(2009, 3, 23)},
          {{}, at(2009, 4, 3)},
          {{}, at(2009, 4, 6)}}},
        {"every third day",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkDaily);
             s.daily().setInterval(3);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 3, 4)}, {{}, at(2009, 3, 7)}, {{}, at(2009, 3, 10)}, {at(2009, 3, 5), at(2009, 3, 7)}}},
        {"a day-frequency interval of 0 fires once per day at the start time",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkDaily);
             s.daily().setEveryWeekDay(false);
             s.dailyFreq().setStartTime(hours(9));
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 3, 4, 9)}, {{}, at(2009, 3, 5, 9)}, {{}, at(2009, 3, 6, 9)}}},
        {"one shot",
         [](Schedule& s) { s.setStartDate(at(2009, 3, 4, 12)); },
         {{at(2009, 3, 4, 11), at(2009, 3, 4, 12)}, {{}, kEmpty}, {kEmpty, kEmpty}}},
        {"one shot asked after its start",
         [](Schedule& s) { s.setStartDate(at(2009, 3, 4, 12)); },
         {{at(2009, 3, 4, 13), kEmpty}, {kEmpty, at(2009, 3, 4, 12)}}},
        {"three triggers, then the count ends it",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkDaily);
             s.setEndType(sekTriggerCount);
             s.setEndCount(3);
         },
         {{kEmpty, at(2009, 3, 4)}, {{}, at(2009, 3, 4, 0, 0, 0, 500)}, {{}, at(2009, 3, 4, 0, 0, 1)}, {{}, kEmpty}}},
        {"a trigger count of 0 gives none",
         [](Schedule& s) {
             s.setRecurringType(srkDaily);
             s.setEndType(sekTriggerCount);
         },
         {{kEmpty, kEmpty}}},
        {"a day count of 1 gives the whole first day and nothing after it",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4, 16));
             s.setRecurringType(srkDaily);
             s.daily().setEveryWeekDay(false);
             hourly8to18(s);
             s.setEndType(sekDayCount);
             s.setEndCount(1);
         },
         {{kEmpty, at(2009, 3, 4, 16)}, {{}, at(2009, 3, 4, 17)}, {{}, at(2009, 3, 4, 18)}, {{}, kEmpty}}},
        {"an end date: the trigger exactly on it is the last",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkDaily);
             s.daily().setEveryWeekDay(false);
             s.dailyFreq().setStartTime(hours(10));
             s.dailyFreq().setInterval(0);
             s.setEndType(sekDate);
             s.setEndDate(at(2009, 3, 5, 10));
         },
         {{kEmpty, at(2009, 3, 4, 10)}, {{}, at(2009, 3, 5, 10)}, {{}, kEmpty}}},
        {"monthly on day 31 takes the last day of shorter months",
         [](Schedule& s) {
             s.setStartDate(at(2009, 1, 1));
             s.setRecurringType(srkMonthly);
             s.monthly().setDay(31);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 1, 31)},
          {{}, at(2009, 2, 28)},
          {{}, at(2009, 3, 31)},
          {{}, at(2009, 4, 30)},
          {at(2012, 1, 31), at(2012, 2, 29)}}},
        {"monthly on the last-but-one day",
         [](Schedule& s) {
             s.setStartDate(at(2009, 1, 1));
             s.setRecurringType(srkMonthly);
             s.monthly().setIndexKind(sikDay);
             s.monthly().setIndexValue(-2);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 1, 30)}, {{}, at(2009, 2, 27)}, {{}, at(2009, 3, 30)}}},
        {"monthly on the second weekend day, in a month that starts on a Sunday",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 1));
             s.setRecurringType(srkMonthly);
             s.monthly().setIndexKind(sikWeekendDay);
             s.monthly().setIndexValue(2);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 3, 7)}, {{}, at(2009, 4, 5)}}},
        {"every 12 months on the 15th",
         [](Schedule& s) {
             s.setStartDate(at(2009, 12, 15));
             s.setRecurringType(srkMonthly);
             s.monthly().setDay(15);
             s.monthly().setInterval(12);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(2009, 12, 15)}, {{}, at(2010, 12, 15)}}},
        {"yearly on March 15",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4));
             s.setRecurringType(srkYearly);
             s.yearly().setMonth(3);
             s.yearly().setDay(15);
             s.dailyFreq().setInterval(0);
         },
         {{at(2010, 1, 10), at(2010, 3, 15)}, {{}, at(2011, 3, 15)}}},
        {"a moment on the start day before the start time is not moved to the start",
         [](Schedule& s) {
             s.setStartDate(at(2009, 3, 4, 10, 30));
             s.setRecurringType(srkDaily);
             hourly8to18(s);
         },
         {{at(2009, 3, 4, 9), at(2009, 3, 4, 10)}}},
        {"the calendar ends at 9999-12-31",
         [](Schedule& s) {
             s.setStartDate(at(9999, 12, 30));
             s.setRecurringType(srkDaily);
             s.daily().setEveryWeekDay(false);
             s.dailyFreq().setInterval(0);
         },
         {{kEmpty, at(9999, 12, 30)}, {{}, at(9999, 12, 31)}, {{}, kEmpty}}},
    };
    return all;
}

TEST(Schedule, WorkedExamples) {
    const ManualClock clock(std::chrono::system_clock::now());
    for (const Example& example : examples()) {
        Schedule schedule(clock);
        example.setUp(schedule);
        ScheduleStamp previous = kEmpty;
        int index = 0;
        for (const Step& step : example.steps) {
            const ScheduleStamp from = step.from.value_or(previous);
            previous = schedule.stepFrom(from);
            EXPECT_EQ(show(previous), show(step.expected)) << example.name << ", step " << index << " from " << show(from);
            ++index;
        }
    }
}

TEST(Schedule, CountMissedHandsOutEveryMissedTrigger) {
    // Now is 2026-12-11 15:00; a once-a-day schedule at 09:00 started three days ago.
    ManualClock clock;
    clock.set(std::chrono::system_clock::now());
    Schedule schedule(clock);
    const ScheduleStamp now = at(2026, 12, 11, 15);
    schedule.setStartDate(at(2026, 12, 8, 9));
    schedule.setRecurringType(srkDaily);
    schedule.daily().setEveryWeekDay(false);
    schedule.dailyFreq().setStartTime(hours(9));
    schedule.dailyFreq().setInterval(0);
    schedule.clearCounters();
    EXPECT_EQ(show(schedule.nextTriggerFrom(now, true)), show(at(2026, 12, 12, 9)));
    EXPECT_EQ(schedule.triggerCount(), 5u);
    EXPECT_EQ(schedule.dayCount(), 5u);
    EXPECT_EQ(schedule.lastTriggered(), at(2026, 12, 12, 9));

    // Without counting, only the next one is handed out.
    schedule.clearCounters();
    EXPECT_EQ(show(schedule.nextTriggerFrom(now, false)), show(at(2026, 12, 12, 9)));
    EXPECT_EQ(schedule.triggerCount(), 1u);
    // nextTrigger steps from the last trigger.
    EXPECT_EQ(show(schedule.nextTrigger()), show(at(2026, 12, 13, 9)));
}

TEST(Schedule, OneShotWalkCountsItBeforeGivingUp) {
    const ManualClock clock;
    Schedule schedule(clock);
    schedule.setStartDate(at(2009, 3, 4, 12));
    schedule.clearCounters();
    EXPECT_EQ(schedule.nextTriggerFrom(at(2009, 3, 4, 13), true), kEmpty);
    EXPECT_EQ(schedule.triggerCount(), 1u);
    EXPECT_EQ(schedule.lastTriggered(), at(2009, 3, 4, 12));
}

TEST(Schedule, NewScheduleValues) {
    ManualClock clock;
    clock.set(std::chrono::system_clock::from_time_t(1'800'000'000) + std::chrono::milliseconds(789));
    Schedule s(clock);
    const ScheduleStamp now = nowStamp(clock);
    EXPECT_EQ(s.startDate().date, now.date);
    EXPECT_EQ(s.startDate().time, now.time - 789);
    EXPECT_EQ(s.recurringType(), srkOneShot);
    EXPECT_EQ(s.endType(), sekNone);
    EXPECT_EQ(s.endDate(), (ScheduleStamp{0, 0}));
    EXPECT_EQ(s.lastTriggered(), (ScheduleStamp{0, 0}));
    EXPECT_EQ(s.dailyFreq().startTime(), 0u);
    EXPECT_EQ(s.dailyFreq().endTime(), 86'399'999u);
    EXPECT_EQ(s.dailyFreq().interval(), 500u);
    s.setRecurringType(srkDaily);
    EXPECT_TRUE(s.daily().everyWeekDay());
    EXPECT_EQ(s.daily().interval(), 0u);  // reads 0 while every weekday
    s.setRecurringType(srkWeekly);
    EXPECT_EQ(s.weekly().daysOfWeek(), weekDaySet(swdMonday));
    s.setRecurringType(srkYearly);
    EXPECT_EQ(s.yearly().month(), 1);
    EXPECT_EQ(s.yearly().day(), 1);
    EXPECT_EQ(s.yearly().indexKind(), sikNone);
}

TEST(Schedule, WriteRules) {
    const ManualClock clock;
    Schedule s(clock);
    auto freq = s.dailyFreq();
    EXPECT_EQ(errorOf([&] { freq.setStartTime(86'400'000); }), "Invalid time specification");
    freq.setEndTime(hours(10));
    freq.setStartTime(hours(12));
    EXPECT_EQ(freq.endTime(), hours(12));  // raised to the new start
    EXPECT_EQ(errorOf([&] { freq.setEndTime(hours(11)); }), "End time can not be before start time");
    EXPECT_EQ(errorOf([&] { freq.setEndTime(86'400'000); }), "Invalid time specification");
    EXPECT_EQ(errorOf([&] { freq.setInterval(86'400'000); }), "Invalid time specification");
    freq.setEndTime(hours(20));
    freq.setInterval(0);
    EXPECT_EQ(freq.endTime(), hours(12));
    EXPECT_EQ(freq.interval(), 1u);

    s.setRecurringType(srkDaily);
    EXPECT_EQ(errorOf([&] { s.daily().setInterval(0); }), "Interval should be larger than 0");
    s.daily().setInterval(4);
    EXPECT_FALSE(s.daily().everyWeekDay());
    EXPECT_EQ(s.daily().interval(), 4u);

    s.setRecurringType(srkWeekly);
    EXPECT_EQ(errorOf([&] { s.weekly().setDaysOfWeek(0); }), "At least one day of the week should be specified");
    EXPECT_EQ(errorOf([&] { s.weekly().setDaysOfWeek(0x80); }), "At least one day of the week should be specified");
    EXPECT_EQ(errorOf([&] { s.weekly().setInterval(0); }), "Interval should be larger than 0");

    for (ScheduleRecurringKind kind : {srkMonthly, srkYearly}) {
        s.setRecurringType(kind);
        MonthlySchedule part = kind == srkMonthly ? s.monthly() : static_cast<MonthlySchedule>(s.yearly());
        EXPECT_EQ(errorOf([&] { part.indexValue(); }), "Property IndexValue not supported for current IndexKind");
        EXPECT_EQ(errorOf([&] { part.setIndexValue(2); }), "Property IndexValue not supported for current IndexKind");
        EXPECT_EQ(errorOf([&] { part.setDay(0); }), "Day values should fall in the range 1 .. 31");
        EXPECT_EQ(errorOf([&] { part.setDay(32); }), "Day values should fall in the range 1 .. 31");
        EXPECT_EQ(errorOf([&] { part.setInterval(0); }), "Interval should be larger than 0");
        part.setIndexKind(sikFriday);
        EXPECT_EQ(errorOf([&] { part.setIndexValue(0); }), "IndexValue can not be 0");
        EXPECT_EQ(errorOf([&] { part.setDay(5); }), "Property Day not supported for current IndexKind");
        EXPECT_EQ(errorOf([&] { part.setIndexKind(static_cast<ScheduleIndexKind>(11)); }),
                  "IndexKind 11 is not one of sikNone .. sikSunday");
        EXPECT_EQ(part.indexKind(), sikFriday);
    }
    EXPECT_EQ(errorOf([&] { s.yearly().setMonth(13); }), "Month values should fall in the range 1 .. 12");
    EXPECT_EQ(errorOf([&] { s.yearly().setMonth(0); }), "Month values should fall in the range 1 .. 12");
}

TEST(Schedule, PartsRefuseAccessUnderAnotherRecurringType) {
    const ManualClock clock;
    Schedule s(clock);
    s.setRecurringType(srkWeekly);
    EXPECT_EQ(errorOf([&] { s.daily().everyWeekDay(); }),
              "The srkDaily settings do not apply to a schedule of type srkWeekly");
    EXPECT_EQ(errorOf([&] { s.monthly().setDay(3); }),
              "The srkMonthly settings do not apply to a schedule of type srkWeekly");
    EXPECT_EQ(errorOf([&] { s.yearly().month(); }),
              "The srkYearly settings do not apply to a schedule of type srkWeekly");
    EXPECT_NO_THROW(s.dailyFreq().setStartTime(5));  // the day frequency serves every kind
    s.setRecurringType(srkMonthly);
    s.monthly().setDay(3);
    s.setRecurringType(srkYearly);
    EXPECT_EQ(s.yearly().day(), 1);  // the monthly and yearly parts are separate
}

TEST(Schedule, ValuesOutsideTheEnumerations) {
    const ManualClock clock;
    Schedule s(clock);
    s.setStartDate(at(2009, 3, 4));
    s.setRecurringType(static_cast<ScheduleRecurringKind>(9));
    EXPECT_EQ(s.stepFrom(kEmpty), kEmpty);
    EXPECT_EQ(s.nextTriggerFrom(at(2010, 1, 1), true), kEmpty);
    EXPECT_EQ(s.triggerCount(), 0u);

    s.setRecurringType(srkOneShot);
    s.setEndType(static_cast<ScheduleEndKind>(7));  // no end check
    EXPECT_EQ(s.stepFrom(kEmpty), at(2009, 3, 4));
}

TEST(Schedule, StartDatesOutsideTheCalendarGiveNoTrigger) {
    const ManualClock clock;
    for (ScheduleRecurringKind kind : {srkDaily, srkWeekly, srkMonthly, srkYearly}) {
        for (ScheduleStamp start : {ScheduleStamp{0, -5}, ScheduleStamp{0, kLastDate + 10},
                                    ScheduleStamp{INT32_MIN, INT32_MAX}, ScheduleStamp{INT32_MAX, kLastDate}}) {
            Schedule s(clock);
            s.setStartDate(start);
            s.setRecurringType(kind);
            if (kind == srkMonthly) s.monthly().setInterval(UINT32_MAX);
            if (kind == srkYearly) s.yearly().setInterval(UINT32_MAX);
            EXPECT_NO_THROW(s.stepFrom(kEmpty));
            EXPECT_NO_THROW(s.nextTriggerFrom({0, kLastDate}, true));
        }
    }
}

TEST(Schedule, TargetDays) {
    const ManualClock clock;
    Schedule s(clock);
    s.setRecurringType(srkMonthly);
    auto m = s.monthly();
    struct Case {
        ScheduleIndexKind kind;
        std::int32_t value;
        int expected;  // in March 2009: starts on a Sunday, 31 days
    };
    const Case cases[] = {
        {sikDay, 1, 1},          {sikDay, -1, 31},        {sikDay, 40, 31},        {sikDay, -2, 30},
        {sikDay, -31, 1},        {sikDay, -40, 1},        {sikDay, INT32_MIN, 1},  {sikWeekDay, 1, 2},
        {sikWeekDay, -1, 31},    {sikWeekDay, 5, 6},      {sikWeekDay, 30, 31},    {sikWeekDay, -30, 2},
        {sikWeekendDay, 2, 7},   {sikWeekendDay, -2, 28}, {sikWeekendDay, 9, 29},  {sikMonday, 4, 23},
        {sikMonday, 5, 30},      {sikTuesday, 5, 31},     {sikWednesday, 5, 25},   {sikSunday, 1, 1},
        {sikSaturday, -1, 28},   {sikFriday, -5, 6},      {sikThursday, 2, 12},
    };
    for (const auto& c : cases) {
        m.setIndexKind(c.kind);
        m.setIndexValue(c.value);
        EXPECT_EQ(s.targetDay(2009, 3), c.expected) << int(c.kind) << " " << c.value;
    }
}

}  // namespace
}  // namespace orvalo
