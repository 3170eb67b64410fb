#include "schedule/schedule_text_store.h"

#include <climits>
#include <cstdio>
#include <limits>

#include "base/text.h"
#include "schedule/schedule_error.h"
#include "schedule/schedule_names.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

namespace {

constexpr std::string_view kGeneric = "# Schedule: Generic";
constexpr std::string_view kRecurInfo = "# Schedule: Recurring info";
constexpr std::string_view kEndInfo = "# Schedule: End info";
constexpr std::string_view kDayFrequency = "# Schedule: Day frequency";
constexpr std::string_view kDailyInfo = "# Schedule: Daily info";
constexpr std::string_view kWeeklyInfo = "# Schedule: Weekly info";
constexpr std::string_view kMonthlyInfo = "# Schedule: Monthly info";
constexpr std::string_view kYearlyInfo = "# Schedule: Yearly info";

// Item keys in the order PeekItemIndex numbers them, from 1.
constexpr std::string_view kKeys[] = {
    "Start",           "Recur type",      "End type",           "End count",          "End",
    "Frequency start", "Frequency end",   "Frequency interval", "Daily every weekday", "Daily interval",
    "Weekly days",     "Weekly interval", "Monthly day",        "Monthly index type", "Monthly index",
    "Monthly interval", "Yearly day",     "Yearly month",       "Yearly index type",  "Yearly index",
    "Yearly interval"};
constexpr int kFrequencyEndKey = 7;
constexpr int kDailyEveryWeekdayKey = 9;
constexpr int kDailyIntervalKey = 10;

// ---- writing ----

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}
    void header(std::string_view text) { line(text); }
    void item(std::string_view key, std::string_view value) {
        out_ += key;
        out_ += " = ";
        line(value);
    }
    void stamp(std::string_view key, ScheduleStamp stamp) {
        const CalendarDate d = calendarDate(stamp.date);
        char date[16];
        std::snprintf(date, sizeof date, "%.4d/%.2d/%.2d", d.year, d.month, d.day);
        item(std::string(key) + ".Date", date);
        item(std::string(key) + ".Time", time(stamp.time));
    }
    static std::string time(std::int64_t ms) {
        char text[24];
        std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d.%.3d", static_cast<int>(ms / 3'600'000 % 24),
                      static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
        return text;
    }

private:
    void line(std::string_view text) {
        out_ += text;
        out_ += "\r\n";
    }
    std::string& out_;
};

void writeMonthlyPart(Writer& w, const MonthlySchedule& part, std::string_view prefix, bool yearly) {
    const std::string p(prefix);
    w.item(p + " index type", indexKindName(part.indexKind()));
    if (part.indexKind() != sikNone) w.item(p + " index", std::to_string(part.indexValue()));
    else w.item(p + " day", std::to_string(part.day()));
    if (yearly) w.item(p + " month", std::to_string(static_cast<const YearlySchedule&>(part).month()));
    w.item(p + " interval", std::to_string(part.interval()));
}

// ---- reading ----

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void header(std::string_view expected) {
        if (!equalsIgnoreCase(nextNonEmptyLine(), expected)) throw ComponentError("Incorrect structure found");
    }

    std::string item(std::string_view key) {
        const auto [foundKey, value] = splitItem(nextNonEmptyLine());
        if (!equalsIgnoreCase(foundKey, key)) throw ComponentError("Incorrect identifier found");
        return std::string(value);
    }

    int peekItemIndex() {
        const std::size_t saved = position_;
        std::string_view key = splitItem(nextNonEmptyLine()).first;
        position_ = saved;
        key = key.substr(0, key.find('.'));
        for (std::size_t i = 0; i < std::size(kKeys); ++i)
            if (equalsIgnoreCase(kKeys[i], key)) return static_cast<int>(i) + 1;
        return 0;
    }

