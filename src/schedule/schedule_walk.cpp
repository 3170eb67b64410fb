// The walk over missed triggers (nextTriggerFrom with countMissed): every trigger
// between the last one handed out and the target moment is counted, and the first
// at or after the target is returned.
//
// The plain walk takes one step per trigger, which is tens of millions of steps for
// a 500 ms day frequency started months ago. The fast walk gives exactly the same
// result and counters with one step per valid day. It rests on what one step does
// once the walk stands on a trigger r = (D, t):
//  - D is a valid date and t lies on the day-frequency grid StartTime + k * Interval,
//    because every trigger comes out of the alignment or the next-valid-date rule,
//    and the time out of nextTimeOfDay or StartTime;
//  - so the following steps on day D are (D, t + Interval), (D, t + 2 Interval) ...
//    up to the last grid time not after EndTime, each counted as one more trigger
//    on the same day (DayCount unchanged, except that a DayCount of 0 becomes 1);
//  - on the same day only a trigger count or an end date can stop the walk, and
//    both give a closed-form number of steps that are still allowed.
// The day's remaining triggers are therefore counted at once, and only the step to
// the next valid day, and the very first step (which may start anywhere), are
// taken one by one.
//
// Daily schedules go further: every valid day between the last one and the target
// is a full day of the grid, and their number follows from the calendar (every I
// days, or Monday to Friday), so whole stretches of days are counted at once. The
// stretch always stops a day short of any end condition, so the exact end is left
// to the steps above.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "schedule/schedule.h"

namespace orvalo {

ScheduleStamp Schedule::nextTriggerFromByWalk(ScheduleStamp from) {
    ScheduleStamp r = lastTriggered_;
    do {
        r = stepFrom(r);
    } while (!r.isEmpty() && r < from);
    return r;
}

namespace {

// Monday-to-Friday days among day numbers 1..x (day 1 was a Monday).
std::int64_t weekdaysUpTo(std::int64_t x) { return x / 7 * 5 + std::min<std::int64_t>(x % 7, 5); }

// The c-th Monday-to-Friday day, counting from day 1.
std::int64_t nthWeekday(std::int64_t c) { return 7 * ((c - 1) / 5) + (c - 1) % 5 + 1; }

}  // namespace

std::int64_t Schedule::skipFullDays(ScheduleStamp dayEnd, ScheduleStamp target, std::int64_t perDay) {
    if (recurringType_ != srkDaily || dayCount_ == 0) return 0;
    std::int64_t limit = target.date;  // days before the target's are wholly before it
    if (endType_ == sekDate) limit = std::min<std::int64_t>(limit, endDate_.date);
    const std::int64_t from = dayEnd.date;
    std::int64_t days = daily_.everyWeekDay ? weekdaysUpTo(limit - 1) - weekdaysUpTo(from)
                                            : (limit - 1 - from) / static_cast<std::int64_t>(daily_.interval);
    days -= 1;  // the last one goes step by step
    // Steps left before an end condition, counted as the 32-bit counters would wrap.
    const auto left = [](std::uint32_t end, std::uint32_t count) { return static_cast<std::int64_t>(end - count); };
    if (endType_ == sekTriggerCount) days = std::min(days, left(endCount_, triggerCount_) / perDay - 1);
    if (endType_ == sekDayCount) days = std::min(days, left(endCount_, dayCount_) - 1);
    // A DayCount that wraps to 0 counts its day twice; that day goes step by step.
    days = std::min(days, left(UINT32_MAX, dayCount_) - 1);
    if (days <= 0) return 0;
    const std::int64_t last = daily_.everyWeekDay ? nthWeekday(weekdaysUpTo(from) + days)
                                                  : from + days * static_cast<std::int64_t>(daily_.interval);
    if (last > kLastDate) return 0;
    triggerCount_ += static_cast<std::uint32_t>(static_cast<std::uint64_t>(days) * static_cast<std::uint64_t>(perDay));
    dayCount_ += static_cast<std::uint32_t>(days);
    lastTriggered_ = {dayEnd.time, static_cast<std::int32_t>(last)};
    return days;
}

ScheduleStamp Schedule::walkFast(ScheduleStamp target) {
    // One shots and unknown kinds hand out at most one trigger.
    if (recurringType_ < srkDaily || recurringType_ > srkYearly) return nextTriggerFromByWalk(target);

    const std::int64_t start = freq_.startTime;
    const std::int64_t interval = freq_.interval;
    const std::int64_t lastTime = start + (static_cast<std::int64_t>(freq_.endTime) - start) / interval * interval;

    ScheduleStamp r = stepFrom(lastTriggered_);
    while (!r.isEmpty() && r < target) {
        const std::int64_t t = r.time;
        const bool onGrid = t >= start && t <= lastTime && (t - start) % interval == 0;
        const std::int64_t remaining = onGrid ? (lastTime - t) / interval : 0;
        if (remaining > 0) {
            std::int64_t allowed = remaining;
            if (endType_ == sekTriggerCount) {
                allowed = std::min<std::int64_t>(allowed, static_cast<std::uint32_t>(endCount_ - triggerCount_));
            } else if (endType_ == sekDate) {
                if (endDate_.date < r.date) allowed = 0;
                else if (endDate_.date == r.date)
                    allowed = std::min<std::int64_t>(allowed, endDate_.time < t ? 0 : (endDate_.time - t) / interval);
            }
            // Steps until the first trigger at or after the target, if it is on day D.
            const std::int64_t needed =
                target.date == r.date ? (target.time - t + interval - 1) / interval : remaining + 1;
            const std::int64_t steps = std::min(needed, allowed);
            if (steps > 0) {
                triggerCount_ += static_cast<std::uint32_t>(steps);
                if (dayCount_ == 0) dayCount_ = 1;
                lastTriggered_ = {static_cast<std::int32_t>(t + steps * interval), r.date};
            }
            if (needed <= allowed) return lastTriggered_;
            if (allowed < remaining) return ScheduleStamp::empty();  // the end condition stops the walk
            r = lastTriggered_;
        }
        if (onGrid && skipFullDays(r, target, (lastTime - start) / interval + 1) > 0) r = lastTriggered_;
        r = stepFrom(r);
    }
    return r;
}

}  // namespace orvalo
