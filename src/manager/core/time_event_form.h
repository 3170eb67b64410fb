// The values of the time-event editor ("Setting event") as plain data, and their
// exchange with a schedule. The window and orvaloctl both fill this form; neither
// holds logic of its own. Pure functions; errors are Error/ScheduleError with a
// message that names the field or the rule.
#pragma once

#include <array>
#include <string>

#include "platform/local_time.h"
#include "schedule/schedule.h"

namespace orvalo {

struct CalendarDay {
    int year = 2000;
    int month = 1;
    int day = 1;
    bool operator==(const CalendarDay&) const = default;
};

struct TimeEventForm {
    enum Type { OneShot = 0, Daily, Weekly, Monthly, Yearly };
    enum End { Never = 0, Date, EventCount, DayCount };
    enum Unit { Milliseconds = 0, Seconds, Minutes, Hours };
    // List entries of the index value lists: "1st", "2nd", "3rd", "4th", "Last".
    static constexpr int kTypedIndexValue = -1;  // no entry chosen: the typed number counts

    // "Start timed condition"
    CalendarDay startDate;
    int startTimeMs = 0;
    Type type = OneShot;
    // "Daily"
    bool dailyEveryWeekDay = true;
    std::string dailyInterval = "1";
    // "Weekly": Monday first
    std::string weeklyInterval = "1";
    std::array<bool, 7> weeklyDays{true, false, false, false, false, false, false};
    // "Monthly"
    bool monthlyByDay = true;
    std::string monthlyDay = "1";
    std::string monthlyEveryMonth = "1";
    int monthlyIndexValue = 0;  // list position, or kTypedIndexValue
    std::string monthlyIndexText;
    int monthlyIndexType = 1;  // "weekday"
    std::string monthlyIndexInterval = "1";
    // "Yearly"
    bool yearlyByDate = true;
    std::string yearlyDateDay = "1";
    int yearlyDateMonth = 0;  // "januari"
    std::string yearlyDateInterval = "1";
    int yearlyIndexValue = 0;
    std::string yearlyIndexText;
    int yearlyIndexKind = 1;
    int yearlyIndexMonth = 0;
    std::string yearlyIndexInterval = "1";
    // "Daily frequency"
    bool freqOnce = true;
    int freqOnceTimeMs = 0;
    std::string freqInterval = "1";
    Unit freqIntervalUnit = Minutes;
    int freqFromMs = 0;
    int freqToMs = 23 * 3'600'000 + 59 * 60'000 + 59'000;
    // "End"
    End end = Never;
    std::string eventCount = "1";
    std::string dayCount = "1";
    CalendarDay endDate;
    int endTimeMs = 23 * 3'600'000 + 59 * 60'000 + 59'000;

    // The dialog's defaults, with both date pickers on today.
    static TimeEventForm defaults(const LocalDateTime& today);
};

// Shows a schedule: the form's controls take its settings. Raises ScheduleError
// "Invalid schedule settings found." for an index kind the lists cannot show.
void scheduleToControls(const Schedule& schedule, TimeEventForm& form);

// Writes the controls into the schedule and clears its counters. Every field is
// checked first: on any error the schedule is left exactly as it was.
void controlsToSchedule(const TimeEventForm& form, Schedule& schedule);

}  // namespace orvalo
