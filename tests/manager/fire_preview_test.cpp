#include "manager/core/fire_preview.h"

#include <gtest/gtest.h>

#include "../schedule/schedule_test_support.h"

namespace orvalo {
namespace {

using test::at;

TEST(FirePreview, ActivationCountsTheMissedTriggersThenEachFireGivesTheNext) {
    const ManualClock clock;
    Schedule s(clock);
    s.setStartDate(at(2026, 12, 1, 9));
    s.setRecurringType(srkDaily);
    s.daily().setEveryWeekDay(true);
    s.dailyFreq().setStartTime(test::hours(9));
    s.dailyFreq().setInterval(0);
    s.restoreState(at(2026, 12, 2, 9), 3, 2);
    const auto fires = upcomingFires(s, at(2026, 12, 11, 12), 4);  // a Friday noon
    EXPECT_EQ(fires, (std::vector<ScheduleStamp>{at(2026, 12, 14, 9), at(2026, 12, 15, 9), at(2026, 12, 16, 9),
                                                 at(2026, 12, 17, 9)}));
    EXPECT_EQ(s.triggerCount(), 3u);  // the schedule itself is untouched

    s.setEndType(sekTriggerCount);
    s.setEndCount(10);  // 9 weekdays from the 1st to the 11th, then one more
    EXPECT_EQ(upcomingFires(s, at(2026, 12, 11, 12), 4), std::vector<ScheduleStamp>{at(2026, 12, 14, 9)});

    Schedule past(clock);
    past.setStartDate(at(2020, 1, 1));
    EXPECT_TRUE(upcomingFires(past, at(2026, 12, 11, 12), 4).empty());  // a one shot long gone
}

}  // namespace
}  // namespace orvalo
