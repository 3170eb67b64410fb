#include "execution/log_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base/error.h"

namespace orvalo {

LogFile::LogFile(std::filesystem::path path, const Clock& clock, const LocalTimeFormat& format)
    : path_(std::move(path)), clock_(clock), format_(format) {}

void LogFile::writeLog(std::string_view text) {
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
    errno = 0;
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    if (out) out.write(line.data(), static_cast<std::streamsize>(line.size()));
    if (out) out.close();
    if (!out) {
        const int error = errno;
        throw IoError("I/O error writing \"" + path_.string() + "\"" +
                      (error != 0 ? std::string(": ") + std::strerror(error) : std::string()));
    }
}

}  // namespace orvalo
