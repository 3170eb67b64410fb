// The one background thread that watches every registered collection of scheduled
// events. It sleeps on a condition variable until the earliest next fire time of
// any waiting item, or until it is woken because an item, a collection or the clock
// changed; then it marks the due items eisTriggered and posts them to their owners,
// components from the last registered to the first and items in index order. No
// schedule arithmetic runs here. Thread-safe; the destructor stops and joins it.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace orvalo {

class ScheduledEvents;

class SchedulerThread {
public:
    explicit SchedulerThread(const Clock& clock = SystemClock::instance());
    ~SchedulerThread();
    SchedulerThread(const SchedulerThread&) = delete;
    SchedulerThread& operator=(const SchedulerThread&) = delete;

    void registerEvents(ScheduledEvents& component);
    void unregisterEvents(ScheduledEvents& component);
    // Look at every fire time again now (something changed).
    void wake();
    // Held for each scan; collections take it while they change.
    std::mutex& lock() { return mutex_; }
    // Number of scans so far, for tests and measurements.
    unsigned long scans() const;

    // Longest sleep between scans, so that even a missed wake-up costs little.
    static constexpr std::chrono::seconds kLongestSleep{10};

private:
    void loop();
    // One scan under the lock; returns how long to sleep.
    std::chrono::steady_clock::duration scan();

    const Clock& clock_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool wakeRequested_ = false;
    bool stop_ = false;
    unsigned long scans_ = 0;
    std::vector<ScheduledEvents*> components_;
    std::thread thread_;
};

}  // namespace orvalo
