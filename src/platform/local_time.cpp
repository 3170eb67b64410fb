#include "platform/local_time.h"

#include <chrono>
#include <ctime>

#include "base/error.h"

namespace orvalo {

LocalDateTime toLocalDateTime(WallTime t) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    int milli = static_cast<int>(ms % 1000);
    if (milli < 0) {
        milli += 1000;
        --seconds;
    }
    std::tm tm{};
    localtime_r(&seconds, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, milli};
}

std::tm toTm(const LocalDateTime& t) {
    using namespace std::chrono;
    const sys_days days{year{t.year} / month{static_cast<unsigned>(t.month)} / day{static_cast<unsigned>(t.day)}};
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_wday = static_cast<int>(weekday{days}.c_encoding());
    tm.tm_yday = static_cast<int>((days - sys_days{year{t.year} / January / 1}).count());
    tm.tm_isdst = -1;
    return tm;
}

namespace {
locale_t newTimeLocale(const char* name) {
    return ::newlocale(LC_TIME_MASK, name, static_cast<locale_t>(nullptr));
}
}  // namespace

LocalTimeFormat::LocalTimeFormat() : locale_(newTimeLocale("")) {
    if (locale_ == nullptr) locale_ = newTimeLocale("C");
}

LocalTimeFormat::LocalTimeFormat(const std::string& localeName) : locale_(newTimeLocale(localeName.c_str())) {
    if (locale_ == nullptr) throw Error("The locale \"" + localeName + "\" is not available");
}

LocalTimeFormat::~LocalTimeFormat() { ::freelocale(locale_); }

const LocalTimeFormat& LocalTimeFormat::user() {
    static const LocalTimeFormat format;
    return format;
}

std::string LocalTimeFormat::format(const char* pattern, const LocalDateTime& t) const {
    const std::tm tm = toTm(t);
    char buffer[128];
    const std::size_t n = ::strftime_l(buffer, sizeof buffer, pattern, &tm, locale_);
    return std::string(buffer, n);
}

std::string LocalTimeFormat::shortDate(const LocalDateTime& t) const { return format("%x", t); }
std::string LocalTimeFormat::longTime(const LocalDateTime& t) const { return format("%X", t); }

std::string LocalTimeFormat::dateTime(const LocalDateTime& t) const {
    if (t.isMidnight()) return shortDate(t);
    return shortDate(t) + " " + longTime(t);
}

}  // namespace orvalo
