// The owning thread's loop: posted tasks, timers and readable file descriptors,
// handled one at a time on the thread that calls run() (or runPending() in tests).
// post() and quit() are safe from any thread and never block on the loop; every
// other member belongs to the owning thread. A task that throws is reported to the
// error handler and the loop goes on.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/task_queue.h"

namespace orvalo {

class MainLoop final : public TaskQueue {
public:
    using TimerId = std::uint64_t;
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    MainLoop();
    ~MainLoop() override;
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    void post(Task task) override;

    // A repeating timer; the first run is one period from now.
    TimerId addTimer(std::chrono::milliseconds period, Task task);
    TimerId addSingleShot(std::chrono::milliseconds delay, Task task);
    void cancelTimer(TimerId id);

    // Calls onReadable whenever fd is readable, until unwatch(fd).
    void watchReadable(int fd, Task onReadable);
    void unwatch(int fd);

    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    // Runs until quit() is called.
    void run();
    void quit();
    // Runs what is ready now without waiting; returns how many tasks, timers and
    // descriptor handlers ran.
    std::size_t runPending() { return runOnce(std::chrono::milliseconds(0)); }
    // Waits up to timeout for something to be ready, then runs what is ready.
    std::size_t runOnce(std::chrono::milliseconds timeout);

    // For a loop run inside another event loop (the window's): that loop calls
    // runPending() when wakeDescriptor() or one of watchedDescriptors() is readable
    // and when nextTimerDue() has come. Adding a timer or a watch makes
    // wakeDescriptor() readable, so the host learns of it.
    int wakeDescriptor() const { return wakeFd_; }
    std::vector<int> watchedDescriptors() const;
    std::optional<std::chrono::steady_clock::time_point> nextTimerDue() const;

private:
    struct Timer {
        std::chrono::steady_clock::duration period;  // zero for a single shot
        Task task;
    };
    using Clock = std::chrono::steady_clock;

    void wake();
    void runTask(const Task& task, std::size_t& ran);
    std::size_t runDueTimers();
    TimerId schedule(Clock::time_point due, Clock::duration period, Task task);

    int wakeFd_ = -1;
    std::mutex mutex_;  // guards posted_, wakePending_ and quit_
    std::deque<Task> posted_;
    bool wakePending_ = false;
    bool quit_ = false;

    std::multimap<Clock::time_point, TimerId> dueTimes_;
    std::map<TimerId, std::pair<Clock::time_point, Timer>> timers_;
    TimerId nextTimerId_ = 1;
    std::vector<std::pair<int, Task>> watches_;
    ErrorHandler errorHandler_;
};

}  // namespace orvalo
