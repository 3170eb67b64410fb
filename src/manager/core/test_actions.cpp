#include "manager/core/test_actions.h"

#include "platform/wake_event.h"

namespace orvalo {

TestActions::TestActions() : stopFd_(openWakeEvent()) {}

TestActions::~TestActions() {
    beginStop();
    join();
    closeWakeEvent(stopFd_);
}

void TestActions::start(TestAction action, std::chrono::milliseconds testTime, OnError onError) {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    // Finished runs are let go here, so the list holds only what still runs.
    for (auto it = runs_.begin(); it != runs_.end();) {
        if (*it->done) {
            it->thread.join();
            it = runs_.erase(it);
        } else {
            ++it;
        }
    }
    auto done = std::make_shared<bool>(false);
    runs_.push_back({std::thread([this, action = std::move(action), testTime, onError = std::move(onError), done] {
                         try {
                             runTestAction(action, testTime, stopFd_, history_, outputBytes_);
                         } catch (const std::exception& e) {
                             if (onError) onError(e.what());
                         }
                         std::lock_guard guard(mutex_);
                         *done = true;
                     }),
                     done});
}

bool TestActions::active() const {
    std::lock_guard lock(mutex_);
    for (const Run& run : runs_)
        if (!*run.done) return true;
    return false;
}

void TestActions::beginStop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    signalWakeEvent(stopFd_);
}

void TestActions::join() {
    std::list<Run> runs;
    {
        std::lock_guard lock(mutex_);
        runs.swap(runs_);
    }
    for (Run& run : runs) run.thread.join();
}

}  // namespace orvalo
