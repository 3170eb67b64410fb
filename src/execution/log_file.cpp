#include "execution/log_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

LogFile::LogFile(std::filesystem::path path, const Clock& clock, const LocalTimeFormat& format)
    : path_(std::move(path)), clock_(clock), format_(format), failures_("The log file " + path_.string() + " cannot be written", "The log file " + path_.string() + " is written again") {}

int LogFile::append(std::string_view text) {
    // One reading of the clock for both halves, so a line written at midnight
    // cannot pair one day's date with the next day's time.
    const LocalDateTime now = toLocalDateTime(clock_.now());
    std::string line = format_.shortDate(now);
    line += ':';
    line += format_.longTime(now);
    line += ':';
    line += text;
    line += "\r\n";

    std::lock_guard lock(mutex_);
    const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    int error = 0;
    for (std::string_view rest = line; !rest.empty() && error == 0;) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n >= 0) rest.remove_prefix(static_cast<std::size_t>(n));
        else if (errno != EINTR) error = errno;
    }
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
    return error;
}

void LogFile::writeLog(std::string_view text) {
    if (const int error = append(text); error != 0)
        throw IoError("I/O error writing \"" + path_.string() + "\": " + std::strerror(error));
}

bool LogFile::tryWriteLog(std::string_view text) noexcept {
    try {
        if (const int error = append(text); error != 0) {
            failures_.failed(std::strerror(error));
            return false;
        }
        failures_.succeeded();
        return true;
    } catch (const std::exception& e) {  // out of memory while building the line
        failures_.failed(e.what());
        return false;
    }
}

}  // namespace orvalo
