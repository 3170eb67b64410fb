#include "schedule/scheduler_thread.h"

#include <algorithm>

#include "schedule/schedule_stamp.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

SchedulerThread::SchedulerThread(const Clock& clock) : clock_(clock), thread_([this] { loop(); }) {}

SchedulerThread::~SchedulerThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SchedulerThread::registerEvents(ScheduledEvents& component) {
    {
        std::lock_guard lock(mutex_);
        if (std::find(components_.begin(), components_.end(), &component) == components_.end())
            components_.push_back(&component);
        wakeRequested_ = true;
    }
    changed_.notify_all();
}

void SchedulerThread::unregisterEvents(ScheduledEvents& component) {
    std::lock_guard lock(mutex_);
    std::erase(components_, &component);
}

void SchedulerThread::wake() {
    {
        std::lock_guard lock(mutex_);
        wakeRequested_ = true;
    }
    changed_.notify_all();
}

unsigned long SchedulerThread::scans() const {
    std::lock_guard lock(mutex_);
    return scans_;
}

// The clock policy. Fire times are local moments (a date and a time of day), and
// a scan fires every waiting item whose fire time the local now has reached; a
// fired item's next fire time is the first trigger after the local now, the ones
// passed over counted (for end counts) but not run. clockChanged() (a setting of
// the clock, seen by a timerfd, or a change of time zone) restarts the items that
// are triggered, executing or paused from the new now and wakes the scan.
//
//   what happens              waiting item                  triggered, executing or paused item
//   clock set forward         runs once at once; next       restarted: next trigger from the new
//                             trigger from the new now      now, counters from the start
//   clock set back            keeps its fire time: runs     restarted as above
//                             when that local time comes;
//                             nothing runs twice
//   time zone changed         keeps its local fire time:    restarted as above
//                             runs at that local time of
//                             the new zone
//   repeated hour (daylight   runs at the first pass of     not restarted (no clock setting)
//   saving ends)              its local time only; the
//                             second pass runs nothing
//   skipped hour (daylight    a time in the gap runs at     not restarted
//   saving begins)            the first moment after it
//   suspend and resume        runs once within the longest  not restarted: they carry on
//                             sleep after the resume, as
//                             for a clock set forward
//
// Tests: tests/schedule/clock_policy_test.cpp, one per line.
std::chrono::steady_clock::duration SchedulerThread::scan() {
    ++scans_;
    bool anyWaiting = false;
    ScheduleStamp earliest{};
    for (auto component = components_.rbegin(); component != components_.rend(); ++component) {
        ScheduledEvents& events = **component;
        const ScheduleStamp now = nowStamp(clock_);
        for (const auto& item : events.events_.items_) {
            if (item->state() != eisWaiting) continue;
            const ScheduleStamp due = item->nextFireTime();
            if (now < due) {
                if (!anyWaiting || due < earliest) earliest = due;
                anyWaiting = true;
            } else if (item->markTriggered()) {
                // Only a weak reference travels: an item freed meanwhile is dropped.
                events.owner_.post([weak = std::weak_ptr<EventCollectionItem>(item)] { ScheduledEvents::runDue(weak); });
            }
        }
    }
    std::chrono::steady_clock::duration sleep = kLongestSleep;
    if (anyWaiting) {
        // Local fire times become real moments through the time zone, so a change
        // of daylight saving time does not shift them.
        try {
            const auto untilDue = toWallTime(earliest) - clock_.now();
            sleep = std::clamp<std::chrono::steady_clock::duration>(
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(untilDue),
                std::chrono::steady_clock::duration::zero(), kLongestSleep);
        } catch (const std::exception&) {
            // A fire time the calendar cannot place: look again after the longest sleep.
        }
    }
    return sleep;
}

void SchedulerThread::loop() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const auto sleep = scan();
        if (!wakeRequested_) changed_.wait_for(lock, sleep, [this] { return wakeRequested_ || stop_; });
        wakeRequested_ = false;
    }
}

}  // namespace orvalo
