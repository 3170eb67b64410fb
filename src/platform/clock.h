// The wall clock behind an interface so tests can set and move "now".
// SystemClock is stateless; ManualClock is safe to read and move from many threads.
#pragma once

#include <atomic>
#include <chrono>

namespace orvalo {

using WallTime = std::chrono::system_clock::time_point;

class Clock {
public:
    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    WallTime now() const override { return std::chrono::system_clock::now(); }
    // One instance for callers that do not inject a clock.
    static const SystemClock& instance();
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(WallTime start = {}) : now_(start.time_since_epoch().count()) {}
    WallTime now() const override { return WallTime(WallTime::duration(now_.load())); }
    void set(WallTime t) { now_.store(t.time_since_epoch().count()); }
    void advance(WallTime::duration d) { now_.fetch_add(d.count()); }

private:
    std::atomic<WallTime::duration::rep> now_;
};

}  // namespace orvalo
