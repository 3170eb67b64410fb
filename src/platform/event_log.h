// The system's event log: syslog(3) with the ident "Orvalo" (journald collects it).
#pragma once

#include <string>

namespace orvalo {

void writeEventLogError(const std::string& text);
void writeEventLogInfo(const std::string& text);

}  // namespace orvalo
