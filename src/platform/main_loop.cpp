#include "platform/main_loop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

MainLoop::MainLoop() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), errorHandler_(reportToStandardError) {
    if (wakeFd_ < 0) throw Error("Cannot create the main loop's wake-up descriptor");
}

MainLoop::~MainLoop() { ::close(wakeFd_); }

void MainLoop::post(Task task) {
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
        wake = !wakePending_;
        wakePending_ = true;
    }
    if (wake) this->wake();
}

void MainLoop::wake() {
    const std::uint64_t one = 1;
    // A full counter already means "wake up"; nothing else can fail here.
    [[maybe_unused]] const ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void MainLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake();
}

std::vector<int> MainLoop::watchedDescriptors() const {
    std::vector<int> fds;
    for (const auto& watch : watches_) fds.push_back(watch.first);
    return fds;
}

std::optional<std::chrono::steady_clock::time_point> MainLoop::nextTimerDue() const {
    if (dueTimes_.empty()) return std::nullopt;
    return dueTimes_.begin()->first;
}

MainLoop::TimerId MainLoop::schedule(Clock::time_point due, Clock::duration period, Task task) {
    const TimerId id = nextTimerId_++;
    timers_.emplace(id, std::make_pair(due, Timer{period, std::move(task)}));
    dueTimes_.emplace(due, id);
    wake();
    return id;
}

MainLoop::TimerId MainLoop::addTimer(std::chrono::milliseconds period, Task task) {
    if (period <= std::chrono::milliseconds(0)) throw Error("A timer needs a period above 0");
    return schedule(Clock::now() + period, period, std::move(task));
}

MainLoop::TimerId MainLoop::addSingleShot(std::chrono::milliseconds delay, Task task) {
    return schedule(Clock::now() + delay, Clock::duration::zero(), std::move(task));
}

void MainLoop::cancelTimer(TimerId id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    const auto [first, last] = dueTimes_.equal_range(found->second.first);
    for (auto it = first; it != last; ++it)
        if (it->second == id) {
            dueTimes_.erase(it);
            break;
        }
    timers_.erase(found);
}

void MainLoop::watchReadable(int fd, Task onReadable) {
    unwatch(fd);
    watches_.emplace_back(fd, std::move(onReadable));
    wake();
}

void MainLoop::unwatch(int fd) {
    std::erase_if(watches_, [fd](const auto& watch) { return watch.first == fd; });
}

void MainLoop::runTask(const Task& task, std::size_t& ran) {
    ++ran;
    try {
        task();
    } catch (...) {
        if (errorHandler_) errorHandler_(std::current_exception());
    }
}

std::size_t MainLoop::runDueTimers() {
    std::size_t ran = 0;
    const Clock::time_point now = Clock::now();
    // Only timers due now run; a timer added by a timer waits for the next turn.
    std::vector<TimerId> due;
    for (auto it = dueTimes_.begin(); it != dueTimes_.end() && it->first <= now; ++it) due.push_back(it->second);
    for (TimerId id : due) {
        auto found = timers_.find(id);
        if (found == timers_.end()) continue;  // cancelled by an earlier timer
        const Timer timer = found->second.second;
        const Clock::time_point wasDue = found->second.first;
        cancelTimer(id);
        if (timer.period != Clock::duration::zero()) {
            // A late periodic timer runs once, then keeps its rhythm from now on.
            const Clock::time_point next = std::max(wasDue + timer.period, now + timer.period / 2);
            timers_.emplace(id, std::make_pair(next, timer));
            dueTimes_.emplace(next, id);
        }
        runTask(timer.task, ran);
    }
    return ran;
}

std::size_t MainLoop::runOnce(std::chrono::milliseconds timeout) {
    int waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 0));
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty() || quit_) waitMs = 0;
    }
    if (!dueTimes_.empty()) {
        const auto untilTimer = std::chrono::ceil<std::chrono::milliseconds>(dueTimes_.begin()->first - Clock::now());
        waitMs = std::min<int>(waitMs, static_cast<int>(std::max<std::chrono::milliseconds::rep>(untilTimer.count(), 0)));
    }

    std::vector<pollfd> fds;
    fds.push_back({wakeFd_, POLLIN, 0});
    for (const auto& watch : watches_) fds.push_back({watch.first, POLLIN, 0});
    const int ready = ::poll(fds.data(), fds.size(), waitMs);
    if (ready < 0 && errno != EINTR) throw Error("The main loop cannot wait for events");

    std::size_t ran = 0;
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(wakeFd_, &count, sizeof count);
    }
    std::deque<Task> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks.swap(posted_);
        wakePending_ = false;
    }
    for (const Task& task : tasks) runTask(task, ran);
    ran += runDueTimers();
    if (ready > 0) {
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if ((fds[i].revents & (POLLIN | POLLERR | POLLHUP)) == 0) continue;
            // The handler may have been removed by an earlier one in this turn.
            const auto watch = std::find_if(watches_.begin(), watches_.end(),
                                            [fd = fds[i].fd](const auto& w) { return w.first == fd; });
            if (watch != watches_.end()) {
                const Task handler = watch->second;
                runTask(handler, ran);
            }
        }
    }
    return ran;
}

void MainLoop::run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (quit_) {
                quit_ = false;
                return;
            }
        }
        runOnce(std::chrono::hours(1));
    }
}

}  // namespace orvalo
