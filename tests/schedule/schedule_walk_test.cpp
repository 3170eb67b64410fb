// The fast walk over missed triggers against the plain one-step-per-trigger walk,
// over thousands of generated schedules: both must return the same stamp and leave
// the same TriggerCount, DayCount and LastTriggered.
#include <gtest/gtest.h>
#include <random>
#include <sstream>

#include "schedule/schedule.h"
#include "schedule_generator.h"
#include "schedule_test_support.h"

namespace orvalo {
namespace {

using test::at;
using test::Generator;

TEST(ScheduleWalk, FastWalkMatchesTheStepByStepWalk) {
    constexpr std::uint32_t kSchedules = 20000;
    const ManualClock clock;
    int compared = 0;
    for (std::uint32_t seed = 1; seed <= kSchedules; ++seed) {
        Generator g(seed);
        std::ostringstream log;
        Schedule fast = g.schedule(clock, log);
        g.counters(fast, log);
        Schedule reference = fast;
        const ScheduleStamp target = g.target();
        log << " target " << target.date << "/" << target.time;

        const ScheduleStamp expected = reference.nextTriggerFromByWalk(target);
        const ScheduleStamp got = fast.nextTriggerFrom(target, true);
        ASSERT_EQ(got, expected) << "seed " << seed << ": " << log.str();
        ASSERT_EQ(fast.triggerCount(), reference.triggerCount()) << "seed " << seed << ": " << log.str();
        ASSERT_EQ(fast.dayCount(), reference.dayCount()) << "seed " << seed << ": " << log.str();
        ASSERT_EQ(fast.lastTriggered(), reference.lastTriggered()) << "seed " << seed << ": " << log.str();
        ++compared;
    }
    EXPECT_EQ(compared, static_cast<int>(kSchedules));
}

// A long stretch the plain walk would take tens of millions of steps for: the fast
// walk's counts follow from the calendar.
TEST(ScheduleWalk, AYearOfHalfSecondTriggersIsCountedExactly) {
    const ManualClock clock;
    Schedule s(clock);
    s.setStartDate(at(2025, 1, 1));
    s.setRecurringType(srkDaily);
    s.daily().setEveryWeekDay(false);  // every day, every 500 ms
    s.clearCounters();
    const ScheduleStamp next = s.nextTriggerFrom(at(2026, 1, 1, 0, 0, 0, 250), true);
    EXPECT_EQ(next, at(2026, 1, 1, 0, 0, 0, 500));
    EXPECT_EQ(s.triggerCount(), 365u * 172'800u + 2u);
    EXPECT_EQ(s.dayCount(), 366u);
}

}  // namespace
}  // namespace orvalo
