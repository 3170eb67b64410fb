// Delivers process signals (SIGTERM, SIGINT, SIGUSR1, ...) to a main loop through a
// signalfd, so they are handled as ordinary tasks on the loop's thread.
// blockSignals() must run before any thread starts, so every thread inherits the mask.
#pragma once

#include <functional>
#include <initializer_list>

#include "platform/main_loop.h"

namespace orvalo {

void blockSignals(std::initializer_list<int> signals);

class SignalWatch {
public:
    using Handler = std::function<void(int signal)>;
    SignalWatch(MainLoop& loop, std::initializer_list<int> signals, Handler handler);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    MainLoop& loop_;
    int fd_ = -1;
    Handler handler_;
};

}  // namespace orvalo
