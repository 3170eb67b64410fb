// Starts one command line as a child process and watches it until it ends.
//
// A launcher is created, used and destroyed by one thread (a run's worker thread);
// its watcher thread reports the end of the process on the owner's main loop, where
// the launcher returns to Ready and raises onTerminate. A report for a launcher that
// was destroyed or detached meanwhile is dropped. On Linux the command line runs
// under /bin/sh in a process group of its own: a close request is SIGTERM to the
// group, a kill SIGKILL. The Windows window settings are kept as data; a show mode
// has no effect on Linux. Errors: Error "Cannot perform this operation when process
// is running", "Process is not running", and SystemError when a start fails.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "platform/task_queue.h"

namespace orvalo {

enum ProcessPriority : std::uint8_t { ppIdle = 0, ppNormal, ppHigh, ppRealTime };

enum CPSFlag : std::uint8_t {
    cfDefaultErrorMode = 0, cfNewConsole, cfNewProcGroup, cfSeparateWdm, cfSharedWdm, cfSuspended, cfUnicode, cfDetached
};
using CPSFlags = std::uint8_t;  // bit i for the flag of ordinal i
constexpr CPSFlags cpsFlag(CPSFlag flag) { return static_cast<CPSFlags>(1u << flag); }

enum CPSShowWindow : std::uint8_t { swHide = 0, swMinimize, swMaximize, swNormal };

struct CPSStartupInfo {
    std::string desktop;
    std::string title;
    int left = 0;
    int top = 0;
    bool defaultPosition = true;
    int width = 0;
    int height = 0;
    bool defaultSize = true;
    CPSShowWindow showWindow = swNormal;
    bool defaultWindowState = true;
    bool forceOnFeedback = false;
    bool forceOffFeedback = false;
};

// The window settings as the Windows start-up record would carry them.
struct StartupRecord {
    std::uint32_t size = 68;
    std::uint32_t flags = 0;  // STARTF_USESHOWWINDOW 1, USESIZE 2, USEPOSITION 4, FORCEONFEEDBACK 0x40, FORCEOFFFEEDBACK 0x80
    std::uint16_t showCommand = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string desktop, title;
};
StartupRecord startupRecord(const CPSStartupInfo& info);
// The Windows show command of a show mode: swHide 0, swNormal 1, swMinimize 2, swMaximize 3.
std::uint16_t showCommand(CPSShowWindow mode);
// The Windows priority class plus the creation flags.
std::uint32_t creationFlags(ProcessPriority priority, CPSFlags flags);
// The nice value a priority gives on Linux.
int niceValue(ProcessPriority priority);

class ProcessLauncher {
public:
    enum class State { Ready, Started, Watching };
    using TerminateHandler = std::function<void(ProcessLauncher& sender, std::uint32_t exitCode)>;
    static constexpr std::uint32_t kStoppedWatching = 0xFFFFFFFF;

    explicit ProcessLauncher(TaskQueue& mainLoop);
    // Detaches: the process keeps running, no onTerminate.
    ~ProcessLauncher();
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    const std::string& commandLine() const { return commandLine_; }
    void setCommandLine(std::string value) { commandLine_ = std::move(value); }
    // When set, the program that runs the command line in place of /bin/sh.
    const std::string& applicationName() const { return applicationName_; }
    void setApplicationName(std::string value) { applicationName_ = std::move(value); }
    const std::string& currentDirectory() const { return currentDirectory_; }
    void setCurrentDirectory(std::string value) { currentDirectory_ = std::move(value); }
    // "NAME=value" lines; empty means our own environment.
    const std::vector<std::string>& environment() const { return environment_; }
    void setEnvironment(std::vector<std::string> value) { environment_ = std::move(value); }
    ProcessPriority priority() const { return priority_; }
    void setPriority(ProcessPriority value) { priority_ = value; }
    CPSFlags creationFlags() const { return creationFlags_; }
    void setCreationFlags(CPSFlags value) { creationFlags_ = value; }
    const CPSStartupInfo& startupInfo() const { return startupInfo_; }
    CPSStartupInfo& startupInfo() { return startupInfo_; }
    bool waitForTerminate() const { return waitForTerminate_; }
    void setWaitForTerminate(bool value) { waitForTerminate_ = value; }
    void setOnTerminate(TerminateHandler handler);

    void run();
    // Asks the process group to end (SIGTERM); true when the group still existed.
    bool requestClose(bool sendQuit = true);
    // Ends the process group at once (SIGKILL).
    bool kill();
    // Sends the signal to every process left in the command's process group, also
    // once the command itself has ended: its background children are reached, and
    // the group's id cannot have passed to another process, as the launcher keeps
    // the ended command unreaped until it is destroyed or run again. False when no
    // process of the group is left or nothing was started.
    bool signalProcessGroup(int signal);
    // Whether a live process is left in the command's process group.
    bool groupAlive() const;
    // Stops watching; the process keeps running.
    void detach();

    State state() const;
    pid_t processId() const;
    std::uint32_t exitCode() const;

private:
    struct Core;
    void requireRunning() const;
    void joinWatcher();
    // Hands the last started child to the reaper.
    void releaseChild();

    TaskQueue& mainLoop_;
    std::string commandLine_;
    std::string applicationName_;
    std::string currentDirectory_;
    std::vector<std::string> environment_;
    ProcessPriority priority_ = ppNormal;
    CPSFlags creationFlags_ = 0;
    CPSStartupInfo startupInfo_;
    bool waitForTerminate_ = true;

    std::shared_ptr<Core> core_;
    std::thread watcher_;
    int childPidfd_ = -1;  // the watched child, unreaped until released
    pid_t childPid_ = -1;
    int stopFd_ = -1;
};

}  // namespace orvalo
