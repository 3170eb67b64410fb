#include "execution/failure_streak.h"

#include "platform/event_log.h"

namespace orvalo {

void FailureStreak::failed(const std::string& reason) {
    std::lock_guard lock(mutex_);
    if (failures_++ == 0) writeEventLogError(failing_ + ": " + reason);
}

void FailureStreak::succeeded() {
    std::lock_guard lock(mutex_);
    if (failures_ == 0) return;
    writeEventLogInfo(recovered_ + " (" + std::to_string(failures_) + (failures_ == 1 ? " failure)" : " failures)"));
    failures_ = 0;
}

bool FailureStreak::failing() const {
    std::lock_guard lock(mutex_);
    return failures_ > 0;
}

}  // namespace orvalo
