#include "manager/core/time_event_form.h"

#include <gtest/gtest.h>

#include "schedule/schedule_text_store.h"
#include "support/test_helpers.h"

namespace orvalo {
namespace {

const ManualClock kClock;

TimeEventForm form() { return TimeEventForm::defaults({2024, 3, 1, 9, 0, 0, 0}); }
constexpr int at(int h, int m = 0, int s = 0) { return ((h * 60 + m) * 60 + s) * 1000; }

TEST(TimeEventForm, OneShotEndsAtItsOwnStart) {
    TimeEventForm f = form();
    f.startTimeMs = at(10, 30);
    Schedule s(kClock);
    s.restoreState({0, 5}, 7, 2);
    controlsToSchedule(f, s);
    EXPECT_EQ(s.recurringType(), srkOneShot);
    EXPECT_EQ(s.startDate(), (ScheduleStamp{37'800'000, dateOf(2024, 3, 1)}));
    EXPECT_EQ(s.endType(), sekDate);
    EXPECT_EQ(s.endDate(), s.startDate());
    EXPECT_EQ(s.dailyFreq().startTime(), 37'800'000u);
    EXPECT_EQ(s.dailyFreq().endTime(), 37'800'000u);
    EXPECT_EQ(s.dailyFreq().interval(), 1u);
    EXPECT_EQ(s.triggerCount(), 0u);  // counters cleared
}

TEST(TimeEventForm, IntervalsShowInTheLargestUnitThatDividesThem) {
    struct Case {
        std::uint32_t ms;
        TimeEventForm::Unit unit;
        const char* shown;
    };
    const Case cases[] = {{90 * 60'000, TimeEventForm::Minutes, "90"},
                          {2 * 3'600'000, TimeEventForm::Hours, "2"},
                          {1500, TimeEventForm::Milliseconds, "1500"},
                          {45'000, TimeEventForm::Seconds, "45"}};
    for (const auto& c : cases) {
        Schedule s(kClock);
        s.setRecurringType(srkDaily);
        s.dailyFreq().setStartTime(at(8));
        s.dailyFreq().setEndTime(at(18));
        s.dailyFreq().setInterval(c.ms);
        TimeEventForm f = form();
        scheduleToControls(s, f);
        EXPECT_FALSE(f.freqOnce);
        EXPECT_EQ(f.freqIntervalUnit, c.unit) << c.ms;
        EXPECT_EQ(f.freqInterval, c.shown) << c.ms;
        EXPECT_EQ(f.freqFromMs, at(8));
        EXPECT_EQ(f.freqToMs, at(18));
    }
}

// Controls -> schedule -> controls gives the same controls, and the schedule what
// the lists mean.
TEST(TimeEventForm, ChoicesSurviveAWriteAndARead) {
    TimeEventForm lastFriday = form();
    lastFriday.type = TimeEventForm::Monthly;
    lastFriday.monthlyByDay = false;
    lastFriday.monthlyIndexValue = 4;  // "Last"
    lastFriday.monthlyIndexType = 7;   // "friday"
    lastFriday.monthlyIndexInterval = "2";

    TimeEventForm typedFifth = lastFriday;
    typedFifth.monthlyIndexValue = TimeEventForm::kTypedIndexValue;
    typedFifth.monthlyIndexText = "5";

    TimeEventForm weekly = form();
    weekly.type = TimeEventForm::Weekly;
    weekly.weeklyDays = {true, false, true, false, false, false, true};
    weekly.weeklyInterval = "3";
    weekly.end = TimeEventForm::EventCount;
    weekly.eventCount = "12";

    TimeEventForm yearly = form();
    yearly.type = TimeEventForm::Yearly;
    yearly.yearlyDateDay = "15";
    yearly.yearlyDateMonth = 2;
    yearly.end = TimeEventForm::Date;
    yearly.endDate = {2030, 12, 31};
    yearly.freqOnce = false;
    yearly.freqInterval = "90";
    yearly.freqFromMs = at(8);
    yearly.freqToMs = at(18);

    for (const TimeEventForm& original : {lastFriday, typedFifth, weekly, yearly}) {
        Schedule s(kClock);
        controlsToSchedule(original, s);
        TimeEventForm back = form();
        scheduleToControls(s, back);
        Schedule again(kClock);
        controlsToSchedule(back, again);
        EXPECT_TRUE(again.sameSettings(s)) << scheduleToText(s) << "\n" << scheduleToText(again);
    }

    Schedule s(kClock);
    controlsToSchedule(lastFriday, s);
    EXPECT_EQ(s.monthly().indexKind(), sikFriday);
    EXPECT_EQ(s.monthly().indexValue(), -1);
    controlsToSchedule(typedFifth, s);
    TimeEventForm shown = form();
    scheduleToControls(s, shown);
    EXPECT_EQ(shown.monthlyIndexValue, TimeEventForm::kTypedIndexValue);
    EXPECT_EQ(shown.monthlyIndexText, "5");
    controlsToSchedule(weekly, s);
    EXPECT_EQ(s.weekly().daysOfWeek(), 1 + 4 + 64);
    EXPECT_EQ(s.endCount(), 12u);
    controlsToSchedule(yearly, s);
    EXPECT_EQ(s.yearly().month(), 3);
    EXPECT_EQ(s.dailyFreq().interval(), 90u * 60'000u);
}

TEST(TimeEventForm, ABadFieldChangesNothing) {
    Schedule s(kClock);
    TimeEventForm good = form();
    good.type = TimeEventForm::Daily;
    good.dailyEveryWeekDay = false;
    good.dailyInterval = "3";
    controlsToSchedule(good, s);
    const std::string before = scheduleToText(s);

    struct Case {
        std::function<void(TimeEventForm&)> change;
        const char* message;
    };
    const Case cases[] = {
        {[](TimeEventForm& f) { f.dailyInterval = "x"; }, "Every ... day(s): 'x' is not a whole number from 0 to 4294967295"},
        {[](TimeEventForm& f) { f.dailyInterval = "0"; }, "Interval should be larger than 0"},
        {[](TimeEventForm& f) { f.dailyInterval = "-2"; }, "Every ... day(s): '-2' is not a whole number from 0 to 4294967295"},
        {[](TimeEventForm& f) {
             f.freqOnce = false;
             f.freqFromMs = at(18);
             f.freqToMs = at(8);
         },
         "End time can not be before start time"},
        {[](TimeEventForm& f) {
             f.freqOnce = false;
             f.freqInterval = "25";
             f.freqIntervalUnit = TimeEventForm::Hours;
         },
         "Invalid time specification"},
        {[](TimeEventForm& f) {
             f.type = TimeEventForm::Weekly;
             f.weeklyDays = {};
         },
         "At least one day of the week should be specified"},
        {[](TimeEventForm& f) {
             f.type = TimeEventForm::Monthly;
             f.monthlyDay = "32";
         },
         "Day values should fall in the range 1 .. 31"},
        {[](TimeEventForm& f) { f.startDate = {2023, 2, 29}; }, "Invalid date: 2023-2-29"},
        {[](TimeEventForm& f) {
             f.end = TimeEventForm::DayCount;
             f.dayCount = "";
         },
         "Day count: '' is not a whole number from 0 to 4294967295"},
    };
    for (const auto& c : cases) {
        TimeEventForm bad = good;
        c.change(bad);
        EXPECT_EQ(test::errorOf([&] { controlsToSchedule(bad, s); }), c.message);
        EXPECT_EQ(scheduleToText(s), before);
    }
}

TEST(TimeEventForm, ANewMonthlyScheduleShowsDayOneOfEveryMonth) {
    Schedule s(kClock);
    s.setRecurringType(srkMonthly);
    TimeEventForm f = form();
    scheduleToControls(s, f);
    EXPECT_EQ(f.type, TimeEventForm::Monthly);
    EXPECT_TRUE(f.monthlyByDay);
    EXPECT_EQ(f.monthlyDay, "1");
    EXPECT_EQ(f.monthlyEveryMonth, "1");
    EXPECT_FALSE(f.freqOnce);  // a new schedule fires every 500 ms all day
    EXPECT_EQ(f.freqInterval, "500");
    EXPECT_EQ(f.freqIntervalUnit, TimeEventForm::Milliseconds);
}

}  // namespace
}  // namespace orvalo
