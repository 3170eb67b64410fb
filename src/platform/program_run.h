// Running another program the caller waits for, for a bounded time. The program runs as a child of its own
// (see child_process.h), with our environment plus the given variables.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvalo {

// Runs program with its arguments and waits for its end. Returns its exit code, or
// nothing when it is still running after the limit (it is left running). Raises
// SystemError when it cannot be started.
std::optional<unsigned> runProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& extraEnvironment, std::chrono::milliseconds limit);

}  // namespace orvalo
