// A program's log file: one line per call, "<short date>:<long time>:<text>" CR LF,
// appended to applog.txt (manager) or slog.txt (service). Thread-safe: calls from
// any thread are written one whole line at a time, in the order they take the lock.
// writeLog raises IoError when the file cannot be opened or written; runs use
// tryWriteLog, which never raises and reports a streak of failures to the system
// log once. The file is never opened through a symbolic link.
#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>

#include "execution/failure_streak.h"
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
    // writeLog without raising; false when the line was not written.
    bool tryWriteLog(std::string_view text) noexcept;
    const std::filesystem::path& path() const { return path_; }

private:
    // 0 or the errno of the failed write.
    int append(std::string_view text);

    std::filesystem::path path_;
    const Clock& clock_;
    const LocalTimeFormat& format_;
    std::mutex mutex_;
    FailureStreak failures_;
};

}  // namespace orvalo
