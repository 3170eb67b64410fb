#include "platform/process_identity.h"

#include <fcntl.h>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace orvalo {

namespace {

// The fields of /proc/<pid>/stat after the command name, state first. Read with
// plain calls: a stream raises when the process goes while it is read.
std::vector<std::string> statFields(pid_t pid) {
    std::vector<std::string> fields;
    if (pid <= 0) return fields;
    const int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fields;
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    const std::string text = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    const auto close = text.rfind(')');
    if (close == std::string::npos) return fields;
    std::istringstream in(text.substr(close + 1));
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

}  // namespace

std::string processStartTime(pid_t pid) {
    const std::vector<std::string> fields = statFields(pid);
    if (fields.size() <= 19 || fields[0] == "Z" || fields[0] == "X") return "";
    return fields[19];
}

std::string thisProcessIdentity() { return std::to_string(::getpid()) + ":" + processStartTime(::getpid()); }

bool processIdentityAlive(const std::string& identity) {
    const auto colon = identity.find(':');
    if (colon == std::string::npos) return false;
    const pid_t pid = static_cast<pid_t>(std::atoi(identity.substr(0, colon).c_str()));
    const std::string started = processStartTime(pid);
    return !started.empty() && started == identity.substr(colon + 1);
}

}  // namespace orvalo
