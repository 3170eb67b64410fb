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
    // What the command (or what it left running) still writes is read and dropped.
    adoptChild({pid_, pidfd_, outputFd_});
    pidfd_ = -1;
    outputFd_ = -1;
}

bool ProcessLauncher::readOutput() {
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(outputFd_, buffer, sizeof buffer);
        if (n > 0) {
            output_.append(buffer, static_cast<std::size_t>(n));
            if (output_.size() > keepBytes_) {
                output_.erase(0, output_.size() - keepBytes_);
                outputCut_ = true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        ::close(outputFd_);  // its end (or an error): nothing more comes
        outputFd_ = -1;
        return false;
    }
}

void ProcessLauncher::run() {
    if (running()) throw Error("Cannot perform this operation when process is running");
    release();
    started_ = false;
    pid_ = -1;
    end_.reset();
    output_.clear();
    outputCut_ = false;
    if (commandLine_.empty()) throw SystemError(EINVAL);
    ChildOptions options;
    options.commandLine = commandLine_;
    options.currentDirectory = std::string(trimWhitespace(currentDirectory_));
    options.environment = environment_;
    options.captureOutput = keepBytes_ > 0;
    const Child child = startChild(options);
    pid_ = child.pid;
    pidfd_ = child.pidfd;
    outputFd_ = child.outputFd;
    started_ = true;
}

std::optional<ProcessLauncher::WaitResult> ProcessLauncher::pollOnce(Deadline deadline, int stopFd, bool forTheChild) {
    // A descriptor below 0 is passed over by poll: an ended command is not polled.
    pollfd fds[3] = {{forTheChild && running() ? pidfd_ : -1, POLLIN, 0}, {outputFd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
    int timeout = -1;
    if (deadline != Deadline::max()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1'000'000'000));
    }
    const int ready = ::poll(fds, 3, timeout);
    if (ready < 0) {
        if (errno == EINTR) return std::nullopt;
        throw SystemError(errno);
    }
    if (fds[1].fd >= 0 && fds[1].revents != 0) readOutput();
    if (fds[0].fd >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        end_ = endOfEndedChild({pid_, pidfd_, -1});
        return WaitResult::Ended;
    }
    if (fds[2].fd >= 0 && (fds[2].revents & POLLIN)) return WaitResult::Stopped;
    if (ready == 0 && std::chrono::steady_clock::now() >= deadline) return WaitResult::DeadlinePassed;
    return std::nullopt;
}

ProcessLauncher::WaitResult ProcessLauncher::wait(Deadline deadline, int stopFd) {
    for (;;)
        if (const auto result = pollOnce(deadline, stopFd, true)) return *result;
}

ProcessLauncher::WaitResult ProcessLauncher::collectOutput(Deadline deadline, int stopFd) {
    while (outputFd_ >= 0) {
        const auto result = pollOnce(deadline, stopFd, false);
        if (result == WaitResult::DeadlinePassed || result == WaitResult::Stopped) return *result;
    }
    return WaitResult::Ended;
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
