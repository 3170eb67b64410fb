#include "schedule/scheduled_events.h"

#include <mutex>

#include "schedule/scheduler_thread.h"

namespace orvalo {

namespace {

std::uint64_t pack(ScheduleStamp s) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(s.date)) << 32) | static_cast<std::uint32_t>(s.time);
}

ScheduleStamp unpack(std::uint64_t v) {
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(v)), static_cast<std::int32_t>(v >> 32)};
}

[[noreturn]] void outOfBounds(int index) {
    throw ComponentError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// ---- item ----

EventCollectionItem::EventCollectionItem(ScheduledEvents& owner, const Clock& clock)
    : owner_(&owner), nextFire_(pack(ScheduleStamp::empty())), schedule_(clock) {}

ScheduleStamp EventCollectionItem::nextFireTime() const { return unpack(nextFire_.load(std::memory_order_acquire)); }

void EventCollectionItem::setNextFireTime(ScheduleStamp stamp) { nextFire_.store(pack(stamp), std::memory_order_release); }

int EventCollectionItem::index() const { return owner_->events().indexOf(*this); }

bool EventCollectionItem::markTriggered() {
    std::uint8_t expected = eisWaiting;
    return state_.compare_exchange_strong(expected, eisTriggered, std::memory_order_acq_rel);
}

void EventCollectionItem::activate() {
    const EventItemState current = state();
    if (current == eisTriggered || current == eisExecuting)
        throw ComponentError("Cannot restart: Event is being triggered or is executing");
    if (current != eisPaused) {
        setState(eisStopped);
        schedule_.clearCounters();
    }
    const ScheduleStamp next = schedule_.nextTriggerFromNow(countMissedEvents_);
    setNextFireTime(next);
    setState(next.isEmpty() ? eisEnded : eisWaiting);
    owner_->scheduler().wake();
}

void EventCollectionItem::deactivate() {
    if (state() != eisStopped) setState(eisStopped);
}

void EventCollectionItem::fire() {
    if (state() != eisTriggered) return;
    setState(eisExecuting);
    dueTime_ = nextFireTime();
    const ScheduleStamp next = schedule_.nextTriggerFromNow(countMissedEvents_);
    setNextFireTime(next);
    // Back to waiting (or ended) whatever the handler does, unless it stopped or
    // restarted the item itself.
    auto finish = [this, next] {
        std::uint8_t expected = eisExecuting;
        if (state_.compare_exchange_strong(expected, next.isEmpty() ? eisEnded : eisWaiting, std::memory_order_acq_rel))
            owner_->scheduler().wake();
    };
    try {
        if (onExecute_) onExecute_(*this);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

// ---- collection ----

EventCollection::~EventCollection() { clear(); }

EventCollectionItem& EventCollection::items(int index) const {
    if (index < 0 || index >= count()) outOfBounds(index);
    return *items_[static_cast<std::size_t>(index)];
}

EventCollectionItem& EventCollection::add() {
    auto item = std::make_shared<EventCollectionItem>(owner_, owner_.clock());
    std::lock_guard lock(owner_.scheduler().lock());
    items_.push_back(item);
    return *item;
}

EventCollectionItem& EventCollection::insert(int index) {
    if (index < 0 || index > count()) outOfBounds(index);
    auto item = std::make_shared<EventCollectionItem>(owner_, owner_.clock());
    std::lock_guard lock(owner_.scheduler().lock());
    items_.insert(items_.begin() + index, item);
    return *item;
}

void EventCollection::deleteItem(int index) {
    if (index < 0 || index >= count()) outOfBounds(index);
    std::shared_ptr<EventCollectionItem> doomed;
    {
        std::lock_guard lock(owner_.scheduler().lock());
        doomed = std::move(items_[static_cast<std::size_t>(index)]);
        items_.erase(items_.begin() + index);
    }
    // Freed outside the lock; a handler still running keeps its own reference.
}

void EventCollection::clear() {
    std::vector<std::shared_ptr<EventCollectionItem>> doomed;
    std::lock_guard lock(owner_.scheduler().lock());
    doomed.swap(items_);
}

int EventCollection::indexOf(const EventCollectionItem& item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == &item) return static_cast<int>(i);
    return -1;
}

// ---- component ----

ScheduledEvents::ScheduledEvents(SchedulerThread& scheduler, TaskQueue& owner, const Clock& clock)
    : scheduler_(scheduler), owner_(owner), clock_(clock), events_(*this), errorHandler_(reportToStandardError) {
    scheduler_.registerEvents(*this);
}

ScheduledEvents::~ScheduledEvents() {
    scheduler_.unregisterEvents(*this);
    events_.clear();
}

void ScheduledEvents::deactivateAll() {
    for (int i = 0; i < events_.count(); ++i) events_.items(i).deactivate();
}

void ScheduledEvents::clockChanged() {
    std::vector<EventCollectionItem*> restart;
    for (int i = 0; i < events_.count(); ++i) {
        const EventItemState state = events_.items(i).state();
        if (state == eisTriggered || state == eisExecuting || state == eisPaused) restart.push_back(&events_.items(i));
    }
    for (EventCollectionItem* item : restart) item->deactivate();
    for (EventCollectionItem* item : restart) {
        try {
            item->activate();
        } catch (...) {
            errorHandler_(std::current_exception());
        }
    }
    scheduler_.wake();
}

void ScheduledEvents::runDue(const std::weak_ptr<EventCollectionItem>& weak) {
    // The item may have been freed since it was found due: then nothing runs. The
    // reference held here keeps it alive while its handler runs, even if the
    // handler removes it from the collection.
    const std::shared_ptr<EventCollectionItem> item = weak.lock();
    if (!item) return;
    try {
        item->fire();
    } catch (...) {
        item->owner().errorHandler_(std::current_exception());
    }
}

}  // namespace orvalo
