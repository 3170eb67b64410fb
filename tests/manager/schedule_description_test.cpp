#include "manager/core/schedule_description.h"

#include <gtest/gtest.h>

#include "../schedule/schedule_test_support.h"
#include "schedule/schedule_text_store.h"

namespace orvalo {
namespace {

using test::at;

TEST(ScheduleDescription, SaysWhenInWords) {
    const ManualClock clock;
    struct Case {
        std::string text;
        std::string words;
    };
    const std::string start = "# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n"
                              "# Schedule: Recurring info\r\n";
    const std::string freq = "# Schedule: Day frequency\r\nFrequency start = 08:00:00.000\r\n"
                             "Frequency end = 17:00:00.000\r\nFrequency interval = 01:30:00.000\r\n";
    const std::string once = "# Schedule: Day frequency\r\nFrequency start = 06:30:00.000\r\n"
                             "Frequency end = 06:30:00.000\r\nFrequency interval = 00:00:00.001\r\n";
    const Case cases[] = {
        {start + "Recur type = srkOneShot\r\n", "once, at 2026-12-01 08:00:00"},
        {start + "Recur type = srkDaily\r\n# Schedule: End info\r\nEnd type = sekNone\r\n" + freq +
             "# Schedule: Daily info\r\nDaily every weekday = True\r\n",
         "every weekday, every 90 minutes from 08:00:00 to 17:00:00; from 2026-12-01 08:00:00; no end"},
        {start + "Recur type = srkWeekly\r\n# Schedule: End info\r\nEnd type = sekTriggerCount\r\nEnd count = 5\r\n" +
             once + "# Schedule: Weekly info\r\nWeekly days = swdMonday, swdFriday\r\nWeekly interval = 2\r\n",
         "every 2 weeks on Monday, Friday, once at 06:30:00; from 2026-12-01 08:00:00; ends after 5 runs"},
        {start + "Recur type = srkMonthly\r\n# Schedule: End info\r\nEnd type = sekDayCount\r\nEnd count = 3\r\n" + once +
             "# Schedule: Monthly info\r\nMonthly index type = sikFriday\r\nMonthly index = -1\r\nMonthly interval = 1\r\n",
         "the last Friday of every month, once at 06:30:00; from 2026-12-01 08:00:00; ends after 3 days"},
        {start + "Recur type = srkYearly\r\n# Schedule: End info\r\nEnd type = sekDate\r\nEnd.Date = 2030/12/31\r\n"
                 "End.Time = 23:59:59.000\r\n" + once +
             "# Schedule: Yearly info\r\nYearly index type = sikNone\r\nYearly day = 15\r\nYearly month = 3\r\n"
             "Yearly interval = 1\r\n",
         "day 15 of March, every year, once at 06:30:00; from 2026-12-01 08:00:00; until 2030-12-31 23:59:59"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeSchedule(scheduleFromText(c.text, clock)), c.words);
}

}  // namespace
}  // namespace orvalo
