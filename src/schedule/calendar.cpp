#include "schedule/calendar.h"

#include "schedule/schedule_stamp.h"

namespace orvalo {

namespace {

// The n-th day of the month whose ISO weekday passes the test.
template <typename Test>
int nthDay(int year, int month, long long n, Test test) {
    if (n == 0) return 0;
    const int length = daysInMonth(year, month);
    const int firstWeekday = isoWeekday(dateOf(year, month, 1));
    auto weekdayOf = [&](int day) { return (firstWeekday - 1 + day - 1) % 7 + 1; };
    long long seen = 0;
    if (n > 0) {
        for (int day = 1; day <= length; ++day)
            if (test(weekdayOf(day)) && ++seen == n) return day;
    } else {
        for (int day = length; day >= 1; --day)
            if (test(weekdayOf(day)) && ++seen == -n) return day;
    }
    return 0;
}

}  // namespace

int workdayNth(int year, int month, long long n) {
    return nthDay(year, month, n, [](int w) { return w <= 5; });
}

int weekendNth(int year, int month, long long n) {
    return nthDay(year, month, n, [](int w) { return w >= 6; });
}

int weekdayNth(int year, int month, int isoWeekday, long long n) {
    return nthDay(year, month, n, [isoWeekday](int w) { return w == isoWeekday; });
}

}  // namespace orvalo
