// Starting a command line as a child process on Linux, and waiting for its end.
// The child runs "/bin/sh -c <command line>" (or a program of ours directly) in a new
// session, so it leads its own process group; its standard input is /dev/null, it
// inherits no descriptor of ours, and the variables by which a service manager talks
// to its service are removed from its environment. Each child is watched through a
// pidfd and is always reaped: by its watcher, or by the reaper once nobody watches.
// Functions are thread-safe.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace orvalo {

struct ChildOptions {
    std::string commandLine;
    // When given, this program (a path) and its arguments, run without a shell.
    std::vector<std::string> arguments;
    bool captureOutput = false;    // standard output and error into one pipe (Child::outputFd)
    bool captureErrors = true;     // with captureOutput: standard error too; else it stays ours
    int standardInput = -1;        // a descriptor the child reads; -1: /dev/null
    std::string currentDirectory;  // empty: ours
    std::vector<std::string> environment;  // empty: ours, less the service manager's variables
};

struct Child {
    pid_t pid = -1;      // also the id of its process group
    int pidfd = -1;      // owned by whoever holds the Child
    int outputFd = -1;   // the read end of the output pipe (non-blocking), when captured
};

// How a child ended: its exit status, or the signal that ended it.
struct ChildEnd {
    bool signaled = false;
    int value = 0;  // the exit status, or the signal number
    // The exit status, or 128 + the signal number.
    unsigned code() const { return signaled ? 128u + static_cast<unsigned>(value) : static_cast<unsigned>(value); }
};

// Raises SystemError when the child cannot be started.
Child startChild(const ChildOptions& options);

// Waits until the child ends, stopFd becomes readable or timeoutMs pass (-1: no
// limit). Returns true and the exit code (the exit status, or 128 + the signal
// number) when the child ended and was reaped, its pidfd closed; false otherwise.
bool waitForChild(const Child& child, int stopFd, unsigned& exitCode, int timeoutMs = -1);

// The exit code of a child whose pidfd has become readable, leaving it unreaped:
// a zombie keeps its pid, and with it the id of its process group, from being given
// to another process until whoever holds the Child hands it to adoptChild().
ChildEnd endOfEndedChild(const Child& child);

// Sends a signal to the child's whole process group; false when no process of the
// group is left (errno is then ESRCH).
bool signalGroup(pid_t group, int signal);

// Whether a process of the group is alive (zombies do not count). Reads /proc;
// meant for the rare moments a kill time is reached.
bool processGroupAlive(pid_t group);

// Hands a child nobody watches any more to the reaper thread, which reaps it when it
// ends and closes its pidfd, and drains its output pipe until the pipe's end.
void adoptChild(Child child);

// The environment a child gets when none is given.
std::vector<std::string> childEnvironment();

}  // namespace orvalo
