// A kind of failure that may repeat many times a minute (a full disk under every
// run's log line and list save) is reported to the system log once when it begins
// and once when it ends, never on every occurrence. Thread-safe.
#pragma once

#include <mutex>
#include <string>

namespace orvalo {

class FailureStreak {
public:
    // The first failure of a streak reports failing + ": " + its reason, the first
    // success after it recovered + " (N failures)".
    FailureStreak(std::string failing, std::string recovered)
        : failing_(std::move(failing)), recovered_(std::move(recovered)) {}

    void failed(const std::string& reason);
    void succeeded();
    bool failing() const;

private:
    std::string failing_;
    std::string recovered_;
    mutable std::mutex mutex_;
    long long failures_ = 0;
};

}  // namespace orvalo
