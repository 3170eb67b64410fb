#include "platform/event_log.h"

#include <cstdio>
#include <mutex>
#include <syslog.h>

namespace orvalo {

namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}
std::function<void(const std::string&)>& sink() {
    static std::function<void(const std::string&)> instance;
    return instance;
}
bool& copyToStandardError() {
    static bool copy = false;
    return copy;
}

void write(int priority, const std::string& text) {
    std::lock_guard lock(sinkMutex());
    if (copyToStandardError()) std::fprintf(stderr, "%s\n", text.c_str());
    if (sink()) return sink()(text);
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("Orvalo", LOG_PID, LOG_DAEMON); });
    ::syslog(priority, "%s", text.c_str());
}

}  // namespace

void writeEventLogError(const std::string& text) { write(LOG_ERR, text); }
void writeEventLogInfo(const std::string& text) { write(LOG_INFO, text); }

void copyEventLogToStandardError(bool copy) {
    std::lock_guard lock(sinkMutex());
    copyToStandardError() = copy;
}

void setEventLogSink(std::function<void(const std::string&)> newSink) {
    std::lock_guard lock(sinkMutex());
    sink() = std::move(newSink);
}

}  // namespace orvalo
