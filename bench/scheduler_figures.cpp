// Figures of the scheduler thread on the real clock, printed as a table:
//  - fire latency: 1,000 items registered, 200 of them one shots due at known
//    instants 25 ms apart; latency = the moment the handler starts on the owning
//    thread minus the due moment;
//  - idle cost: 1,000 waiting items, none due within the measuring time; process
//    CPU time over that wall time, beside a 1 ms polling loop over the same items.
// Usage: scheduler_figures [idle seconds, default 60]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "platform/main_loop.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"

namespace {

using namespace orvalo;
using namespace std::chrono;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A stamp the given time after another, carried into the next days.
ScheduleStamp later(ScheduleStamp s, milliseconds d) {
    const std::int64_t total = s.time + d.count();
    return {static_cast<std::int32_t>(total % kMillisecondsPerDay),
            static_cast<std::int32_t>(s.date + total / kMillisecondsPerDay)};
}

ScheduleStamp stampIn(milliseconds delay) { return later(nowStamp(SystemClock::instance()), delay); }

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

void fillFarItems(ScheduledEvents& engine, int count) {
    for (int i = 0; i < count; ++i) {
        EventCollectionItem& item = engine.events().add();
        item.schedule().setStartDate(stampIn(hours(24) + milliseconds(i)));
        item.activate();
    }
}

void measureLatency() {
    MainLoop loop;
    SchedulerThread scheduler;
    ScheduledEvents engine(scheduler, loop);
    constexpr int kDue = 200;
    fillFarItems(engine, 1000 - kDue);
    std::vector<double> latencies;
    const ScheduleStamp first = stampIn(milliseconds(500));
    for (int i = 0; i < kDue; ++i) {
        EventCollectionItem& item = engine.events().add();
        const ScheduleStamp due = later(first, milliseconds(25 * i));
        item.schedule().setStartDate(due);
        item.setOnExecute([&latencies, due](EventCollectionItem&) {
            const auto late = system_clock::now() - toWallTime(due);
            latencies.push_back(duration<double, std::milli>(late).count());
        });
        item.activate();
    }
    while (latencies.size() < kDue) loop.runOnce(milliseconds(100));
    std::printf("| fire latency, 1,000 items (%d fires) | p50 %.3f ms | p99 %.3f ms | max %.3f ms |\n", kDue,
                percentile(latencies, 50), percentile(latencies, 99), *std::max_element(latencies.begin(), latencies.end()));
}

void measureIdle(int seconds) {
    MainLoop loop;
    SchedulerThread scheduler;
    ScheduledEvents engine(scheduler, loop);
    fillFarItems(engine, 1000);
    loop.runPending();
    std::this_thread::sleep_for(milliseconds(200));

    const double before = cpuSeconds();
    const auto end = steady_clock::now() + std::chrono::seconds(seconds);
    const unsigned long scansBefore = scheduler.scans();
    while (steady_clock::now() < end) loop.runOnce(duration_cast<milliseconds>(end - steady_clock::now()));
    const double ours = cpuSeconds() - before;
    std::printf("| idle, 1,000 waiting items, scheduler thread | %d s wall | %.1f ms CPU | %lu scans |\n", seconds,
                ours * 1000, scheduler.scans() - scansBefore);

    // The same items watched by a loop that looks at every item every millisecond.
    std::atomic<bool> stop{false};
    unsigned long passes = 0;
    const double pollBefore = cpuSeconds();
    std::thread poller([&] {
        while (!stop) {
            {
                std::lock_guard lock(scheduler.lock());
                const ScheduleStamp now = nowStamp(SystemClock::instance());
                for (int i = 0; i < engine.events().count(); ++i) {
                    const EventCollectionItem& item = engine.events().items(i);
                    if (item.state() == eisWaiting && !(now < item.nextFireTime())) std::abort();
                }
            }
            ++passes;
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    stop = true;
    poller.join();
    std::printf("| idle, 1,000 waiting items, 1 ms polling loop | %d s wall | %.1f ms CPU | %lu scans |\n", seconds,
                (cpuSeconds() - pollBefore) * 1000, passes);
}

}  // namespace

int main(int argc, char** argv) {
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::printf("| what | figures |||\n|---|---|---|---|\n");
    measureLatency();
    measureIdle(idleSeconds);
    return 0;
}
