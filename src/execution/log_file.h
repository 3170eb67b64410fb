// A program's log file: one line per call, "<short date>:<long time>:<text>" CR LF,
// appended to applog.txt (manager) or slog.txt (service). Thread-safe: calls from
// any thread are written one whole line at a time, in the order they take the lock.
// Raises IoError when the file cannot be opened or written.
#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>

#include "platform/clock.h"
#include "platform/local_time.h"

namespace orvalo {

class LogFile {
public:
    static constexpr const char* kManagerLog = "applog.txt";
    static constexpr const char* kServiceLog = "slog.txt";

    explicit LogFile(std::filesystem::path path, const Clock& clock = SystemClock::instance(),
                     const LocalTimeFormat& format = LocalTimeFormat::user());

    void writeLog(std::string_view text);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    const Clock& clock_;
    const LocalTimeFormat& format_;
    std::mutex mutex_;
};

}  // namespace orvalo
