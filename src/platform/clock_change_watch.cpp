#include "platform/clock_change_watch.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

namespace orvalo {

ClockChangeWatch::ClockChangeWatch(MainLoop& loop, std::filesystem::path localtime)
    : loop_(loop), localtime_(std::move(localtime)) {
    timerFd_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    if (timerFd_ >= 0) {
        armTimer();
        loop_.watchReadable(timerFd_, [this] { onTimer(); });
    }
    inotifyFd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotifyFd_ >= 0) {
        // The zone file is usually a symlink that is replaced, so watch its folder.
        const auto folder = localtime_.parent_path();
        if (::inotify_add_watch(inotifyFd_, folder.c_str(),
                                IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_DELETE | IN_ATTRIB) < 0) {
            ::close(inotifyFd_);
            inotifyFd_ = -1;
        } else {
            loop_.watchReadable(inotifyFd_, [this] { onZoneFile(); });
        }
    }
}

ClockChangeWatch::~ClockChangeWatch() {
    if (timerFd_ >= 0) {
        loop_.unwatch(timerFd_);
        ::close(timerFd_);
    }
    if (inotifyFd_ >= 0) {
        loop_.unwatch(inotifyFd_);
        ::close(inotifyFd_);
    }
}

int ClockChangeWatch::subscribe(Listener listener) {
    listeners_.emplace(nextId_, std::move(listener));
    return nextId_++;
}

void ClockChangeWatch::unsubscribe(int id) { listeners_.erase(id); }

void ClockChangeWatch::armTimer() {
    // A moment that never comes: the timer only exists to be cancelled by a clock set.
    itimerspec never{};
    never.it_value.tv_sec = static_cast<time_t>(INT_MAX);
    ::timerfd_settime(timerFd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &never, nullptr);
}

void ClockChangeWatch::onTimer() {
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(timerFd_, &expirations, sizeof expirations);
    if (n < 0 && errno == ECANCELED) {
        armTimer();
        notifyChanged();
    }
}

void ClockChangeWatch::onZoneFile() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    const std::string name = localtime_.filename().string();
    for (;;) {
        const ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n <= 0) break;
        for (ssize_t offset = 0; offset < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            if (event->len > 0 && name == event->name) changed = true;
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (changed) notifyChanged();
}

void ClockChangeWatch::notifyChanged() {
    ::tzset();
    // A listener may unsubscribe itself or others while being told.
    std::vector<Listener> listeners;
    for (const auto& [id, listener] : listeners_) listeners.push_back(listener);
    for (const Listener& listener : listeners) listener();
}

}  // namespace orvalo
