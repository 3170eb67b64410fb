#include "execution/process_launcher.h"

#include <cerrno>
#include <csignal>
#include <mutex>

#include "base/text.h"
#include "platform/child_process.h"
#include "platform/system_error.h"
#include "platform/wake_event.h"

namespace orvalo {

// What the launcher shares with its watcher thread and its end reports.
struct ProcessLauncher::Core {
    std::mutex mutex;
    State state = State::Ready;
    int watchersToReport = 0;
    std::uint32_t exitCode = 0;
    pid_t pid = -1;
    std::uint64_t generation = 0;  // which start a report belongs to
    TerminateHandler onTerminate;
    ProcessLauncher* launcher = nullptr;
};

// ---- window settings as data ----

std::uint16_t showCommand(CPSShowWindow mode) {
    switch (mode) {
        case swHide: return 0;
        case swMinimize: return 2;
        case swMaximize: return 3;
        default: return 1;
    }
}

StartupRecord startupRecord(const CPSStartupInfo& info) {
    StartupRecord record;
    record.desktop = info.desktop;
    record.title = info.title;
    if (!info.defaultPosition) {
        record.x = info.left;
        record.y = info.top;
        record.flags |= 4;
    }
    if (!info.defaultSize) {
        record.width = info.width;
        record.height = info.height;
        record.flags |= 2;
    }
    if (!info.defaultWindowState) {
        record.showCommand = showCommand(info.showWindow);
        record.flags |= 1;
    }
    if (info.forceOnFeedback) record.flags |= 0x40;
    if (info.forceOffFeedback) record.flags |= 0x80;
    return record;
}

std::uint32_t creationFlags(ProcessPriority priority, CPSFlags flags) {
    static constexpr std::uint32_t kPriorityClass[] = {0x40, 0x20, 0x80, 0x100};
    static constexpr std::uint32_t kFlag[] = {0x04000000, 0x10, 0x200, 0x800, 0x1000, 0x4, 0x400, 0x8};
    std::uint32_t result = priority <= ppRealTime ? kPriorityClass[priority] : 0x20;
    for (int i = 0; i < 8; ++i)
        if (flags & (1u << i)) result |= kFlag[i];
    return result;
}

int niceValue(ProcessPriority priority) {
    switch (priority) {
        case ppIdle: return 19;
        case ppHigh: return -10;
        case ppRealTime: return -20;
        default: return 0;
    }
}

// ---- launcher ----

ProcessLauncher::ProcessLauncher(TaskQueue& mainLoop) : mainLoop_(mainLoop), core_(std::make_shared<Core>()) {
    core_->launcher = this;
}

ProcessLauncher::~ProcessLauncher() {
    detach();
    joinWatcher();
    releaseChild();
    std::lock_guard lock(core_->mutex);
    core_->launcher = nullptr;
}

void ProcessLauncher::releaseChild() {
    if (childPidfd_ >= 0) adoptChild({childPid_, childPidfd_});
    childPidfd_ = -1;
    childPid_ = -1;
}

void ProcessLauncher::setOnTerminate(TerminateHandler handler) {
    std::lock_guard lock(core_->mutex);
    core_->onTerminate = std::move(handler);
}

ProcessLauncher::State ProcessLauncher::state() const {
    std::lock_guard lock(core_->mutex);
    return core_->state;
}

pid_t ProcessLauncher::processId() const {
    std::lock_guard lock(core_->mutex);
    return core_->pid;
}

std::uint32_t ProcessLauncher::exitCode() const {
    std::lock_guard lock(core_->mutex);
    return core_->exitCode;
}

void ProcessLauncher::joinWatcher() {
    if (watcher_.joinable()) watcher_.join();
    closeWakeEvent(stopFd_);
}

void ProcessLauncher::run() {
    {
        std::lock_guard lock(core_->mutex);
        if (core_->state == State::Watching && core_->watchersToReport > 0)
            throw Error("Cannot perform this operation when process is running");
        core_->state = State::Ready;
        core_->watchersToReport = 0;
        core_->pid = -1;
        ++core_->generation;
    }
    joinWatcher();
    releaseChild();
    if (commandLine_.empty() && trimBlanks(applicationName_).empty()) throw SystemError(EINVAL);

    ChildOptions options;
    options.commandLine = commandLine_;
    options.interpreter = std::string(trimWhitespace(applicationName_));
    options.currentDirectory = std::string(trimWhitespace(currentDirectory_));
    options.environment = environment_;
    options.niceValue = niceValue(priority_);
    const Child child = startChild(options);

    std::lock_guard lock(core_->mutex);
    core_->pid = child.pid;
    if (!waitForTerminate_) {
        core_->state = State::Started;
        adoptChild(child);
        return;
    }
    core_->state = State::Watching;
    core_->watchersToReport = 1;
    childPid_ = child.pid;
    childPidfd_ = child.pidfd;
    stopFd_ = openWakeEvent();
    const std::uint64_t generation = core_->generation;
    watcher_ = std::thread([core = core_, child, stopFd = stopFd_, generation, &loop = mainLoop_] {
        unsigned code = 0;
        bool ended = false;
        try {
            // Left unreaped: the launcher releases the child when it lets go of it.
            ended = waitForChild(child, stopFd, code, -1, false);
        } catch (const Error&) {
            // The wait failed: nothing useful to report.
        }
        if (!ended) return;
        loop.post([weak = std::weak_ptr<Core>(core), code, generation] {
            const std::shared_ptr<Core> c = weak.lock();
            if (!c) return;  // the launcher is gone
            TerminateHandler handler;
            ProcessLauncher* launcher = nullptr;
            {
                std::lock_guard guard(c->mutex);
                if (c->generation != generation || c->state != State::Watching) return;  // detached meanwhile
                c->exitCode = code;
                if (--c->watchersToReport > 0) return;
                c->state = State::Ready;
                handler = c->onTerminate;
                launcher = c->launcher;
            }
            if (handler && launcher) handler(*launcher, code);
        });
    });
}

void ProcessLauncher::requireRunning() const {
    if (state() == State::Ready) throw Error("Process is not running");
}

bool ProcessLauncher::requestClose(bool /*sendQuit*/) {
    requireRunning();
    return signalGroup(processId(), SIGTERM);
}

bool ProcessLauncher::signalProcessGroup(int signal) {
    return childPidfd_ >= 0 && signalGroup(childPid_, signal);
}

bool ProcessLauncher::groupAlive() const { return childPidfd_ >= 0 && processGroupAlive(childPid_); }

bool ProcessLauncher::kill() {
    requireRunning();
    if (!signalGroup(processId(), SIGKILL)) throw SystemError(errno);
    return true;
}

void ProcessLauncher::detach() {
    {
        std::lock_guard lock(core_->mutex);
        if (core_->state != State::Watching) return;
        // Unhooked first, so a report the watcher still sends is dropped.
        ++core_->generation;
        core_->exitCode = kStoppedWatching;
        core_->watchersToReport = 0;
        core_->state = State::Ready;
    }
    signalWakeEvent(stopFd_);
    joinWatcher();
}

}  // namespace orvalo
