// A time event's schedule: a start moment, a recurrence (one shot, daily, weekly,
// monthly, yearly), the times of day at which a recurring event fires on each of
// its days, and an end condition; and the next-trigger computation, which counts
// the triggers it hands out. No I/O, no threads, no lock: one thread at a time.
// Invalid writes raise ScheduleError with the exact message; the next-trigger
// operations never raise on valid settings and return the empty stamp when there
// is no further trigger (also when the calendar ends at 9999-12-31).
#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "schedule/schedule_stamp.h"

namespace orvalo {

enum ScheduleRecurringKind : std::uint8_t { srkOneShot = 0, srkDaily, srkWeekly, srkMonthly, srkYearly };
enum ScheduleEndKind : std::uint8_t { sekNone = 0, sekDate, sekTriggerCount, sekDayCount };
enum ScheduleWeekDay : std::uint8_t {
    swdMonday = 0, swdTuesday, swdWednesday, swdThursday, swdFriday, swdSaturday, swdSunday
};
// A set of ScheduleWeekDay: bit i stands for the day of ordinal i.
using ScheduleWeekDays = std::uint8_t;
constexpr ScheduleWeekDays weekDaySet(ScheduleWeekDay day) { return static_cast<ScheduleWeekDays>(1u << day); }
enum ScheduleIndexKind : std::uint8_t {
    sikNone = 0, sikDay, sikWeekDay, sikWeekendDay,
    sikMonday, sikTuesday, sikWednesday, sikThursday, sikFriday, sikSaturday, sikSunday
};

class Schedule;

// Fields shared in shape by the monthly and the yearly part.
struct ScheduleMonthlyFields {
    ScheduleIndexKind indexKind = sikNone;
    std::int32_t indexValue = 1;
    int day = 1;
    std::uint32_t interval = 1;
    int month = 1;  // yearly only
};

// The times of day at which a recurring schedule fires: StartTime, StartTime +
// Interval, ... up to EndTime, all in milliseconds since midnight.
class DailyFreq {
public:
    explicit DailyFreq(Schedule& owner) : s_(&owner) {}
    std::uint32_t startTime() const;
    std::uint32_t endTime() const;
    std::uint32_t interval() const;
    void setStartTime(std::uint32_t value) const;
    void setEndTime(std::uint32_t value) const;
    void setInterval(std::uint32_t value) const;  // 0: once a day, at StartTime

private:
    Schedule* s_;
};

// The recurrence parts check on every access that the schedule's recurring type is
// the kind they serve, and raise ScheduleError otherwise.
class DailySchedule {
public:
    explicit DailySchedule(Schedule& owner) : s_(&owner) {}
    bool everyWeekDay() const;
    std::uint32_t interval() const;  // 0 while everyWeekDay
    void setEveryWeekDay(bool value) const;
    void setInterval(std::uint32_t days) const;  // also clears everyWeekDay

private:
    Schedule* s_;
};

class WeeklySchedule {
public:
    explicit WeeklySchedule(Schedule& owner) : s_(&owner) {}
    ScheduleWeekDays daysOfWeek() const;
    std::uint32_t interval() const;
    void setDaysOfWeek(ScheduleWeekDays days) const;
    void setInterval(std::uint32_t weeks) const;

private:
    Schedule* s_;
};

class MonthlySchedule {
public:
    explicit MonthlySchedule(Schedule& owner) : MonthlySchedule(owner, srkMonthly) {}
    ScheduleIndexKind indexKind() const;
    std::int32_t indexValue() const;
    int day() const;
    std::uint32_t interval() const;
    void setIndexKind(ScheduleIndexKind kind) const;
    void setIndexValue(std::int32_t value) const;
    void setDay(int day) const;
    void setInterval(std::uint32_t interval) const;

protected:
    MonthlySchedule(Schedule& owner, ScheduleRecurringKind kind) : s_(&owner), kind_(kind) {}
    // The owner's monthly or yearly fields, after the kind check.
    ScheduleMonthlyFields& fields() const;
    Schedule* s_;
    ScheduleRecurringKind kind_;
};

class YearlySchedule : public MonthlySchedule {
public:
    explicit YearlySchedule(Schedule& owner) : MonthlySchedule(owner, srkYearly) {}
    int month() const;
    void setMonth(int month) const;
};

class Schedule {
public:
    // A new schedule starts now (cut to whole seconds), as a one shot without end.
    explicit Schedule(const Clock& clock = SystemClock::instance());

