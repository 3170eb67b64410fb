#include "schedule/schedule_text_store.h"

#include <gtest/gtest.h>

#include "support/test_helpers.h"

#include "base/error.h"
#include "platform/main_loop.h"
#include "schedule/schedule_error.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"
#include "schedule_generator.h"
#include "schedule_test_support.h"

namespace orvalo {
namespace {

using test::at;
using test::errorOf;
using test::hours;

// Joins lines with CR LF after each.
std::string lines(std::initializer_list<std::string_view> all) {
    std::string text;
    for (std::string_view line : all) {
        text += line;
        text += "\r\n";
    }
    return text;
}

const ManualClock kClock;

TEST(ScheduleText, WritesTheFortnightlyExampleLineForLine) {
    Schedule s(kClock);
    s.setStartDate(at(2009, 3, 2, 8));
    s.setRecurringType(srkWeekly);
    s.dailyFreq().setStartTime(hours(8));
    s.dailyFreq().setEndTime(hours(17));
    s.dailyFreq().setInterval(hours(1));
    s.weekly().setDaysOfWeek(weekDaySet(swdMonday) | weekDaySet(swdFriday));
    s.weekly().setInterval(2);
    EXPECT_EQ(scheduleToText(s), lines({"# Schedule: Generic", "Start.Date = 2009/03/02", "Start.Time = 08:00:00.000",
                                        "# Schedule: Recurring info", "Recur type = srkWeekly", "# Schedule: End info",
                                        "End type = sekNone", "# Schedule: Day frequency",
                                        "Frequency start = 08:00:00.000", "Frequency end = 17:00:00.000",
                                        "Frequency interval = 01:00:00.000", "# Schedule: Weekly info",
                                        "Weekly days = swdMonday, swdFriday", "Weekly interval = 2"}));
}

TEST(ScheduleText, WritesEachKindsLines) {
    Schedule oneShot(kClock);
    oneShot.setStartDate(at(2026, 12, 24, 18, 30, 5, 7));
    EXPECT_EQ(scheduleToText(oneShot), lines({"# Schedule: Generic", "Start.Date = 2026/12/24", "Start.Time = 18:30:05.007",
                                              "# Schedule: Recurring info", "Recur type = srkOneShot"}));

    Schedule daily(kClock);
    daily.setStartDate(at(2026, 1, 1));
    daily.setRecurringType(srkDaily);
    daily.dailyFreq().setStartTime(hours(6) + 30 * 60'000);
    daily.dailyFreq().setInterval(0);
    daily.setEndType(sekTriggerCount);
    daily.setEndCount(10);
    EXPECT_EQ(scheduleToText(daily),
              lines({"# Schedule: Generic", "Start.Date = 2026/01/01", "Start.Time = 00:00:00.000",
                     "# Schedule: Recurring info", "Recur type = srkDaily", "# Schedule: End info",
                     "End type = sekTriggerCount", "End count = 10", "# Schedule: Day frequency",
                     "Frequency start = 06:30:00.000", "Frequency end = 06:30:00.000", "Frequency interval = 00:00:00.001",
                     "# Schedule: Daily info", "Daily every weekday = True"}));

    Schedule yearly(kClock);
    yearly.setStartDate(at(2026, 1, 1));
    yearly.setRecurringType(srkYearly);
    yearly.yearly().setIndexKind(sikWeekendDay);
    yearly.yearly().setIndexValue(-1);
    yearly.yearly().setMonth(3);
    yearly.setEndType(sekDate);
    yearly.setEndDate(at(2030, 12, 31, 23, 59, 59, 999));
    const std::string text = scheduleToText(yearly);
    EXPECT_NE(text.find(lines({"End type = sekDate", "End.Date = 2030/12/31", "End.Time = 23:59:59.999"})), std::string::npos);
    EXPECT_NE(text.find(lines({"# Schedule: Yearly info", "Yearly index type = sikWeekendDay", "Yearly index = -1",
                               "Yearly month = 3", "Yearly interval = 1"})),
              std::string::npos);
}

TEST(ScheduleText, ReadsLenientlyAboutBlanksSpacesAndCase) {
    const std::string text =
        "\r\n  # SCHEDULE: GENERIC  \r\n\r\n start.date=2009-03-02\r\nSTART.TIME   =   08:00:00.000\r\n"
        "# schedule: recurring info\r\nrecur TYPE = SRKWEEKLY\r\n# Schedule: End info\r\nEnd type = sekDayCount\r\n"
        "End count = 4\r\n# Schedule: Day frequency\r\nFrequency start = 28800000\r\nFrequency end = 17:00:00.000\r\n"
        "Frequency interval = 60000\r\n# Schedule: Weekly info\r\nWeekly days = [swdMonday,swdFriday]\r\n"
        "Weekly interval = 2\r\nanything after this is ignored";
    Schedule s = scheduleFromText(text, kClock);
    EXPECT_EQ(s.startDate(), at(2009, 3, 2, 8));
    EXPECT_EQ(s.recurringType(), srkWeekly);
    EXPECT_EQ(s.endType(), sekDayCount);
    EXPECT_EQ(s.endCount(), 4u);
    EXPECT_EQ(s.dailyFreq().startTime(), hours(8));
    EXPECT_EQ(s.dailyFreq().endTime(), hours(17));
    EXPECT_EQ(s.dailyFreq().interval(), 60'000u);
    EXPECT_EQ(s.weekly().daysOfWeek(), weekDaySet(swdMonday) | weekDaySet(swdFriday));
    EXPECT_EQ(s.weekly().interval(), 2u);
}

// A daily schedule whose text ends with the given lines after its day frequency.
std::string dailyText(std::initializer_list<std::string_view> tail, bool withFrequencyEnd = true) {
    std::string text = lines({"# Schedule: Generic", "Start.Date = 2009/03/02", "Start.Time = 00:00:00.000",
                              "# Schedule: Recurring info", "Recur type = srkDaily", "# Schedule: End info",
                              "End type = sekNone", "# Schedule: Day frequency", "Frequency start = 08:00:00.000"});
    if (withFrequencyEnd) text += lines({"Frequency end = 09:00:00.000", "Frequency interval = 00:30:00.000"});
    return text + lines(tail);
}

TEST(ScheduleText, DailyAndFrequencyLinesAreOptional) {
    Schedule none = scheduleFromText(dailyText({"# Schedule: Daily info"}), kClock);
    EXPECT_TRUE(none.daily().everyWeekDay());
    Schedule third = scheduleFromText(dailyText({"# Schedule: Daily info", "Daily interval = 3"}), kClock);
    EXPECT_FALSE(third.daily().everyWeekDay());
    EXPECT_EQ(third.daily().interval(), 3u);
    Schedule both = scheduleFromText(
        dailyText({"# Schedule: Daily info", "Daily every weekday = True", "Daily interval = 3"}), kClock);
    EXPECT_FALSE(both.daily().everyWeekDay());
    EXPECT_EQ(both.daily().interval(), 3u);

    Schedule noEnd = scheduleFromText(dailyText({"# Schedule: Daily info"}, false), kClock);
    EXPECT_EQ(noEnd.dailyFreq().startTime(), hours(8));
    EXPECT_EQ(noEnd.dailyFreq().endTime(), 86'399'999u);
    EXPECT_EQ(noEnd.dailyFreq().interval(), 500u);
}

TEST(ScheduleText, WeekdaySetSyntax) {
    const std::pair<const char*, ScheduleWeekDays> cases[] = {
        {"swdMonday, swdFriday", 0x11},         {"[swdMonday,swdFriday]", 0x11}, {"swdmonday , swdfriday", 0x11},
        {"swdMonday..swdFriday", 0x1F},         {"[swdSaturday .. swdSunday]", 0x60},
        {"swdSunday,,swdSunday", 0x40},         {"[swdTuesday]", 0x02},
    };
    for (const auto& [value, days] : cases) {
        std::string text = dailyText({});
        text.replace(text.find("srkDaily"), 8, "srkWeekly");
        text += lines({"# Schedule: Weekly info", std::string("Weekly days = ") + value, "Weekly interval = 1"});
        EXPECT_EQ(scheduleFromText(text, kClock).weekly().daysOfWeek(), days) << value;
    }
}

TEST(ScheduleText, RefusesBadTextsWithTheirMessages) {
    std::string weekly = dailyText({});
    weekly.replace(weekly.find("srkDaily"), 8, "srkWeekly");
    std::string monthly = dailyText({});
    monthly.replace(monthly.find("srkDaily"), 8, "srkMonthly");
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "Incorrect structure found"},
        {"# Schedule: Generic\nStart.Date = 2009/03/02\n", "Incorrect structure found"},  // LF alone ends no line
        {lines({"# Schedule: Generic", "Begin.Date = 2009/03/02"}), "Incorrect identifier found"},
        {lines({"# Schedule: Generic", "Start.Date"}), "Incorrect identifier found"},
        {lines({"# Schedule: Generic", "Start.Date = 2009/02/30", "Start.Time = 00:00:00.000"}),
         "Invalid argument to date encode"},
        {lines({"# Schedule: Generic", "Start.Date = 20x9/03/02"}), "'20x9' is not a valid integer value"},
        {lines({"# Schedule: Generic", "Start.Date = 2009/03/02", "Start.Time = 25:00:00.000"}),
         "Invalid time specification"},
        {lines({"# Schedule: Generic", "Start.Date = 2009/03/02", "Start.Time = 00:00:00.000",
                "# Schedule: Recurring info", "Recur type = srkHourly"}),
         "Unknown identifier 'srkHourly'."},
        {dailyText({"# Schedule: Daily info", "Daily interval = 0"}), "Interval should be larger than 0"},
        {dailyText({"# Schedule: Daily info", "Daily interval = -3"}), "'-3' is not a valid integer value"},
        {dailyText({"# Schedule: Daily info", "Daily every weekday = Yes"}), "Unknown identifier 'Yes'."},
        {dailyText({"Frequency interval = 00:30:00.000"}, false), "Incorrect structure found"},
        {weekly + lines({"# Schedule: Weekly info", "Weekly days =", "Weekly interval = 1"}),
         "At least one day of the week should be specified"},
        {weekly + lines({"# Schedule: Weekly info", "Weekly days = swdMonday, swdFunday"}),
         "Unknown identifier 'swdFunday'."},
        {monthly + lines({"# Schedule: Monthly info", "Monthly index type = sikNone", "Monthly index = 2"}),
         "Incorrect identifier found"},
        {monthly + lines({"# Schedule: Monthly info", "Monthly index type = sikNone", "Monthly day = 32"}),
         "Day values should fall in the range 1 .. 31"},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf([&] { scheduleFromText(c.text, kClock); }), c.message) << c.text;

    std::string oneDigitHour = dailyText({"# Schedule: Daily info"}, false);
    oneDigitHour.replace(oneDigitHour.find("08:00:00.000"), 12, "8:00:00.000");
    EXPECT_EQ(errorOf([&] { scheduleFromText(oneDigitHour, kClock); }), "'8:00:00.000' is not a valid integer value");
}

TEST(ScheduleText, TheLastLineMayLackItsLineEnd) {
    std::string text = dailyText({"# Schedule: Daily info", "Daily interval = 2"});
    text.resize(text.size() - 2);
    EXPECT_EQ(scheduleFromText(text, kClock).daily().interval(), 2u);
}

TEST(ScheduleText, GeneratedSchedulesSurviveAWriteAndARead) {
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        test::Generator g(seed);
        std::ostringstream log;
        Schedule original = g.schedule(kClock, log);
        if (original.recurringType() > srkYearly) continue;  // such a schedule is never written
        if (original.endType() > sekDayCount) original.setEndType(sekNone);
        g.counters(original, log);
        const std::string text = scheduleToText(original);
        const Schedule back = scheduleFromText(text, kClock);
        ASSERT_TRUE(back.sameSettings(original)) << "seed " << seed << ": " << log.str() << "\n" << text;
        EXPECT_EQ(scheduleToText(back), text);
        EXPECT_EQ(back.triggerCount(), 0u);
        EXPECT_EQ(back.lastTriggered(), (ScheduleStamp{0, 0}));
        ++compared;
    }
    EXPECT_GT(compared, 2500);
}

TEST(ScheduleText, ItemsMustBeInactiveAndKeepTheirScheduleOnFailure) {
    MainLoop loop;
    SchedulerThread scheduler(kClock);
    ScheduledEvents engine(scheduler, loop, kClock);
    EventCollectionItem& item = engine.events().add();
    item.schedule().setStartDate(at(2040, 1, 1));
    item.activate();
    ASSERT_EQ(item.state(), eisWaiting);
    std::string out;
    EXPECT_EQ(errorOf([&] { writeSchedule(item, out); }),
              "Schedule is active. Storing of a schedule can only be done on inactive schedules");
    EXPECT_EQ(errorOf([&] { readSchedule(item, dailyText({"# Schedule: Daily info"})); }),
              "Schedule is active. Reading a new schedule can only be done on inactive schedules");
    EXPECT_TRUE(out.empty());

    item.deactivate();
    writeSchedule(item, out);
    EXPECT_EQ(out.find("Start.Date = 2040/01/01"), 21u);
    EXPECT_THROW(readSchedule(item, dailyText({"# Schedule: Daily info", "Daily interval = 0"})), ScheduleError);
    EXPECT_EQ(item.schedule().startDate(), at(2040, 1, 1));
    EXPECT_EQ(item.schedule().recurringType(), srkOneShot);

    readSchedule(item, dailyText({"# Schedule: Daily info", "Daily interval = 2"}));
    EXPECT_EQ(item.schedule().recurringType(), srkDaily);
    EXPECT_EQ(item.schedule().daily().interval(), 2u);
}

}  // namespace
}  // namespace orvalo
