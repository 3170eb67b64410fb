// The time events of a program as a collection of scheduled events, each with its
// own schedule, fired on the owning thread when due.
//
// Threads: everything here runs on the owning thread (the one whose TaskQueue the
// component posts to), except that the SchedulerThread reads each item's state and
// next fire time and moves due items from eisWaiting to eisTriggered; those two
// fields are atomic. Collection changes take the scheduler's lock, so the scheduler
// never sees a half-built or freed item. The SchedulerThread must outlive every
// component registered with it.
//
// Errors: ComponentError with the exact messages; a handler's error goes to the
// component's error handler and the item carries on.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"
#include "platform/clock.h"
#include "platform/task_queue.h"
#include "schedule/schedule.h"

namespace orvalo {

class ComponentError : public Error {
public:
    using Error::Error;
};

enum EventItemState : std::uint8_t { eisStopped = 0, eisWaiting, eisTriggered, eisExecuting, eisPaused, eisEnded };

class ScheduledEvents;
class SchedulerThread;

class EventCollectionItem {
public:
    // The handler gets the item that fired.
    using ExecuteHandler = std::function<void(EventCollectionItem& sender)>;

    EventCollectionItem(ScheduledEvents& owner, const Clock& clock);
    EventCollectionItem(const EventCollectionItem&) = delete;
    EventCollectionItem& operator=(const EventCollectionItem&) = delete;

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    EventItemState state() const { return static_cast<EventItemState>(state_.load(std::memory_order_acquire)); }
    bool countMissedEvents() const { return countMissedEvents_; }
    void setCountMissedEvents(bool value) { countMissedEvents_ = value; }
    Schedule& schedule() { return schedule_; }
    const Schedule& schedule() const { return schedule_; }
    void setSchedule(const Schedule& schedule) { schedule_ = schedule; }
    ScheduleStamp nextFireTime() const;
    // The fire time that made the item due, while its handler runs.
    ScheduleStamp dueTime() const { return dueTime_; }
    void setOnExecute(ExecuteHandler handler) { onExecute_ = std::move(handler); }
    // The event the item runs: its ID in the event list, fixed when the item is made.
    long long eventId() const { return eventId_; }
    void setEventId(long long id) { eventId_ = id; }
    // Position in the collection.
    int index() const;
    ScheduledEvents& owner() const { return *owner_; }

    // Schedules the item from now: counters restarted (continued when paused), the
    // next fire time the first trigger at or after now. ComponentError "Cannot
    // restart: Event is being triggered or is executing" while triggered or running.
    void activate();
    // Stops the item; the next fire time and the counters stay.
    void deactivate();
    // Runs a triggered item: computes its next fire time, calls the handler, and
    // goes back to eisWaiting or eisEnded, also when the handler fails.
    void fire();

private:
    friend class SchedulerThread;
    void setState(EventItemState state) { state_.store(state, std::memory_order_release); }
    void setNextFireTime(ScheduleStamp stamp);
    // Scheduler thread: eisWaiting -> eisTriggered, if the item is still waiting.
    bool markTriggered();

    ScheduledEvents* owner_;
    std::string name_;
    std::atomic<std::uint8_t> state_{eisStopped};
    std::atomic<std::uint64_t> nextFire_;
    bool countMissedEvents_ = false;
    long long eventId_ = -1;
    ScheduleStamp dueTime_;
    Schedule schedule_;
    ExecuteHandler onExecute_;
};

class EventCollection {
public:
    explicit EventCollection(ScheduledEvents& owner) : owner_(owner) {}
    ~EventCollection();
    EventCollection(const EventCollection&) = delete;
    EventCollection& operator=(const EventCollection&) = delete;

    int count() const { return static_cast<int>(items_.size()); }
    // "List index out of bounds (%d)" outside 0..count()-1.
    EventCollectionItem& items(int index) const;
    EventCollectionItem& add();
    // Adds an item and moves it to index; an index beyond the end is refused and
    // leaves the collection as it was.
    EventCollectionItem& insert(int index);
    void deleteItem(int index);
    void clear();
    int indexOf(const EventCollectionItem& item) const;

private:
    friend class SchedulerThread;
    friend class ScheduledEvents;
    ScheduledEvents& owner_;
    std::vector<std::shared_ptr<EventCollectionItem>> items_;
};

class ScheduledEvents {
public:
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    // Registers with the scheduler thread; due items are run through owner.
    ScheduledEvents(SchedulerThread& scheduler, TaskQueue& owner, const Clock& clock = SystemClock::instance());
    ~ScheduledEvents();
    ScheduledEvents(const ScheduledEvents&) = delete;
    ScheduledEvents& operator=(const ScheduledEvents&) = delete;

    EventCollection& events() { return events_; }
    const EventCollection& events() const { return events_; }
    void deactivateAll();
    // The wall clock was set: restarts the items that are triggered, executing or
    // paused, and lets the scheduler look at every fire time again.
    void clockChanged();
    // Where handler errors go; the default writes them to standard error.
    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    SchedulerThread& scheduler() const { return scheduler_; }
    const Clock& clock() const { return clock_; }

private:
    friend class SchedulerThread;
    friend class EventCollectionItem;
    // Owning thread: runs an item the scheduler found due, unless it was freed.
    static void runDue(const std::weak_ptr<EventCollectionItem>& item);

    SchedulerThread& scheduler_;
    TaskQueue& owner_;
    const Clock& clock_;
    EventCollection events_;
    ErrorHandler errorHandler_;
};

}  // namespace orvalo