    ScheduleStamp startDate() const { return startDate_; }
    ScheduleRecurringKind recurringType() const { return recurringType_; }
    ScheduleEndKind endType() const { return endType_; }
    ScheduleStamp endDate() const { return endDate_; }
    std::uint32_t endCount() const { return endCount_; }
    // Stored as given; counters untouched.
    void setStartDate(ScheduleStamp value) { startDate_ = value; }
    void setRecurringType(ScheduleRecurringKind value) { recurringType_ = value; }
    void setEndType(ScheduleEndKind value) { endType_ = value; }
    void setEndDate(ScheduleStamp value) { endDate_ = value; }
    void setEndCount(std::uint32_t value) { endCount_ = value; }

    std::uint32_t triggerCount() const { return triggerCount_; }
    std::uint32_t dayCount() const { return dayCount_; }
    ScheduleStamp lastTriggered() const { return lastTriggered_; }
    void restoreState(ScheduleStamp lastTriggered, std::uint32_t triggerCount, std::uint32_t dayCount);
    void clearCounters();
    // Whether both describe the same triggers: every setting that the recurring type
    // and the end type use is equal (the counters are not compared).
    bool sameSettings(const Schedule& other) const;
    const Clock& clock() const { return *clock_; }

    DailyFreq dailyFreq() { return DailyFreq(*this); }
    DailySchedule daily() { return DailySchedule(*this); }
    WeeklySchedule weekly() { return WeeklySchedule(*this); }
    MonthlySchedule monthly() { return MonthlySchedule(*this); }
    YearlySchedule yearly() { return YearlySchedule(*this); }

    // The trigger after the last one: stepFrom(lastTriggered()).
    ScheduleStamp nextTrigger();
    // countMissed false: stepFrom(from). countMissed true: every trigger from the last
    // one up to from is handed out and counted, and the first at or after from is
    // returned. The cost grows with the number of valid days skipped, not with the
    // number of triggers.
    ScheduleStamp nextTriggerFrom(ScheduleStamp from, bool countMissed);
    ScheduleStamp nextTriggerFromNow(bool countMissed);
    // The same walk as nextTriggerFrom(from, true), one stepFrom per trigger: the
    // reference the fast walk is tested and measured against.
    ScheduleStamp nextTriggerFromByWalk(ScheduleStamp from);

    // Building blocks of the computation, public so they can be tested one by one.
    // The day of the month a monthly or yearly schedule fires on in that month.
    int targetDay(int year, int month) const;
    // The first time on the day-frequency grid after from's time, on from's date.
    ScheduleStamp nextTimeOfDay(ScheduleStamp from) const;
    // Moves the date forward to the first valid date not before it; keeps the time.
    void alignToValidDate(ScheduleStamp& stamp) const;
    // The first valid date after from's date (or from it, when it is not valid).
    ScheduleStamp nextValidDate(ScheduleStamp from) const;
    // Hands out and counts one trigger after fromEvent, or returns the empty stamp.
    ScheduleStamp stepFrom(ScheduleStamp fromEvent);

private:
    friend class DailyFreq;
    friend class DailySchedule;
    friend class WeeklySchedule;
    friend class MonthlySchedule;
    friend class YearlySchedule;

    void checkKind(ScheduleRecurringKind part) const;
    ScheduleStamp computeStep(ScheduleStamp from) const;
    bool endConditionStops(ScheduleStamp result, ScheduleStamp from) const;
    void count(ScheduleStamp result, ScheduleStamp from);
    ScheduleStamp walkFast(ScheduleStamp from);
    // Counts whole valid days after dayEnd (the last trigger of its day) at once;
    // returns how many.
    std::int64_t skipFullDays(ScheduleStamp dayEnd, ScheduleStamp target, std::int64_t perDay);

    const Clock* clock_;
    ScheduleStamp startDate_;
    ScheduleRecurringKind recurringType_ = srkOneShot;
    ScheduleEndKind endType_ = sekNone;
    ScheduleStamp endDate_{0, 0};
    std::uint32_t endCount_ = 0;
    std::uint32_t triggerCount_ = 0;
    std::uint32_t dayCount_ = 0;
    ScheduleStamp lastTriggered_{0, 0};

    struct Freq {
        std::uint32_t startTime = 0;
        std::uint32_t endTime = kMillisecondsPerDay - 1;
        std::uint32_t interval = 500;
    } freq_;
    struct Daily {
        bool everyWeekDay = true;
        std::uint32_t interval = 1;
    } daily_;
    struct Weekly {
        ScheduleWeekDays days = weekDaySet(swdMonday);
        std::uint32_t interval = 1;
    } weekly_;
    ScheduleMonthlyFields monthly_;
    ScheduleMonthlyFields yearly_;
    const ScheduleMonthlyFields& calendarPart() const { return recurringType_ == srkYearly ? yearly_ : monthly_; }
};

}  // namespace orvalo
