#include "platform/child_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/system_error.h"

extern char** environ;

namespace orvalo {

namespace {

// Variables by which a service manager hands sockets, watchdogs and its status
// channel to its service; a command started by the service must not believe they
// are meant for it (an OrvaloS it starts would take itself for the service).
constexpr const char* kServiceManagerVariables[] = {
    "NOTIFY_SOCKET=",  "LISTEN_FDS=",    "LISTEN_PID=",   "LISTEN_FDNAMES=",
    "WATCHDOG_USEC=",  "WATCHDOG_PID=",  "INVOCATION_ID=", "ORVALO_SERVICE_STATUS_FILE="};

int openPidfd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

unsigned exitCodeOf(const siginfo_t& info) {
    if (info.si_code == CLD_EXITED) return static_cast<unsigned>(info.si_status);
    return 128u + static_cast<unsigned>(info.si_status);
}

// Reaps children that nobody watches any more, and reads (and drops) what they
// still write into an output pipe nobody reads, so they never block on it; one
// thread of its own.
class Reaper {
public:
    ~Reaper() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake();
        if (thread_.joinable()) thread_.join();
        for (const Watched& w : watched_) ::close(w.fd);
        if (wakeFd_ >= 0) ::close(wakeFd_);
    }

    void adopt(int fd, bool output) {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable()) {
            wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
            thread_ = std::thread([this] { loop(); });
        }
        watched_.push_back({fd, output});
        wake();
    }

private:
    struct Watched {
        int fd;
        bool output;  // an output pipe to drain; else a pidfd to reap
    };

    void wake() {
        const std::uint64_t one = 1;
        if (wakeFd_ >= 0) [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
    }

    // True when the descriptor is done with: the child reaped, the pipe at its end.
    static bool serve(const Watched& w) {
        if (!w.output) {
            siginfo_t info{};
            ::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(w.fd), &info, WEXITED | WNOHANG);
            return true;
        }
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(w.fd, buffer, sizeof buffer);
            if (n > 0) continue;
            if (n < 0 && errno == EINTR) continue;
            return !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
        }
    }

    void loop() {
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<Watched> watched;
            {
                std::lock_guard lock(mutex_);
                if (stop_) return;
                fds.push_back({wakeFd_, POLLIN, 0});
                for (const Watched& w : watched_) fds.push_back({w.fd, POLLIN, 0});
                watched = watched_;
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
            if (fds[0].revents & POLLIN) {
                std::uint64_t count;
                [[maybe_unused]] ssize_t n = ::read(wakeFd_, &count, sizeof count);
            }
            std::lock_guard lock(mutex_);
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
                if (!serve(watched[i - 1])) continue;
                std::erase_if(watched_, [fd = fds[i].fd](const Watched& w) { return w.fd == fd; });
                ::close(fds[i].fd);
            }
        }
    }

    std::mutex mutex_;
    std::vector<Watched> watched_;
    std::thread thread_;
    int wakeFd_ = -1;
    bool stop_ = false;
};

Reaper& reaper() {
    static Reaper instance;
    return instance;
}

class SpawnSetup {
public:
    SpawnSetup() {
        ::posix_spawn_file_actions_init(&actions_);
        ::posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        ::posix_spawn_file_actions_destroy(&actions_);
        ::posix_spawnattr_destroy(&attributes_);
    }
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

std::vector<std::string> childEnvironment() {
    std::vector<std::string> result;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        bool drop = false;
        for (const char* name : kServiceManagerVariables) drop = drop || variable.starts_with(name);
        if (!drop) result.emplace_back(variable);
    }
    return result;
}

