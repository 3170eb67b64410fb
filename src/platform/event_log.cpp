#include "platform/event_log.h"

#include <mutex>
#include <syslog.h>

namespace orvalo {

namespace {
void write(int priority, const std::string& text) {
    static std::once_flag opened;
    std::call_once(opened, [] { ::openlog("Orvalo", LOG_PID, LOG_DAEMON); });
    ::syslog(priority, "%s", text.c_str());
}
}  // namespace

void writeEventLogError(const std::string& text) { write(LOG_ERR, text); }
void writeEventLogInfo(const std::string& text) { write(LOG_INFO, text); }

}  // namespace orvalo
