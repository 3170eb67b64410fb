#include "schedule/schedule.h"

#include <climits>
#include <string>

#include "schedule/calendar.h"
#include "schedule/schedule_error.h"
#include "schedule/schedule_names.h"

namespace orvalo {

namespace {

[[noreturn]] void fail(const char* message) { throw ScheduleError(message); }

constexpr std::uint32_t kDayMs = static_cast<std::uint32_t>(kMillisecondsPerDay);

// Pascal-style remainder (sign of the dividend), as the alignment rules use it.
std::int64_t truncatedRemainder(std::int64_t a, std::int64_t b) { return a % b; }

std::int32_t checkedDate(std::int64_t date) {
    if (date < kFirstDate || date > kLastDate) throw OutOfCalendar();
    return static_cast<std::int32_t>(date);
}

// Adds months to (year, month), carrying whole years; OutOfCalendar past 9999.
void addMonths(std::int64_t& year, std::int64_t& month, std::int64_t months) {
    const std::int64_t index = year * 12 + (month - 1) + months;
    year = index / 12;
    month = index % 12 + 1;
    if (year > 9999) throw OutOfCalendar();
}

}  // namespace

// ---- day frequency ----

std::uint32_t DailyFreq::startTime() const { return s_->freq_.startTime; }
std::uint32_t DailyFreq::endTime() const { return s_->freq_.endTime; }
std::uint32_t DailyFreq::interval() const { return s_->freq_.interval; }

void DailyFreq::setStartTime(std::uint32_t value) const {
    auto& f = s_->freq_;
    if (value == f.startTime) return;
    if (value >= kDayMs) fail(kInvalidTime);
    f.startTime = value;
    if (f.endTime < value) f.endTime = value;
}

void DailyFreq::setEndTime(std::uint32_t value) const {
    auto& f = s_->freq_;
    if (value == f.endTime) return;
    if (value < f.startTime) fail("End time can not be before start time");
    if (value >= kDayMs) fail(kInvalidTime);
    f.endTime = value;
}

void DailyFreq::setInterval(std::uint32_t value) const {
    auto& f = s_->freq_;
    if (value == f.interval) return;
    if (value >= kDayMs) fail(kInvalidTime);
    if (value == 0) {
        f.endTime = f.startTime;
        f.interval = 1;
        return;
    }
    f.interval = value;
}

// ---- recurrence parts ----

void Schedule::checkKind(ScheduleRecurringKind part) const {
    if (recurringType_ != part)
        throw ScheduleError("The " + recurringKindName(part) + " settings do not apply to a schedule of type " +
                            recurringKindName(recurringType_));
}

bool DailySchedule::everyWeekDay() const {
    s_->checkKind(srkDaily);
    return s_->daily_.everyWeekDay;
}

std::uint32_t DailySchedule::interval() const {
    s_->checkKind(srkDaily);
    return s_->daily_.everyWeekDay ? 0 : s_->daily_.interval;
}

void DailySchedule::setEveryWeekDay(bool value) const {
    s_->checkKind(srkDaily);
    s_->daily_.everyWeekDay = value;
}

void DailySchedule::setInterval(std::uint32_t days) const {
    s_->checkKind(srkDaily);
    if (days == 0) fail("Interval should be larger than 0");
    s_->daily_.everyWeekDay = false;
    s_->daily_.interval = days;
}

ScheduleWeekDays WeeklySchedule::daysOfWeek() const {
    s_->checkKind(srkWeekly);
    return s_->weekly_.days;
}

std::uint32_t WeeklySchedule::interval() const {
    s_->checkKind(srkWeekly);
    return s_->weekly_.interval;
}

void WeeklySchedule::setDaysOfWeek(ScheduleWeekDays days) const {
    s_->checkKind(srkWeekly);
    // Only the seven weekday bits count; a set without any of them is empty.
    days &= 0x7F;
    if (days == 0) fail("At least one day of the week should be specified");
    s_->weekly_.days = days;
}

void WeeklySchedule::setInterval(std::uint32_t weeks) const {
    s_->checkKind(srkWeekly);
    if (weeks == 0) fail("Interval should be larger than 0");
    s_->weekly_.interval = weeks;
}

ScheduleMonthlyFields& MonthlySchedule::fields() const {
    s_->checkKind(kind_);
    return kind_ == srkYearly ? s_->yearly_ : s_->monthly_;
}

ScheduleIndexKind MonthlySchedule::indexKind() const { return fields().indexKind; }

std::int32_t MonthlySchedule::indexValue() const {
    const auto& f = fields();
    if (f.indexKind < sikDay || f.indexKind > sikSunday) fail("Property IndexValue not supported for current IndexKind");
    return f.indexValue;
}

int MonthlySchedule::day() const { return fields().day; }
std::uint32_t MonthlySchedule::interval() const { return fields().interval; }

void MonthlySchedule::setIndexKind(ScheduleIndexKind kind) const {
    auto& f = fields();
    if (kind > sikSunday)
        throw ScheduleError("IndexKind " + std::to_string(kind) + " is not one of sikNone .. sikSunday");
    f.indexKind = kind;
}

void MonthlySchedule::setIndexValue(std::int32_t value) const {
    auto& f = fields();
    if (f.indexKind < sikDay || f.indexKind > sikSunday) fail("Property IndexValue not supported for current IndexKind");
    if (value == 0) fail("IndexValue can not be 0");
    f.indexValue = value;
}

void MonthlySchedule::setDay(int day) const {
    auto& f = fields();
    if (f.indexKind != sikNone) fail("Property Day not supported for current IndexKind");
    if (day < 1 || day > 31) fail("Day values should fall in the range 1 .. 31");
    f.day = day;
}

void MonthlySchedule::setInterval(std::uint32_t interval) const {
    auto& f = fields();
    if (interval == 0) fail("Interval should be larger than 0");
    f.interval = interval;
}

int YearlySchedule::month() const { return fields().month; }

void YearlySchedule::setMonth(int month) const {
    auto& f = fields();
    if (month < 1 || month > 12) fail("Month values should fall in the range 1 .. 12");
    f.month = month;
}

// ---- schedule ----

Schedule::Schedule(const Clock& clock) : clock_(&clock) {
    startDate_ = nowStamp(clock);
    startDate_.time -= startDate_.time % 1000;
}

void Schedule::restoreState(ScheduleStamp lastTriggered, std::uint32_t triggerCount, std::uint32_t dayCount) {
    lastTriggered_ = lastTriggered;
    triggerCount_ = triggerCount;
    dayCount_ = dayCount;
}

void Schedule::clearCounters() { restoreState(ScheduleStamp::empty(), 0, 0); }

bool Schedule::sameSettings(const Schedule& other) const {
    const auto sameMonthly = [](const ScheduleMonthlyFields& a, const ScheduleMonthlyFields& b, bool yearly) {
        return a.indexKind == b.indexKind && (a.indexKind == sikNone || a.indexValue == b.indexValue) &&
               a.day == b.day && a.interval == b.interval && (!yearly || a.month == b.month);
    };
    if (startDate_ != other.startDate_ || recurringType_ != other.recurringType_) return false;
    if (recurringType_ == srkOneShot) return true;
    const bool countEnd = endType_ == sekTriggerCount || endType_ == sekDayCount;
    if (endType_ != other.endType_ || (endType_ == sekDate && endDate_ != other.endDate_) ||
        (countEnd && endCount_ != other.endCount_) || freq_.startTime != other.freq_.startTime ||
        freq_.endTime != other.freq_.endTime || freq_.interval != other.freq_.interval)
        return false;
    switch (recurringType_) {
        case srkDaily:
            return daily_.everyWeekDay == other.daily_.everyWeekDay &&
                   (daily_.everyWeekDay || daily_.interval == other.daily_.interval);
        case srkWeekly:
            return weekly_.days == other.weekly_.days && weekly_.interval == other.weekly_.interval;
        case srkMonthly:
            return sameMonthly(monthly_, other.monthly_, false);
        case srkYearly:
            return sameMonthly(yearly_, other.yearly_, true);
        default:
            return true;
    }
}

int Schedule::targetDay(int year, int month) const {
    const ScheduleMonthlyFields& f = calendarPart();
    const int length = daysInMonth(year, month);
    const std::int64_t v = f.indexValue;
    // The n-th matching day, falling back to the last (n > 0) or first (n < 0) one.
    auto nth = [&](auto helper) {
        if (v == -1) return helper(-1);
        if (v == 1) return helper(1);
        const int day = helper(v);
        return day != 0 ? day : helper(v > 0 ? -1 : 1);
    };
    switch (f.indexKind) {
        case sikNone:
            return f.day < length ? f.day : length;
        case sikDay:
            if (v == -1 || v > length) return length;
            if (v > 0) return static_cast<int>(v);
            return -v > length ? 1 : static_cast<int>(length + v + 1);
        case sikWeekDay:
            return nth([&](long long n) { return workdayNth(year, month, n); });
        case sikWeekendDay:
            return nth([&](long long n) { return weekendNth(year, month, n); });
        default: {
            const int weekday = f.indexKind - 3;
            return nth([&](long long n) { return weekdayNth(year, month, weekday, n); });
        }
    }
}

ScheduleStamp Schedule::nextTimeOfDay(ScheduleStamp from) const {
    const std::int64_t t = from.time;
    const std::int64_t start = freq_.startTime;
    const std::int64_t interval = freq_.interval;
    std::int64_t time;
    if (t < start) {
        time = start;
    } else {
        const std::int64_t r = (t - start) % interval;
        time = r != 0 ? t + (interval - r) : t + interval;
    }
    if (time > freq_.endTime || time < 0) return ScheduleStamp::empty();
    return {static_cast<std::int32_t>(time), from.date};
}

void Schedule::alignToValidDate(ScheduleStamp& stamp) const {
    const std::int64_t s = startDate_.date;
    std::int64_t date = stamp.date;
    switch (recurringType_) {
        case srkDaily:
            if (daily_.everyWeekDay) {
                const int weekday = isoWeekday(checkedDate(date));
                if (weekday == 6) date += 2;
                else if (weekday == 7) date += 1;
            } else {
                const std::int64_t r = truncatedRemainder(date - s, daily_.interval);
                if (r != 0) date += daily_.interval - r;
            }
            break;
        case srkWeekly: {
            for (int moves = 0; (weekly_.days & (1u << (isoWeekday(checkedDate(date)) - 1))) == 0; ++moves) {
                if (moves == 7) throw OutOfCalendar();  // no weekday in the set
                ++date;
            }
            const std::int64_t d = date - s;
            const std::int64_t weeks = truncatedRemainder(d / 7, weekly_.interval);
            if (d != 0 && weeks != 0) date += 7 * (weekly_.interval - weeks);
            break;
        }
        case srkMonthly: {
            const CalendarDate c = calendarDate(checkedDate(date));
            const CalendarDate start = calendarDate(checkedDate(s));
            std::int64_t year = c.year;
            std::int64_t month = c.month;
            const std::int64_t interval = monthly_.interval;
            const std::int64_t m = truncatedRemainder((12 * year + month) - (12 * start.year + start.month), interval);
            if (m != 0) addMonths(year, month, interval - m);
            std::int64_t target = dateOf(static_cast<int>(year), static_cast<int>(month),
                                         targetDay(static_cast<int>(year), static_cast<int>(month)));
            while (target < date) {
                addMonths(year, month, interval);
                target = dateOf(static_cast<int>(year), static_cast<int>(month),
                                targetDay(static_cast<int>(year), static_cast<int>(month)));
            }
            date = target;
            break;
        }
        case srkYearly: {
            const int month = yearly_.month;
            std::int64_t year = calendarDate(checkedDate(date)).year;
            const std::int64_t startYear = calendarDate(checkedDate(s)).year;
            const std::int64_t interval = yearly_.interval;
            const std::int64_t r = truncatedRemainder(year - startYear, interval);
            if (r != 0) year += interval - r;
            if (year > 9999) throw OutOfCalendar();
            std::int64_t target = dateOf(static_cast<int>(year), month, targetDay(static_cast<int>(year), month));
            while (target < date) {
                year += interval;
                if (year > 9999) throw OutOfCalendar();
                target = dateOf(static_cast<int>(year), month, targetDay(static_cast<int>(year), month));
            }
            date = target;
            break;
        }
        default:
            return;  // no recurrence: every date is as good as any other
    }
    stamp.date = checkedDate(date);
}

ScheduleStamp Schedule::nextValidDate(ScheduleStamp from) const {
    ScheduleStamp r = from;
    alignToValidDate(r);
    if (r == from) {
        if (recurringType_ == srkDaily && !daily_.everyWeekDay) {
            r.date = checkedDate(static_cast<std::int64_t>(r.date) + daily_.interval);
        } else {
            r.date = checkedDate(static_cast<std::int64_t>(r.date) + 1);
            alignToValidDate(r);
        }
    }
    return r;
}

// Steps 1 to 4 of a step: the candidate trigger after from, or the empty stamp.
ScheduleStamp Schedule::computeStep(ScheduleStamp from) const {
    ScheduleStamp result = ScheduleStamp::empty();
    try {
        switch (recurringType_) {
            case srkOneShot:
                if (triggerCount_ == 0) result = startDate_;
                break;
            case srkDaily:
            case srkWeekly:
            case srkMonthly:
            case srkYearly: {
                const ScheduleStamp t = nextTimeOfDay(from);
                if (t.isEmpty()) {
                    result = nextValidDate({static_cast<std::int32_t>(freq_.startTime), from.date});
                } else {
                    result = t;
                    alignToValidDate(result);
                }
                break;
            }
            default:
                break;
        }
    } catch (const OutOfCalendar&) {
        return ScheduleStamp::empty();  // the calendar ends before the next trigger
    }
    if (result < from) return ScheduleStamp::empty();
    return result;
}

bool Schedule::endConditionStops(ScheduleStamp result, ScheduleStamp from) const {
    switch (endType_) {
        case sekDate:
            return result > endDate_;
        case sekDayCount:
            return dayCount_ == endCount_ && result.date != from.date;
        case sekTriggerCount:
            return triggerCount_ == endCount_;
        default:
            return false;
    }
}

void Schedule::count(ScheduleStamp result, ScheduleStamp from) {
    ++triggerCount_;
    if (result.date != from.date || dayCount_ == 0) ++dayCount_;
    lastTriggered_ = result;
}

ScheduleStamp Schedule::stepFrom(ScheduleStamp fromEvent) {
    ScheduleStamp from = fromEvent;
    // Only the dates decide whether the walk starts at the start moment.
    if (fromEvent.date == 0 || fromEvent.date < startDate_.date) {
        from = startDate_;
        if (from.time > INT32_MIN) from.time -= 1;
    }
    const ScheduleStamp result = computeStep(from);
    if (result.isEmpty() || endConditionStops(result, from)) return ScheduleStamp::empty();
    count(result, from);
    return result;
}

ScheduleStamp Schedule::nextTrigger() { return stepFrom(lastTriggered_); }

ScheduleStamp Schedule::nextTriggerFrom(ScheduleStamp from, bool countMissed) {
    return countMissed ? walkFast(from) : stepFrom(from);
}

ScheduleStamp Schedule::nextTriggerFromNow(bool countMissed) { return nextTriggerFrom(nowStamp(*clock_), countMissed); }


}  // namespace orvalo
