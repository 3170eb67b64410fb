// Tells its listeners, on the main loop's thread, that the wall clock was set or the
// time zone changed. A timerfd armed with TFD_TIMER_CANCEL_ON_SET sees every setting
// of CLOCK_REALTIME; an inotify watch on /etc/localtime sees time-zone changes,
// which leave the clock alone. Owned and used on the main loop's thread.
#pragma once

#include <filesystem>
#include <functional>
#include <map>

#include "platform/main_loop.h"

namespace orvalo {

class ClockChangeWatch {
public:
    using Listener = std::function<void()>;

    explicit ClockChangeWatch(MainLoop& loop, std::filesystem::path localtime = "/etc/localtime");
    ~ClockChangeWatch();
    ClockChangeWatch(const ClockChangeWatch&) = delete;
    ClockChangeWatch& operator=(const ClockChangeWatch&) = delete;

    int subscribe(Listener listener);
    void unsubscribe(int id);

    // Re-reads the time zone and tells every listener; called by the watch itself.
    void notifyChanged();

private:
    void armTimer();
    void onTimer();
    void onZoneFile();

    MainLoop& loop_;
    std::filesystem::path localtime_;
    int timerFd_ = -1;
    int inotifyFd_ = -1;
    std::map<int, Listener> listeners_;
    int nextId_ = 1;
};

}  // namespace orvalo
