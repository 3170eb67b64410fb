// Starts one command line as a child process and follows it from the thread that
// owns the launcher, as Ninja's subprocess does: wait() blocks on the child's pidfd
// together with a deadline and a stop descriptor, so the owner sees the end of its
// command itself. The launcher has no thread of its own and needs no main loop.
//
// The command runs under /bin/sh in a process group of its own (see
// child_process.h): a close request is SIGTERM to the group, a kill SIGKILL. An
// ended command stays unreaped while the launcher holds it, so the id of its group
// cannot pass to another process; destroying the launcher hands the command to the
// reaper, and a command still running keeps running.
//
// With captureOutput, the command's standard output and error go into one pipe
// that wait() reads as well, keeping the last bytes, so a command that writes a lot
// never blocks on it.
//
// One thread creates, uses and destroys a launcher. Errors: Error "Cannot perform
// this operation when process is running", "Process is not running", and
// SystemError when a start fails.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/child_process.h"

namespace orvalo {

class ProcessLauncher {
public:
    using Deadline = std::chrono::steady_clock::time_point;
    enum class WaitResult { Ended, DeadlinePassed, Stopped };

    ProcessLauncher() = default;
    ~ProcessLauncher();
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    void setCommandLine(std::string value) { commandLine_ = std::move(value); }
    // Where the command starts; empty: our own working folder.
    void setCurrentDirectory(std::string value) { currentDirectory_ = std::move(value); }
    // "NAME=value" lines; empty: our own environment, less a service manager's variables.
    void setEnvironment(std::vector<std::string> value) { environment_ = std::move(value); }
    // Captures the command's output of the next run, keeping its last keepBytes.
    void captureOutput(std::size_t keepBytes) { keepBytes_ = keepBytes; }

    void run();
    // Blocks until the command ends, the deadline passes or stopFd (when not -1)
    // becomes readable, reading its output meanwhile. Once the command has ended it
    // waits for the other two only.
    WaitResult wait(Deadline deadline, int stopFd = -1);
    // Reads the output until every writer has closed it (the command and what it
    // left running), the deadline passes or stopFd becomes readable; then stops
    // reading. DeadlinePassed or Stopped leave it unread.
    WaitResult collectOutput(Deadline deadline, int stopFd = -1);

    bool running() const { return started_ && !end_; }
    // How the command ended, once wait() saw the end.
    std::optional<ChildEnd> end() const { return end_; }
    // The exit status, or 128 + the signal that ended it, once wait() saw the end.
    std::optional<unsigned> exitCode() const { return end_ ? std::optional<unsigned>(end_->code()) : std::nullopt; }
    pid_t processId() const { return pid_; }
    // The last bytes of the captured output, and whether earlier ones were dropped.
    const std::string& output() const { return output_; }
    bool outputCut() const { return outputCut_; }

    // Asks the process group to end (SIGTERM); true when the group still existed.
    bool requestClose();
    // Ends the process group at once (SIGKILL).
    bool kill();
    // Sends the signal to every process left in the command's process group, also
    // once the command itself has ended (its background children are reached).
    // False when no process of the group is left or nothing was started.
    bool signalProcessGroup(int signal);
    // Whether a live process is left in the command's process group.
    bool groupAlive() const;

private:
    void requireRunning() const;
    // Hands the child and its output pipe to the reaper.
    void release();
    // Reads what the pipe holds now; false at its end (then it is closed).
    bool readOutput();
    // One poll over the child, the output and the stop descriptor.
    std::optional<WaitResult> pollOnce(Deadline deadline, int stopFd, bool forTheChild);

    std::string commandLine_;
    std::string currentDirectory_;
    std::vector<std::string> environment_;
    bool started_ = false;
    pid_t pid_ = -1;
    int pidfd_ = -1;   // the child, unreaped until released
    int outputFd_ = -1;
    std::size_t keepBytes_ = 0;  // 0: no capture
    std::string output_;
    bool outputCut_ = false;
    std::optional<ChildEnd> end_;
};

}  // namespace orvalo
