#include "manager/cli/event_options.h"

#include <array>
#include <sstream>

#include "base/error.h"
#include "base/text.h"
#include "manager/cli/moment_text.h"

namespace orvalo {

namespace {

// The position of text in a list of names, or Error listing them.
template <std::size_t N>
int choice(const std::string& text, const std::array<const char*, N>& names, const char* option) {
    for (std::size_t i = 0; i < N; ++i)
        if (equalsIgnoreCase(text, names[i])) return static_cast<int>(i);
    std::string all;
    for (const char* name : names) all += std::string(all.empty() ? "" : ", ") + name;
    throw Error(std::string(option) + ": '" + text + "' is not one of " + all);
}

constexpr std::array<const char*, 5> kTypes{"one-shot", "daily", "weekly", "monthly", "yearly"};
constexpr std::array<const char*, 7> kDays{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
constexpr std::array<const char*, 5> kIndexes{"1st", "2nd", "3rd", "4th", "last"};
constexpr std::array<const char*, 10> kKinds{"day",      "weekday", "weekendday", "monday",  "tuesday",
                                             "wednesday", "thursday", "friday",     "saturday", "sunday"};
constexpr std::array<const char*, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                              "jul", "aug", "sep", "oct", "nov", "dec"};
constexpr std::array<const char*, 4> kUnits{"ms", "s", "min", "h"};
constexpr std::array<const char*, 3> kModes{"Normal", "Hide", "Minimize"};

int monthIndex(const std::string& text) {
    if (const auto number = parseInteger(text); number && *number >= 1 && *number <= 12)
        return static_cast<int>(*number) - 1;
    return choice(text.substr(0, 3), kMonths, "--month");
}

void applyIndex(const std::string& text, int& position, std::string& typed) {
    typed.clear();
    for (std::size_t i = 0; i < kIndexes.size(); ++i)
        if (equalsIgnoreCase(text, kIndexes[i])) {
            position = static_cast<int>(i);
            return;
        }
    if (!parseInteger(text)) throw Error("--index: '" + text + "' is not 1st, 2nd, 3rd, 4th, last or a number");
    position = TimeEventForm::kTypedIndexValue;
    typed = text;
}

// Options that only one schedule type has must match the type chosen.
void requireType(const TimeEventForm& form, TimeEventForm::Type type, const char* option, bool given) {
    if (given && form.type != type)
        throw Error(std::string(option) + " applies only to " + kTypes[static_cast<std::size_t>(type)] + " events");
}

}  // namespace

void addEventOptions(CLI::App& c, EventOptions& o, OptionSet set) {
    const bool edit = set == OptionSet::Edit;
    c.add_option("--name", o.name, "Action name");
    c.add_option("--command", o.command, "Execute command (a /bin/sh command line)");
    c.add_option("--kill", o.kill, "Kill event after MIN minutes (0: never)");
    c.add_option("--mode", o.mode, "Mode start as: Normal, Hide or Minimize");
    c.add_flag("--enable", o.enable, edit ? "Enable the event once it is changed" : "Enable the event once it is added");
    if (set == OptionSet::Time || edit) {
        c.add_option("--start", o.start, edit ? "Start, \"YYYY-MM-DD HH:MM:SS\"" : "Start, \"YYYY-MM-DD HH:MM:SS\" (default now)");
        c.add_option("--type", o.type, "one-shot, daily, weekly, monthly or yearly");
        c.add_flag("--every-weekday", o.everyWeekday, "daily: every weekday (Monday to Friday)");
        c.add_option("--every-days", o.everyDays, "daily: every N days");
        c.add_option("--weeks", o.weeks, "weekly: every N weeks");
        c.add_option("--days", o.days, "weekly: the days, e.g. mon,wed,sun");
        c.add_option("--day", o.day, "monthly, yearly: on day D of the month");
        c.add_option("--months", o.months, "monthly: every N months");
        c.add_option("--index", o.index, "monthly, yearly: 1st, 2nd, 3rd, 4th, last or a number");
        c.add_option("--kind", o.kind, "monthly, yearly: day, weekday, weekendday or monday .. sunday");
        c.add_option("--month", o.month, "yearly: the month, 1-12 or jan .. dec");
        c.add_option("--years", o.years, "yearly: every N years");
        c.add_option("--once-at", o.onceAt, "once a day at HH:MM:SS");
        c.add_option("--every", o.every,
                     edit ? "time event: repeat every N --unit a day; web event: check the page every N minutes"
                          : "repeat every N --unit a day");
        c.add_option("--unit", o.unit, "ms, s, min or h (default min)");
        c.add_option("--between", o.between, "repeat from HH:MM:SS");
        c.add_option("--and", o.andTime, "repeat until HH:MM:SS");
        c.add_option("--end-date", o.endDate, "end at \"YYYY-MM-DD HH:MM:SS\"");
        c.add_option("--end-count", o.endCount, "end after N events");
        c.add_option("--end-days", o.endDays, "end after N days");
        c.add_flag("--no-end", o.noEnd, "never end");
    }
    if (set == OptionSet::File || edit) {
        c.add_option("--path", o.path, "The file to watch");
        c.add_option("--run", o.run, "once or every");
        c.add_option("--when", o.when,
                     edit ? "file event: exists or changes; web event: exists or not-exists" : "exists or changes");
        auto* onlyOne = c.add_flag("--only-one", o.onlyOne, "Only one executing event");
        auto* infinite = c.add_flag("--infinite", o.infinite, "Loop without end (with --when exists)");
        auto* cycles = c.add_option("--cycles", o.cycles, "Loop: number of cycles to end");
        onlyOne->excludes(infinite)->excludes(cycles);
        infinite->excludes(cycles);
        c.add_option("--wait", o.wait, "Loop: wait MIN minutes between cycles");
    }
    if (set == OptionSet::Web) {
        c.add_option("--every", o.every, "Check the page every MIN minutes");
        c.add_option("--when", o.when, "exists or not-exists: whether the string must be on the page");
    }
    if (set == OptionSet::Web || edit) {
        c.add_option("--url", o.url, "The page's address");
        c.add_option("--string", o.searchText, "The string to look for");
    }
    if (set != OptionSet::Time) {
        auto* email = c.add_flag("--email", o.email, "Send info e-mail");
        c.add_flag("--no-email", o.noEmail, "Send no info e-mail")->excludes(email);
        auto* log = c.add_flag("--log", o.log, "Write info to log");
        c.add_flag("--no-log", o.noLog, "Write no info to log")->excludes(log);
    }
}

void applyActionOptions(const EventOptions& o, ActionFields& action) {
    if (o.name) action.name = *o.name;
    if (o.command) action.commandLine = *o.command;
    if (o.kill) action.killMinutes = *o.kill;
    if (o.mode) action.startMode = kModes[static_cast<std::size_t>(choice(*o.mode, kModes, "--mode"))];
}

void applyTimeOptions(const EventOptions& o, TimeEventForm& form) {
    if (o.path || o.run || o.cycles || o.wait || o.onlyOne || o.infinite || o.url || o.searchText || o.when ||
        o.email || o.noEmail || o.log || o.noLog)
        throw Error("File and web event options do not apply to a time event");
    if (o.start) {
        const ScheduleStamp start = parseMoment(*o.start);
        form.startDate = calendarDayOf(start);
        form.startTimeMs = start.time;
    }
    if (o.type) form.type = static_cast<TimeEventForm::Type>(choice(*o.type, kTypes, "--type"));

    requireType(form, TimeEventForm::Daily, "--every-weekday/--every-days", o.everyWeekday || o.everyDays);
    if (o.everyWeekday) form.dailyEveryWeekDay = true;
    if (o.everyDays) {
        form.dailyEveryWeekDay = false;
        form.dailyInterval = *o.everyDays;
    }

    requireType(form, TimeEventForm::Weekly, "--weeks/--days", o.weeks || o.days);
    if (o.weeks) form.weeklyInterval = *o.weeks;
    if (o.days) {
        form.weeklyDays.fill(false);
        std::istringstream list(*o.days);
        for (std::string day; std::getline(list, day, ',');)
            form.weeklyDays[static_cast<std::size_t>(choice(std::string(trimBlanks(day)), kDays, "--days"))] = true;
    }

    const bool byIndex = o.index || o.kind;
    if (form.type == TimeEventForm::Monthly) {
        if (o.month || o.years) throw Error("--month/--years apply only to yearly events");
        if (o.day && byIndex) throw Error("--day and --index/--kind exclude each other");
        if (o.day) {
            form.monthlyByDay = true;
            form.monthlyDay = *o.day;
        }
        if (byIndex) form.monthlyByDay = false;
        if (o.index) applyIndex(*o.index, form.monthlyIndexValue, form.monthlyIndexText);
        if (o.kind) form.monthlyIndexType = choice(*o.kind, kKinds, "--kind");
        if (o.months) (form.monthlyByDay ? form.monthlyEveryMonth : form.monthlyIndexInterval) = *o.months;
    } else if (form.type == TimeEventForm::Yearly) {
        if (o.months) throw Error("--months applies only to monthly events");
        if (o.day && byIndex) throw Error("--day and --index/--kind exclude each other");
        if (o.day) {
            form.yearlyByDate = true;
            form.yearlyDateDay = *o.day;
        }
        if (byIndex) form.yearlyByDate = false;
        if (o.index) applyIndex(*o.index, form.yearlyIndexValue, form.yearlyIndexText);
        if (o.kind) form.yearlyIndexKind = choice(*o.kind, kKinds, "--kind");
        if (o.month) (form.yearlyByDate ? form.yearlyDateMonth : form.yearlyIndexMonth) = monthIndex(*o.month);
        if (o.years) (form.yearlyByDate ? form.yearlyDateInterval : form.yearlyIndexInterval) = *o.years;
    } else if (o.day || byIndex || o.months || o.month || o.years) {
        throw Error("--day, --index, --kind, --months, --month and --years apply only to monthly and yearly events");
    }

    if (o.onceAt && (o.every || o.unit || o.between || o.andTime))
        throw Error("--once-at and --every/--unit/--between/--and exclude each other");
    if (o.onceAt) {
        form.freqOnce = true;
        form.freqOnceTimeMs = parseTimeOfDay(*o.onceAt);
    }
    if (o.every || o.unit || o.between || o.andTime) form.freqOnce = false;
    if (o.every) form.freqInterval = *o.every;
    if (o.unit) form.freqIntervalUnit = static_cast<TimeEventForm::Unit>(choice(*o.unit, kUnits, "--unit"));
    if (o.between) form.freqFromMs = parseTimeOfDay(*o.between);
    if (o.andTime) form.freqToMs = parseTimeOfDay(*o.andTime);

    if (int(o.noEnd) + int(bool(o.endDate)) + int(bool(o.endCount)) + int(bool(o.endDays)) > 1)
        throw Error("--no-end, --end-date, --end-count and --end-days exclude each other");
    if (o.noEnd) form.end = TimeEventForm::Never;
    if (o.endDate) {
        const ScheduleStamp end = parseMoment(*o.endDate);
        form.end = TimeEventForm::Date;
        form.endDate = calendarDayOf(end);
        form.endTimeMs = end.time;
    }
    if (o.endCount) {
        form.end = TimeEventForm::EventCount;
        form.eventCount = *o.endCount;
    }
    if (o.endDays) {
        form.end = TimeEventForm::DayCount;
        form.dayCount = *o.endDays;
    }

    // What the options ask for must be what the type does.
    if (form.type == TimeEventForm::OneShot) {
        if (o.onceAt || o.every || o.unit || o.between || o.andTime)
            throw Error("--once-at, --every, --unit, --between and --and set the times of day of a recurring event; "
                        "a one-shot event fires once, at --start \"YYYY-MM-DD HH:MM:SS\" (or give --type daily)");
        if (o.noEnd || o.endDate || o.endCount || o.endDays)
            throw Error("A one-shot event has no end: it fires once, at --start");
    }
    if (o.every && parseInteger(*o.every) == 0)
        throw Error("--every: 0 is no interval; give a whole number above 0 (and --unit)");
}

namespace {

bool anyTimeOption(const EventOptions& o) {
    return o.start || o.type || o.everyWeekday || o.everyDays || o.weeks || o.days || o.day || o.months || o.index ||
           o.kind || o.month || o.years || o.onceAt || o.unit || o.between || o.andTime || o.endDate || o.endCount ||
           o.endDays || o.noEnd;
}

void applyFlags(const EventOptions& o, bool& email, bool& log) {
    if (o.email) email = true;
    if (o.noEmail) email = false;
    if (o.log) log = true;
    if (o.noLog) log = false;
}

}  // namespace

void applyFileOptions(const EventOptions& o, FileEventForm& form) {
    if (anyTimeOption(o) || o.every || o.url || o.searchText)
        throw Error("Time and web event options do not apply to a file event");
    applyActionOptions(o, form.action);
    FileCondition& c = form.condition;
    if (o.path) c.path = *o.path;
    if (o.run) c.runEvery = choice(*o.run, std::array<const char*, 2>{"once", "every"}, "--run") == 1;
    if (o.when) {
        if (choice(*o.when, std::array<const char*, 2>{"exists", "changes"}, "--when") == 0) form.chooseExist();
        else form.chooseChange();
    }
    if (o.onlyOne) c.oneExecution = true;
    if (o.infinite) {
        if (!form.infinityVisible()) throw Error("--infinite applies only with --when exists");
        c.oneExecution = false;
        c.infinity = true;
    }
    if (o.cycles) {
        c.oneExecution = false;
        c.infinity = false;
        c.cycles = *o.cycles;
    }
    if (o.wait) c.loopWaitMinutes = *o.wait;
    applyFlags(o, c.email, c.log);
}

void applyWebOptions(const EventOptions& o, WebEventForm& form) {
    if (anyTimeOption(o) || o.path || o.run || o.cycles || o.wait || o.onlyOne || o.infinite)
        throw Error("Time and file event options do not apply to a web event");
    applyActionOptions(o, form.action);
    WebCondition& c = form.condition;
    // A period of 0 minutes would never check the page.
    if (o.every && parseInteger(*o.every) == 0) throw Error("--every: 0 minutes would never check the page; give 1 or more");
    if (o.every) c.checkMinutes = *o.every;
    if (o.url) c.url = *o.url;
    if (o.when) c.whenExists = choice(*o.when, std::array<const char*, 2>{"exists", "not-exists"}, "--when") == 0;
    if (o.searchText) c.searchText = *o.searchText;
    applyFlags(o, c.email, c.log);
}

}  // namespace orvalo
