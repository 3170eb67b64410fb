// Running a helper program of ours and talking to it: no shell, the request written
// to its standard input, its standard output handed to a sink as it comes, its
// standard error left as ours. The helper and what it started (its process group)
// are ended (SIGKILL) when abort becomes true (seen within 100 ms), when the
// deadline passes or when the sink wants no more; the helper is always reaped. Thread-safe; each call has its own child.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvalo {

enum class HelperEnd { Exited, Aborted, TimedOut, SinkStopped, NotStarted };

struct HelperResult {
    HelperEnd end = HelperEnd::NotStarted;
    int exitStatus = -1;  // when Exited: its exit status, or 128 + the signal that ended it
    std::string error;    // when NotStarted: why
};

// sink gets each piece of the output and returns false to end the helper.
HelperResult runHelper(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       std::string_view input, std::chrono::steady_clock::time_point deadline,
                       const std::atomic<bool>* abort, const std::function<bool(std::string_view)>& sink);

}  // namespace orvalo
