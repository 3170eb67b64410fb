// Errors of the schedule model. OutOfCalendar is a date outside the years 1 to 9999;
// the next-trigger operations turn it into "no further trigger".
#pragma once

#include "base/error.h"

namespace orvalo {

// A time of day or a day-frequency interval outside 0 .. 86 399 999 ms.
inline constexpr const char* kInvalidTime = "Invalid time specification";

class ScheduleError : public Error {
public:
    using Error::Error;
};

class OutOfCalendar : public ScheduleError {
public:
    OutOfCalendar() : ScheduleError("Date outside the years 1 to 9999") {}
};

}  // namespace orvalo
