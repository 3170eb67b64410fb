#include "schedule/calendar.h"

#include <gtest/gtest.h>

#include "schedule/schedule_error.h"
#include "schedule/schedule_stamp.h"

namespace orvalo {
namespace {

TEST(ScheduleStamp, DayNumbersAndWeekdays) {
    EXPECT_EQ(dateOf(1, 1, 1), 1);
    EXPECT_EQ(isoWeekday(1), 1);  // 0001-01-01 was a Monday
    EXPECT_EQ(dateOf(2000, 1, 1), 730'120);
    EXPECT_EQ(dateOf(9999, 12, 31), kLastDate);
    EXPECT_EQ(isoWeekday(dateOf(2009, 3, 4)), 3);  // Wednesday
    EXPECT_EQ(isoWeekday(dateOf(2026, 12, 13)), 7);
    const CalendarDate d = calendarDate(dateOf(2024, 2, 29));
    EXPECT_EQ(d.year, 2024);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    for (auto bad : {0, kLastDate + 1, -5}) EXPECT_THROW(calendarDate(bad), OutOfCalendar);
    EXPECT_THROW(dateOf(10000, 1, 1), OutOfCalendar);
    EXPECT_THROW(dateOf(2023, 2, 29), OutOfCalendar);
    EXPECT_THROW(dateOf(0, 12, 31), OutOfCalendar);
}

TEST(ScheduleStamp, OrderAndEmptiness) {
    EXPECT_TRUE(ScheduleStamp::empty().isEmpty());
    EXPECT_FALSE((ScheduleStamp{0, 0}).isEmpty());
    EXPECT_LT((ScheduleStamp{86'399'999, 5}), (ScheduleStamp{0, 6}));
    EXPECT_LT((ScheduleStamp{1, 5}), (ScheduleStamp{2, 5}));
    EXPECT_LT(ScheduleStamp::empty(), (ScheduleStamp{0, 1}));
}

TEST(Calendar, NthDaysOfAMonth) {
    // March 2009 starts on a Sunday and has 31 days, ending on a Tuesday.
    struct Case {
        const char* what;
        int got;
        int expected;
    };
    const Case cases[] = {
        {"first workday", workdayFirst(2009, 3), 2},
        {"last workday", workdayLast(2009, 3), 31},
        {"third workday", workdayNth(2009, 3, 3), 4},
        {"second-last workday", workdayNth(2009, 3, -2), 30},
        {"23rd workday does not exist", workdayNth(2009, 3, 23), 0},
        {"first weekend day", weekendFirst(2009, 3), 1},
        {"second weekend day", weekendNth(2009, 3, 2), 7},
        {"last weekend day", weekendLast(2009, 3), 29},
        {"first Monday", weekdayFirst(2009, 3, 1), 2},
        {"last Tuesday", weekdayLast(2009, 3, 2), 31},
        {"fifth Tuesday", weekdayNth(2009, 3, 2, 5), 31},
        {"fifth Monday", weekdayNth(2009, 3, 1, 5), 30},
        {"fifth Wednesday does not exist", weekdayNth(2009, 3, 3, 5), 0},
        {"n of 0", weekdayNth(2009, 3, 1, 0), 0},
        {"last Sunday of February 2024", weekdayLast(2024, 2, 7), 25},
        {"first workday of year 1", workdayFirst(1, 1), 1},
        {"last weekend day of 9999", weekendLast(9999, 12), 26},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

}  // namespace
}  // namespace orvalo
