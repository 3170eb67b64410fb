#include "manager/core/time_event_form.h"

#include <limits>

#include "base/error.h"
#include "base/text.h"
#include "schedule/schedule_error.h"

namespace orvalo {

namespace {

constexpr std::int64_t kUnitMs[] = {1, 1000, 60'000, 3'600'000};

// A number field: a whole number from 0 to the 32-bit limit of the schedule.
std::uint32_t wholeNumber(const std::string& text, const char* field) {
    const auto value = parseInteger(text);
    if (!value || *value < 0 || *value > std::numeric_limits<std::uint32_t>::max())
        throw Error(std::string(field) + ": '" + text + "' is not a whole number from 0 to 4294967295");
    return static_cast<std::uint32_t>(*value);
}

// A day field; numbers above 31 are left to the schedule's own refusal.
int dayOfMonth(const std::string& text, const char* field) {
    const std::uint32_t day = wholeNumber(text, field);
    return day > 31 ? 0 : static_cast<int>(day);
}

std::int32_t indexValue(int position, const std::string& typed, const char* field) {
    if (position >= 0 && position <= 3) return position + 1;
    if (position == 4) return -1;
    const auto value = parseInteger(typed);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() || *value > std::numeric_limits<std::int32_t>::max())
        throw Error(std::string(field) + ": '" + typed + "' is not a whole number");
    return static_cast<std::int32_t>(*value);
}

void showIndexValue(std::int32_t value, int& position, std::string& typed) {
    typed.clear();
    if (value >= 1 && value <= 4) position = value - 1;
    else if (value == -1) position = 4;
    else {
        position = TimeEventForm::kTypedIndexValue;
        typed = std::to_string(value);
    }
}

ScheduleStamp stampOf(const CalendarDay& day, int timeMs) {
    try {
        return {timeMs, dateOf(day.year, day.month, day.day)};
    } catch (const OutOfCalendar&) {
        throw Error("Invalid date: " + std::to_string(day.year) + "-" + std::to_string(day.month) + "-" +
                    std::to_string(day.day));
    }
}

CalendarDay dayOf(ScheduleStamp stamp) {
    const CalendarDate d = calendarDate(stamp.date);
    return {d.year, d.month, d.day};
}

int timeOfDay(int ms, const char* field) {
    if (ms < 0 || ms >= kMillisecondsPerDay) throw Error(std::string(field) + ": not a time of day");
    return ms;
}

void checkListPosition(int position, int entries, const char* field) {
    if (position < 0 || position >= entries) throw Error(std::string(field) + ": no entry chosen");
}

}  // namespace

TimeEventForm TimeEventForm::defaults(const LocalDateTime& today) {
    TimeEventForm form;
    form.startDate = {today.year, today.month, today.day};
    form.endDate = form.startDate;
    return form;
}

void scheduleToControls(const Schedule& constSchedule, TimeEventForm& form) {
    // The parts are views that need a non-const schedule; nothing is changed.
    Schedule& s = const_cast<Schedule&>(constSchedule);
    form.startDate = dayOf(s.startDate());
    form.startTimeMs = s.startDate().time;
    switch (s.recurringType()) {
        case srkDaily:
            form.type = TimeEventForm::Daily;
            form.dailyEveryWeekDay = s.daily().everyWeekDay();
            if (!form.dailyEveryWeekDay) form.dailyInterval = std::to_string(s.daily().interval());
            break;
        case srkWeekly:
            form.type = TimeEventForm::Weekly;
            for (int day = 0; day < 7; ++day) form.weeklyDays[static_cast<std::size_t>(day)] = (s.weekly().daysOfWeek() >> day) & 1;
            form.weeklyInterval = std::to_string(s.weekly().interval());
            break;
        case srkMonthly: {
            form.type = TimeEventForm::Monthly;
            const MonthlySchedule m = s.monthly();
            if (m.indexKind() > sikSunday) throw ScheduleError("Invalid schedule settings found.");
            form.monthlyByDay = m.indexKind() == sikNone;
            if (form.monthlyByDay) {
                form.monthlyDay = std::to_string(m.day());
                form.monthlyEveryMonth = std::to_string(m.interval());
            } else {
                showIndexValue(m.indexValue(), form.monthlyIndexValue, form.monthlyIndexText);
                form.monthlyIndexType = m.indexKind() - 1;
                form.monthlyIndexInterval = std::to_string(m.interval());
            }
            break;
        }
        case srkYearly: {
            form.type = TimeEventForm::Yearly;
            const YearlySchedule y = s.yearly();
            if (y.indexKind() > sikSunday) throw ScheduleError("Invalid schedule settings found.");
            form.yearlyByDate = y.indexKind() == sikNone;
            if (form.yearlyByDate) {
                form.yearlyDateDay = std::to_string(y.day());
                form.yearlyDateMonth = y.month() - 1;
                form.yearlyDateInterval = std::to_string(y.interval());
            } else {
                showIndexValue(y.indexValue(), form.yearlyIndexValue, form.yearlyIndexText);
                form.yearlyIndexKind = y.indexKind() - 1;
                form.yearlyIndexMonth = y.month() - 1;
                form.yearlyIndexInterval = std::to_string(y.interval());
            }
            break;
        }
        default:
            form.type = TimeEventForm::OneShot;
            break;
    }
    switch (s.endType()) {
        case sekDate:
            form.end = TimeEventForm::Date;
            form.endDate = dayOf(s.endDate());
            form.endTimeMs = s.endDate().time;
            break;
        case sekTriggerCount:
            form.end = TimeEventForm::EventCount;
            form.eventCount = std::to_string(s.endCount());
            break;
        case sekDayCount:
            form.end = TimeEventForm::DayCount;
            form.dayCount = std::to_string(s.endCount());
            break;
        default:
            form.end = TimeEventForm::Never;
            break;
    }
    if (s.recurringType() == srkOneShot) return;
    const auto freq = s.dailyFreq();
    form.freqOnce = freq.startTime() == freq.endTime();
    if (form.freqOnce) {
        form.freqOnceTimeMs = static_cast<int>(freq.startTime());
        return;
    }
    form.freqFromMs = static_cast<int>(freq.startTime());
    form.freqToMs = static_cast<int>(freq.endTime());
    // The largest unit that divides the interval (0 shows as 0 hours).
    int unit = TimeEventForm::Hours;
    while (unit > 0 && freq.interval() % kUnitMs[unit] != 0) --unit;
    form.freqIntervalUnit = static_cast<TimeEventForm::Unit>(unit);
    form.freqInterval = std::to_string(freq.interval() / kUnitMs[unit]);
}

void controlsToSchedule(const TimeEventForm& form, Schedule& schedule) {
    // Everything goes into a copy first, so a refused value leaves the schedule whole.
    Schedule s = schedule;
    if (form.type < TimeEventForm::OneShot || form.type > TimeEventForm::Yearly) throw Error("Schedule type: no entry chosen");
    s.setRecurringType(static_cast<ScheduleRecurringKind>(form.type));
    s.setStartDate(stampOf(form.startDate, timeOfDay(form.startTimeMs, "Start time")));
    s.setEndType(static_cast<ScheduleEndKind>(form.end));
    if (form.type == TimeEventForm::OneShot) {
        s.setEndType(sekDate);
        s.setEndDate(s.startDate());
        const auto freq = s.dailyFreq();
        freq.setEndTime(86'399'999);  // so that a start time after the old end time is taken
        freq.setStartTime(static_cast<std::uint32_t>(s.startDate().time));
        freq.setEndTime(static_cast<std::uint32_t>(s.endDate().time));
        freq.setInterval(1);
    } else {
        switch (form.type) {
            case TimeEventForm::Daily:
                s.daily().setEveryWeekDay(form.dailyEveryWeekDay);
                if (!form.dailyEveryWeekDay) s.daily().setInterval(wholeNumber(form.dailyInterval, "Every ... day(s)"));
                break;
            case TimeEventForm::Weekly: {
                ScheduleWeekDays days = 0;
                for (int day = 0; day < 7; ++day)
                    if (form.weeklyDays[static_cast<std::size_t>(day)]) days |= static_cast<ScheduleWeekDays>(1u << day);
                s.weekly().setDaysOfWeek(days);
                s.weekly().setInterval(wholeNumber(form.weeklyInterval, "Every ... week(s)"));
                break;
            }
            case TimeEventForm::Monthly: {
                const MonthlySchedule m = s.monthly();
                if (form.monthlyByDay) {
                    m.setIndexKind(sikNone);
                    m.setDay(dayOfMonth(form.monthlyDay, "Day"));
                    m.setInterval(wholeNumber(form.monthlyEveryMonth, "Day ... of every ... month(s)"));
                } else {
                    checkListPosition(form.monthlyIndexType, 10, "The ... (kind of day)");
                    m.setIndexKind(static_cast<ScheduleIndexKind>(form.monthlyIndexType + 1));
                    m.setIndexValue(indexValue(form.monthlyIndexValue, form.monthlyIndexText, "The ... (which)"));
                    m.setInterval(wholeNumber(form.monthlyIndexInterval, "The ... of every ... month(s)"));
                }
                break;
            }
            case TimeEventForm::Yearly: {
                const YearlySchedule y = s.yearly();
                if (form.yearlyByDate) {
                    checkListPosition(form.yearlyDateMonth, 12, "On ... of (month)");
                    y.setIndexKind(sikNone);
                    y.setDay(dayOfMonth(form.yearlyDateDay, "On"));
                    y.setMonth(form.yearlyDateMonth + 1);
                    y.setInterval(wholeNumber(form.yearlyDateInterval, "On ... of every ... year(s)"));
                } else {
                    checkListPosition(form.yearlyIndexKind, 10, "The ... (kind of day)");
                    checkListPosition(form.yearlyIndexMonth, 12, "The ... of (month)");
                    y.setIndexKind(static_cast<ScheduleIndexKind>(form.yearlyIndexKind + 1));
                    y.setIndexValue(indexValue(form.yearlyIndexValue, form.yearlyIndexText, "The ... (which)"));
                    y.setMonth(form.yearlyIndexMonth + 1);
                    y.setInterval(wholeNumber(form.yearlyIndexInterval, "The ... of every ... year(s)"));
                }
                break;
            }
            default:
                break;
        }
        const auto freq = s.dailyFreq();
        freq.setEndTime(86'399'999);  // lets any start time be taken before the end time
        if (form.freqOnce) {
            const auto at = static_cast<std::uint32_t>(timeOfDay(form.freqOnceTimeMs, "Occurs once at"));
            freq.setStartTime(at);
            freq.setEndTime(at);
            freq.setInterval(1);
        } else {
            freq.setStartTime(static_cast<std::uint32_t>(timeOfDay(form.freqFromMs, "between")));
            freq.setEndTime(static_cast<std::uint32_t>(timeOfDay(form.freqToMs, "and")));
            if (form.freqIntervalUnit < TimeEventForm::Milliseconds || form.freqIntervalUnit > TimeEventForm::Hours)
                throw Error("Occurs every: no unit chosen");
            const std::uint64_t ms = static_cast<std::uint64_t>(wholeNumber(form.freqInterval, "Occurs every")) *
                                     static_cast<std::uint64_t>(kUnitMs[form.freqIntervalUnit]);
            if (ms >= static_cast<std::uint64_t>(kMillisecondsPerDay)) throw ScheduleError(kInvalidTime);
            freq.setInterval(static_cast<std::uint32_t>(ms));
        }
        switch (form.end) {
            case TimeEventForm::Date:
                s.setEndDate(stampOf(form.endDate, timeOfDay(form.endTimeMs, "End time")));
                break;
            case TimeEventForm::EventCount:
                s.setEndCount(wholeNumber(form.eventCount, "Event count"));
                break;
            case TimeEventForm::DayCount:
                s.setEndCount(wholeNumber(form.dayCount, "Day count"));
                break;
            default:
                break;
        }
    }
    s.clearCounters();
    schedule = s;
}

}  // namespace orvalo
