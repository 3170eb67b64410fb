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
