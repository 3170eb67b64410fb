#include "platform/signal_watch.h"

#include <cerrno>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

#include "platform/system_error.h"

namespace orvalo {

namespace {
sigset_t setOf(std::initializer_list<int> signals) {
    sigset_t set;
    sigemptyset(&set);
    for (int s : signals) sigaddset(&set, s);
    return set;
}
}  // namespace

void blockSignals(std::initializer_list<int> signals) {
    const sigset_t set = setOf(signals);
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatch::SignalWatch(MainLoop& loop, std::initializer_list<int> signals, Handler handler)
    : loop_(loop), handler_(std::move(handler)) {
    const sigset_t set = setOf(signals);
    fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd_ < 0) throw SystemError(errno);
    loop_.watchReadable(fd_, [this] {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            handler_(static_cast<int>(info.ssi_signo));
    });
}

SignalWatch::~SignalWatch() {
    loop_.unwatch(fd_);
    ::close(fd_);
}

}  // namespace orvalo