private:
    // Trims every character up to and including the space.
    static std::string_view trimControls(std::string_view s) {
        while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
        while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
        return s;
    }
    static std::pair<std::string_view, std::string_view> splitItem(std::string_view line) {
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) return {{}, {}};
        return {trimControls(line.substr(0, eq)), trimControls(line.substr(eq + 1))};
    }
    // Only CR LF ends a line.
    std::string_view nextNonEmptyLine() {
        while (position_ < text_.size()) {
            const auto end = text_.find("\r\n", position_);
            const std::string_view line =
                text_.substr(position_, end == std::string_view::npos ? std::string_view::npos : end - position_);
            position_ = end == std::string_view::npos ? text_.size() : end + 2;
            const std::string_view trimmed = trimControls(line);
            if (!trimmed.empty()) return trimmed;
        }
        return {};
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

[[noreturn]] void notAnInteger(std::string_view text) {
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::int64_t integerIn(std::string_view text, std::int64_t low, std::int64_t high) {
    const auto value = parseInteger(text);
    if (!value || *value < low || *value > high) notAnInteger(text);
    return *value;
}

std::uint32_t unsignedValue(std::string_view text) {
    return static_cast<std::uint32_t>(integerIn(text, 0, std::numeric_limits<std::uint32_t>::max()));
}

std::int32_t signedValue(std::string_view text) {
    return static_cast<std::int32_t>(
        integerIn(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Characters from..from+count-1 (1-based) of the value, as Pascal's Copy gives them.
std::string_view copy(std::string_view value, std::size_t from, std::size_t count) {
    return from - 1 < value.size() ? value.substr(from - 1, count) : std::string_view();
}

std::int32_t dateValue(std::string_view value) {
    const auto part = [&](std::size_t from, std::size_t count) {
        const std::string_view text = copy(value, from, count);
        return static_cast<int>(integerIn(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    const int year = part(1, 4), month = part(6, 2), day = part(9, 2);
    try {
        return dateOf(year, month, day);
    } catch (const OutOfCalendar&) {
        throw ConvertError("Invalid argument to date encode");
    }
}

// A time of day or a duration in milliseconds: "hh:nn:ss.zzz", or a plain number
// when the third character is a digit or the value is shorter than that.
std::int64_t timeValue(std::string_view value) {
    if (value.size() < 3 || (value[2] >= '0' && value[2] <= '9'))
        return integerIn(value, std::numeric_limits<std::int64_t>::min() / 2, std::numeric_limits<std::int64_t>::max() / 2);
    const auto part = [&](std::size_t from, std::size_t count) {
        return integerIn(copy(value, from, count), -99'999, 99'999);
    };
    return part(1, 2) * 3'600'000 + part(4, 2) * 60'000 + part(7, 2) * 1000 + part(10, 3);
}

std::uint32_t timeOfDay(std::string_view value) {
    const std::int64_t ms = timeValue(value);
    if (ms < 0 || ms > std::numeric_limits<std::uint32_t>::max()) throw ScheduleError(kInvalidTime);
    return static_cast<std::uint32_t>(ms);
}

ScheduleStamp stampValue(Reader& r, std::string_view key) {
    const std::int32_t date = dateValue(r.item(std::string(key) + ".Date"));
    const std::int64_t time = timeValue(r.item(std::string(key) + ".Time"));
    // A stamp holds a time of day; anything else could not be written back.
    if (time < 0 || time >= kMillisecondsPerDay) throw ScheduleError(kInvalidTime);
    return {static_cast<std::int32_t>(time), date};
}

template <typename Enum>
Enum enumValue(std::string_view value, std::optional<Enum> (*parse)(std::string_view)) {
    if (const auto parsed = parse(value)) return *parsed;
    throw ComponentError("Unknown identifier '" + std::string(value) + "'.");
}

bool booleanValue(std::string_view value) {
    if (equalsIgnoreCase(value, "True")) return true;
    if (equalsIgnoreCase(value, "False")) return false;
    throw ComponentError("Unknown identifier '" + std::string(value) + "'.");
}

ScheduleWeekDay weekDayValue(std::string_view name) {
    return enumValue<ScheduleWeekDay>(trimBlanks(name), parseWeekDay);
}

// "swdMonday, swdFriday", "[swdMonday,swdFriday]" or "swdMonday..swdFriday".
ScheduleWeekDays weekDaysValue(std::string_view value) {
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const auto comma = value.find(',', start);
        pieces.push_back(value.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (!pieces.front().empty() && pieces.front().front() == '[') {
        pieces.front().remove_prefix(1);
        if (!pieces.back().empty()) pieces.back().remove_suffix(1);
    }
    ScheduleWeekDays days = 0;
    for (std::string_view piece : pieces) {
        piece = trimBlanks(piece);
        if (piece.empty()) continue;
        const auto range = piece.find("..");
        if (range == std::string_view::npos) {
            days |= weekDaySet(weekDayValue(piece));
            continue;
        }
        const ScheduleWeekDay first = weekDayValue(piece.substr(0, range));
        const ScheduleWeekDay last = weekDayValue(piece.substr(range + 2));
        for (int day = first; day <= last; ++day) days |= weekDaySet(static_cast<ScheduleWeekDay>(day));
    }
    return days;
}

void readMonthlyPart(Reader& r, const MonthlySchedule& part, std::string_view prefix, bool yearly) {
    const std::string p(prefix);
    part.setIndexKind(enumValue<ScheduleIndexKind>(r.item(p + " index type"), parseIndexKind));
    if (part.indexKind() != sikNone) part.setIndexValue(signedValue(r.item(p + " index")));
    else part.setDay(static_cast<int>(integerIn(r.item(p + " day"), INT_MIN, INT_MAX)));
    if (yearly)
        static_cast<const YearlySchedule&>(part).setMonth(
            static_cast<int>(integerIn(r.item(p + " month"), INT_MIN, INT_MAX)));
    part.setInterval(unsignedValue(r.item(p + " interval")));
}

}  // namespace

std::string scheduleToText(const Schedule& constSchedule) {
    // The parts are views that need a non-const schedule; nothing is changed.
    Schedule& s = const_cast<Schedule&>(constSchedule);
    std::string out;
    Writer w(out);
    w.header(kGeneric);
    w.stamp("Start", s.startDate());
    w.header(kRecurInfo);
    w.item("Recur type", recurringKindName(s.recurringType()));
    if (s.recurringType() == srkOneShot) return out;

    w.header(kEndInfo);
    w.item("End type", endKindName(s.endType()));
    if (s.endType() == sekDate) w.stamp("End", s.endDate());
    if (s.endType() == sekTriggerCount || s.endType() == sekDayCount) w.item("End count", std::to_string(s.endCount()));

    w.header(kDayFrequency);
    w.item("Frequency start", Writer::time(s.dailyFreq().startTime()));
    if (s.dailyFreq().interval() != 0) {
        w.item("Frequency end", Writer::time(s.dailyFreq().endTime()));
        w.item("Frequency interval", Writer::time(s.dailyFreq().interval()));
    }
    switch (s.recurringType()) {
        case srkDaily:
            w.header(kDailyInfo);
            if (s.daily().everyWeekDay()) w.item("Daily every weekday", "True");
            else w.item("Daily interval", std::to_string(s.daily().interval()));
            break;
        case srkWeekly: {
            w.header(kWeeklyInfo);
            std::string days;
            for (int day = swdMonday; day <= swdSunday; ++day) {
                if ((s.weekly().daysOfWeek() & weekDaySet(static_cast<ScheduleWeekDay>(day))) == 0) continue;
                if (!days.empty()) days += ", ";
                days += weekDayName(static_cast<ScheduleWeekDay>(day));
            }
            w.item("Weekly days", days);
            w.item("Weekly interval", std::to_string(s.weekly().interval()));
            break;
        }
        case srkMonthly:
            w.header(kMonthlyInfo);
            writeMonthlyPart(w, s.monthly(), "Monthly", false);
            break;
        case srkYearly:
            w.header(kYearlyInfo);
            writeMonthlyPart(w, s.yearly(), "Yearly", true);
            break;
        default:
            break;
    }
    return out;
}

Schedule scheduleFromText(std::string_view text, const Clock& clock) {
    Schedule s(clock);
    Reader r(text);
    r.header(kGeneric);
    s.setStartDate(stampValue(r, "Start"));
    r.header(kRecurInfo);
    s.setRecurringType(enumValue<ScheduleRecurringKind>(r.item("Recur type"), parseRecurringKind));
    if (s.recurringType() == srkOneShot) return s;

    r.header(kEndInfo);
    s.setEndType(enumValue<ScheduleEndKind>(r.item("End type"), parseEndKind));
    if (s.endType() == sekDate) s.setEndDate(stampValue(r, "End"));
    if (s.endType() == sekTriggerCount || s.endType() == sekDayCount) s.setEndCount(unsignedValue(r.item("End count")));

    r.header(kDayFrequency);
    s.dailyFreq().setStartTime(timeOfDay(r.item("Frequency start")));
    if (r.peekItemIndex() == kFrequencyEndKey) {
        s.dailyFreq().setEndTime(timeOfDay(r.item("Frequency end")));
        s.dailyFreq().setInterval(timeOfDay(r.item("Frequency interval")));
    }
    switch (s.recurringType()) {
        case srkDaily:
            r.header(kDailyInfo);
            if (r.peekItemIndex() == kDailyEveryWeekdayKey) s.daily().setEveryWeekDay(booleanValue(r.item("Daily every weekday")));
            if (r.peekItemIndex() == kDailyIntervalKey) s.daily().setInterval(unsignedValue(r.item("Daily interval")));
            break;
        case srkWeekly:
            r.header(kWeeklyInfo);
            s.weekly().setDaysOfWeek(weekDaysValue(r.item("Weekly days")));
            s.weekly().setInterval(unsignedValue(r.item("Weekly interval")));
            break;
        case srkMonthly:
            r.header(kMonthlyInfo);
            readMonthlyPart(r, s.monthly(), "Monthly", false);
            break;
        case srkYearly:
            r.header(kYearlyInfo);
            readMonthlyPart(r, s.yearly(), "Yearly", true);
            break;
        default:
            break;
    }
    return s;
}

void writeSchedule(const EventCollectionItem& item, std::string& out) {
    const EventItemState state = item.state();
    if (state != eisStopped && state != eisPaused && state != eisEnded)
        throw ComponentError("Schedule is active. Storing of a schedule can only be done on inactive schedules");
    out += scheduleToText(item.schedule());
}

void readSchedule(EventCollectionItem& item, std::string_view text) {
    const EventItemState state = item.state();
    if (state != eisStopped && state != eisEnded)
        throw ComponentError("Schedule is active. Reading a new schedule can only be done on inactive schedules");
    // Built aside and handed over whole, so a failure leaves the old schedule.
    item.setSchedule(scheduleFromText(text, item.schedule().clock()));
}

}  // namespace orvalo
