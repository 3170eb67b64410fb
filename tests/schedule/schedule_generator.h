// Random schedules, counters and moments for the property tests of the schedule.
#pragma once

#include <random>
#include <sstream>

#include "schedule/schedule.h"

namespace orvalo::test {

class Generator {
public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T>
    T pick(std::initializer_list<T> values) {
        return *(values.begin() + between(0, static_cast<int>(values.size()) - 1));
    }

    // A schedule with at most a few hundred triggers a day, so the plain walk stays quick.
    Schedule schedule(const Clock& clock, std::ostringstream& log) {
        Schedule s(clock);
        const ScheduleStamp start = {between(0, 86'399'999), base_ + between(-90, 10)};
        s.setStartDate(start);
        const auto kind = pick<ScheduleRecurringKind>(
            {srkDaily, srkDaily, srkWeekly, srkWeekly, srkMonthly, srkMonthly, srkYearly, srkOneShot,
             static_cast<ScheduleRecurringKind>(6)});
        s.setRecurringType(kind);
        log << "kind " << int(kind) << " start " << start.date << "/" << start.time;

        const std::uint32_t interval = pick<std::uint32_t>({1, 1, 7, 50, 500, 500, 60'000, 3'600'000, 0,
                                                            static_cast<std::uint32_t>(between(2, 40'000'000))});
        const std::uint32_t startTime = static_cast<std::uint32_t>(between(0, 86'399'999));
        const std::uint32_t window = static_cast<std::uint32_t>(
            std::min<std::int64_t>(between(0, 86'399'999), std::int64_t{interval == 0 ? 1 : interval} * between(0, 300)));
        s.dailyFreq().setStartTime(startTime);
        s.dailyFreq().setEndTime(std::min<std::uint32_t>(startTime + window, 86'399'999));
        s.dailyFreq().setInterval(interval);
        log << " freq " << s.dailyFreq().startTime() << ".." << s.dailyFreq().endTime() << " every "
            << s.dailyFreq().interval();

        if (kind == srkDaily) {
            if (chance(40)) s.daily().setEveryWeekDay(true);
            else s.daily().setInterval(static_cast<std::uint32_t>(between(1, 5)));
            log << " daily " << s.daily().interval();
        } else if (kind == srkWeekly) {
            s.weekly().setDaysOfWeek(static_cast<ScheduleWeekDays>(between(1, 127)));
            s.weekly().setInterval(static_cast<std::uint32_t>(between(1, 3)));
            log << " weekly " << int(s.weekly().daysOfWeek()) << " every " << s.weekly().interval();
        } else if (kind == srkMonthly || kind == srkYearly) {
            MonthlySchedule part = kind == srkMonthly ? s.monthly() : static_cast<MonthlySchedule>(s.yearly());
            const auto indexKind = static_cast<ScheduleIndexKind>(between(0, 10));
            part.setIndexKind(indexKind);
            if (indexKind == sikNone) part.setDay(between(1, 31));
            else part.setIndexValue(pick<std::int32_t>({1, 2, 3, 4, -1, 5, -2, -6, 40}));
            part.setInterval(static_cast<std::uint32_t>(kind == srkMonthly ? between(1, 4) : between(1, 2)));
            if (kind == srkYearly) s.yearly().setMonth(between(1, 12));
            log << " index " << int(indexKind) << " day " << part.day() << " interval " << part.interval();
        }

        const auto endType = pick<ScheduleEndKind>({sekNone, sekDate, sekTriggerCount, sekDayCount,
                                                    static_cast<ScheduleEndKind>(5)});
        s.setEndType(endType);
        s.setEndCount(static_cast<std::uint32_t>(pick<int>({0, 1, 2, between(0, 40), between(0, 3000)})));
        s.setEndDate({between(0, 86'399'999), base_ + between(-30, 60)});
        log << " end " << int(endType) << " count " << s.endCount() << " date " << s.endDate().date << "/"
            << s.endDate().time;
        return s;
    }

    // Counters as the engine may hold them: fresh, part-way through a real walk,
    // or restored from a saved state that need not match this schedule.
    void counters(Schedule& s, std::ostringstream& log) {
        switch (between(0, 3)) {
            case 0:
                s.clearCounters();
                break;
            case 1: {
                s.clearCounters();
                ScheduleStamp r = ScheduleStamp::empty();
                for (int i = between(1, 400); i > 0 && !(r = s.stepFrom(r)).isEmpty();) --i;
                break;
            }
            case 2:
                s.restoreState({between(-1, 86'399'999), base_ + between(-100, 40)},
                               pick<std::uint32_t>({0, 3, 4'294'967'290u, static_cast<std::uint32_t>(between(0, 100))}),
                               pick<std::uint32_t>({0, 1, 4'294'967'295u, static_cast<std::uint32_t>(between(0, 10))}));
                break;
            default:
                s.restoreState({0, 0}, 0, 0);  // a new schedule's values
                break;
        }
        log << " counters " << s.lastTriggered().date << "/" << s.lastTriggered().time << " " << s.triggerCount()
            << " " << s.dayCount();
    }

    ScheduleStamp target() { return {between(0, 86'399'999), base_ + between(-100, 45)}; }

private:
    std::mt19937 rng_;
    const std::int32_t base_ = dateOf(2020, 6, 15);
};

}  // namespace orvalo::test
