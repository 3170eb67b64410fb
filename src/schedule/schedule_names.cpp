#include "schedule/schedule_names.h"

#include <array>

#include "base/text.h"

namespace orvalo {

namespace {

constexpr std::array<std::string_view, 5> kRecurring = {"srkOneShot", "srkDaily", "srkWeekly", "srkMonthly",
                                                        "srkYearly"};
constexpr std::array<std::string_view, 4> kEnd = {"sekNone", "sekDate", "sekTriggerCount", "sekDayCount"};
constexpr std::array<std::string_view, 7> kWeekDay = {"swdMonday", "swdTuesday",  "swdWednesday", "swdThursday",
                                                      "swdFriday", "swdSaturday", "swdSunday"};
constexpr std::array<std::string_view, 11> kIndex = {"sikNone",      "sikDay",      "sikWeekDay", "sikWeekendDay",
                                                     "sikMonday",    "sikTuesday",  "sikWednesday", "sikThursday",
                                                     "sikFriday",    "sikSaturday", "sikSunday"};

// A value outside the enumeration is shown by its number.
template <std::size_t N>
std::string nameOf(const std::array<std::string_view, N>& names, unsigned value) {
    return value < N ? std::string(names[value]) : std::to_string(value);
}

template <typename Enum, std::size_t N>
std::optional<Enum> parse(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (equalsIgnoreCase(names[i], name)) return static_cast<Enum>(i);
    return std::nullopt;
}

}  // namespace

std::string recurringKindName(ScheduleRecurringKind kind) { return nameOf(kRecurring, kind); }
std::string endKindName(ScheduleEndKind kind) { return nameOf(kEnd, kind); }
std::string weekDayName(ScheduleWeekDay day) { return nameOf(kWeekDay, day); }
std::string indexKindName(ScheduleIndexKind kind) { return nameOf(kIndex, kind); }

std::optional<ScheduleRecurringKind> parseRecurringKind(std::string_view name) {
    return parse<ScheduleRecurringKind>(kRecurring, name);
}
std::optional<ScheduleEndKind> parseEndKind(std::string_view name) { return parse<ScheduleEndKind>(kEnd, name); }
std::optional<ScheduleWeekDay> parseWeekDay(std::string_view name) { return parse<ScheduleWeekDay>(kWeekDay, name); }
std::optional<ScheduleIndexKind> parseIndexKind(std::string_view name) {
    return parse<ScheduleIndexKind>(kIndex, name);
}

}  // namespace orvalo
