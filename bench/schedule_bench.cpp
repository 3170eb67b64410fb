// The walk over missed triggers when a schedule is activated: a daily schedule firing
// every 500 ms all day, started 365 days ago, with its counters cleared, asked for
// its next trigger from now with every missed trigger counted. The step-by-step
// walk and the fast walk side by side.
#include <benchmark/benchmark.h>

#include "schedule/schedule.h"

namespace {

using namespace orvalo;

Schedule yearOldHalfSecondSchedule(const Clock& clock, ScheduleStamp now) {
    Schedule s(clock);
    s.setStartDate({0, now.date - 365});
    s.setRecurringType(srkDaily);
    s.daily().setEveryWeekDay(false);  // every day
    s.dailyFreq().setStartTime(0);
    s.dailyFreq().setEndTime(86'399'999);
    s.dailyFreq().setInterval(500);
    return s;
}

const ManualClock& benchClock() {
    static const ManualClock clock(std::chrono::system_clock::now());
    return clock;
}

void BM_MissedTriggersStepByStep(benchmark::State& state) {
    const ScheduleStamp now = nowStamp(benchClock());
    Schedule s = yearOldHalfSecondSchedule(benchClock(), now);
    for (auto _ : state) {
        s.clearCounters();
        benchmark::DoNotOptimize(s.nextTriggerFromByWalk(now));
    }
    state.counters["triggers"] = s.triggerCount();
}
BENCHMARK(BM_MissedTriggersStepByStep)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MissedTriggersFast(benchmark::State& state) {
    const ScheduleStamp now = nowStamp(benchClock());
    Schedule s = yearOldHalfSecondSchedule(benchClock(), now);
    for (auto _ : state) {
        s.clearCounters();
        benchmark::DoNotOptimize(s.nextTriggerFrom(now, true));
    }
    state.counters["triggers"] = s.triggerCount();
}
BENCHMARK(BM_MissedTriggersFast)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
