// A process named for good: its pid and its start time (in clock ticks since
// boot), so a pid that is later given to another process is never taken for it.
#pragma once

#include <string>
#include <sys/types.h>

namespace orvalo {

// The start time of a live process; empty when there is no such process.
std::string processStartTime(pid_t pid);
// "<pid>:<start time>" of this process.
std::string thisProcessIdentity();
// Whether the process of an identity made by thisProcessIdentity() still runs.
bool processIdentityAlive(const std::string& identity);

}  // namespace orvalo
