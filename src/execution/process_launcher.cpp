#include "execution/process_launcher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>

#include "base/error.h"
#include "base/text.h"
#include "platform/child_process.h"
#include "platform/system_error.h"

namespace orvalo {

ProcessLauncher::~ProcessLauncher() { release(); }

void ProcessLauncher::release() {
    if (pidfd_ >= 0) adoptChild({pid_, pidfd_});
    pidfd_ = -1;
}

void ProcessLauncher::run() {
    if (running()) throw Error("Cannot perform this operation when process is running");
    release();
    started_ = false;
    pid_ = -1;
    exitCode_.reset();
    if (commandLine_.empty()) throw SystemError(EINVAL);
    ChildOptions options;
    options.commandLine = commandLine_;
    options.currentDirectory = std::string(trimWhitespace(currentDirectory_));
    options.environment = environment_;
    const Child child = startChild(options);
    pid_ = child.pid;
    pidfd_ = child.pidfd;
    started_ = true;
}

ProcessLauncher::WaitResult ProcessLauncher::wait(Deadline deadline, int stopFd) {
    for (;;) {
        // A descriptor below 0 is passed over by poll: an ended command is not polled.
        pollfd fds[2] = {{running() ? pidfd_ : -1, POLLIN, 0}, {stopFd, POLLIN, 0}};
        int timeout = -1;
        if (deadline != Deadline::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1'000'000'000));
        }
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            throw SystemError(errno);
        }
        if (ready == 0) {
            if (std::chrono::steady_clock::now() >= deadline) return WaitResult::DeadlinePassed;
            continue;  // woken before the deadline (the limit of one poll)
        }
        if (fds[0].fd >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            exitCode_ = exitCodeOfEndedChild({pid_, pidfd_});
            return WaitResult::Ended;
        }
        if (fds[1].revents & POLLIN) return WaitResult::Stopped;
    }
}

void ProcessLauncher::requireRunning() const {
    if (!running()) throw Error("Process is not running");
}

bool ProcessLauncher::requestClose() {
    requireRunning();
    return signalGroup(pid_, SIGTERM);
}

bool ProcessLauncher::kill() {
    requireRunning();
    if (!signalGroup(pid_, SIGKILL)) throw SystemError(errno);
    return true;
}

bool ProcessLauncher::signalProcessGroup(int signal) { return pidfd_ >= 0 && signalGroup(pid_, signal); }

bool ProcessLauncher::groupAlive() const { return pidfd_ >= 0 && processGroupAlive(pid_); }

}  // namespace orvalo