Child startChild(const ChildOptions& options) {
    SpawnSetup setup;
    int output[2] = {-1, -1};
    if (options.captureOutput && ::pipe2(output, O_CLOEXEC) != 0) throw SystemError(errno);
    // The pipe's ends are closed on every way out of here but the one that keeps the read end.
    struct PipeEnds {
        int* fds;
        ~PipeEnds() {
            for (int i = 0; i < 2; ++i)
                if (fds[i] >= 0) ::close(fds[i]);
        }
    } pipeEnds{output};
    int error = options.standardInput >= 0
                    ? ::posix_spawn_file_actions_adddup2(&setup.actions_, options.standardInput, STDIN_FILENO)
                    : ::posix_spawn_file_actions_addopen(&setup.actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0 && options.captureOutput) error = ::posix_spawn_file_actions_adddup2(&setup.actions_, output[1], STDOUT_FILENO);
    if (error == 0 && options.captureOutput && options.captureErrors)
        error = ::posix_spawn_file_actions_adddup2(&setup.actions_, output[1], STDERR_FILENO);
    // Our descriptors are close-on-exec; this also covers any a library opened without it.
    if (error == 0) error = ::posix_spawn_file_actions_addclosefrom_np(&setup.actions_, STDERR_FILENO + 1);
    if (error == 0 && !options.currentDirectory.empty())
        error = ::posix_spawn_file_actions_addchdir_np(&setup.actions_, options.currentDirectory.c_str());
    if (error == 0) error = ::posix_spawnattr_setflags(&setup.attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                                               POSIX_SPAWN_SETSIGDEF);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    if (error == 0) error = ::posix_spawnattr_setsigmask(&setup.attributes_, &none);
    if (error == 0) error = ::posix_spawnattr_setsigdefault(&setup.attributes_, &all);
    if (error != 0) throw SystemError(error);

    std::vector<std::string> arguments = options.arguments;
    if (arguments.empty()) arguments = {"/bin/sh", "-c", options.commandLine};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = options.environment.empty() ? childEnvironment() : options.environment;
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    error = ::posix_spawn(&pid, arguments.front().c_str(), &setup.actions_, &setup.attributes_, argv.data(), envp.data());
    if (error != 0) throw SystemError(error);
    // The pidfd pins the child: it cannot be reaped by anyone else before we read it.
    const int pidfd = openPidfd(pid);
    if (pidfd < 0) {
        const int openError = errno;
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        throw SystemError(openError);
    }
    ::fcntl(pidfd, F_SETFD, FD_CLOEXEC);
    Child child{pid, pidfd, -1};
    if (options.captureOutput) {
        ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
        child.outputFd = output[0];
        output[0] = -1;  // kept; the write end is the child's alone now
    }
    return child;
}

bool waitForChild(const Child& child, int stopFd, unsigned& exitCode, int timeoutMs) {
    pollfd fds[2] = {{child.pidfd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<std::int64_t>(0, left.count()));
        }
        const int ready = ::poll(fds, stopFd >= 0 ? 2 : 1, wait);
        if (ready == 0) return false;
        if (ready < 0) {
            if (errno == EINTR) continue;
            throw SystemError(errno);
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            siginfo_t info{};
            if (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(child.pidfd), &info, WEXITED) != 0)
                throw SystemError(errno);
            exitCode = exitCodeOf(info);
            ::close(child.pidfd);
            return true;
        }
        if (stopFd >= 0 && (fds[1].revents & POLLIN)) return false;
    }
}

ChildEnd endOfEndedChild(const Child& child) {
    siginfo_t info{};
    if (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(child.pidfd), &info, WEXITED | WNOWAIT) != 0)
        throw SystemError(errno);
    return {info.si_code != CLD_EXITED, info.si_status};
}

bool signalGroup(pid_t group, int signal) { return group > 0 && ::kill(-group, signal) == 0; }

bool processGroupAlive(pid_t group) {
    if (group <= 0) return false;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return signalGroup(group, 0);
    bool alive = false;
    char path[300];
    char text[512];
    while (!alive) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) break;
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        const ssize_t n = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        if (n <= 0) continue;
        text[n] = '\0';
        // "pid (comm) state ppid pgrp ...": comm may hold blanks and parentheses.
        const char* close = std::strrchr(text, ')');
        char state = 0;
        long ppid = 0, pgrp = 0;
        if (close != nullptr && std::sscanf(close + 1, " %c %ld %ld", &state, &ppid, &pgrp) == 3)
            alive = pgrp == group && state != 'Z' && state != 'X';
    }
    ::closedir(proc);
    return alive;
}

void adoptChild(Child child) {
    if (child.pidfd >= 0) reaper().adopt(child.pidfd, false);
    if (child.outputFd >= 0) reaper().adopt(child.outputFd, true);
}

}  // namespace orvalo
