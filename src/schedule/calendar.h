// Which day of a month is the n-th workday (Monday to Friday), the n-th weekend day
// (Saturday or Sunday) or the n-th given weekday. n > 0 counts from the 1st, n < 0
// from the last day (-1 is the last); the result is the day of the month, or 0 when
// n is 0 or the month has no such day. Pure functions.
#pragma once

namespace orvalo {

int workdayNth(int year, int month, long long n);
int weekendNth(int year, int month, long long n);
int weekdayNth(int year, int month, int isoWeekday, long long n);

inline int workdayFirst(int year, int month) { return workdayNth(year, month, 1); }
inline int workdayLast(int year, int month) { return workdayNth(year, month, -1); }
inline int weekendFirst(int year, int month) { return weekendNth(year, month, 1); }
inline int weekendLast(int year, int month) { return weekendNth(year, month, -1); }
inline int weekdayFirst(int year, int month, int isoWeekday) { return weekdayNth(year, month, isoWeekday, 1); }
inline int weekdayLast(int year, int month, int isoWeekday) { return weekdayNth(year, month, isoWeekday, -1); }

}  // namespace orvalo
