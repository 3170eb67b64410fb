#include "platform/local_time.h"

#include <gtest/gtest.h>

#include "base/error.h"

namespace orvalo {
namespace {

TEST(LocalTimeFormat, ShortDateAndLongTimeFollowTheLocale) {
    const LocalTimeFormat c("C");
    const LocalDateTime t{2015, 3, 5, 14, 7, 9, 250};
    EXPECT_EQ(c.shortDate(t), "03/05/15");
    EXPECT_EQ(c.longTime(t), "14:07:09");
    EXPECT_EQ(c.dateTime(t), "03/05/15 14:07:09");
    EXPECT_EQ(c.dateTime({2015, 3, 5, 0, 0, 0, 0}), "03/05/15");
    EXPECT_EQ(c.dateTime({2015, 3, 5, 0, 0, 0, 1}), "03/05/15 00:00:00");
    EXPECT_THROW(LocalTimeFormat("xx_NOT.A-LOCALE"), Error);
}

TEST(LocalTimeFormat, GermanLocaleUsesDotsAndFourDigitYears) {
    try {
        const LocalTimeFormat de("de_DE.UTF-8");
        EXPECT_EQ(de.dateTime({2015, 3, 5, 14, 7, 9, 0}), "05.03.2015 14:07:09");
    } catch (const Error&) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
}

TEST(LocalDateTime, ConvertsWallTimeToLocalCalendarTime) {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 11;
    tm.tm_hour = 23;
    tm.tm_min = 59;
    tm.tm_sec = 58;
    tm.tm_isdst = -1;
    const WallTime t = std::chrono::system_clock::from_time_t(std::mktime(&tm)) + std::chrono::milliseconds(999);
    const LocalDateTime local = toLocalDateTime(t);
    EXPECT_EQ(local.year, 2026);
    EXPECT_EQ(local.month, 12);
    EXPECT_EQ(local.day, 11);
    EXPECT_EQ(local.hour, 23);
    EXPECT_EQ(local.minute, 59);
    EXPECT_EQ(local.second, 58);
    EXPECT_EQ(local.millisecond, 999);
}

}  // namespace
}  // namespace orvalo
