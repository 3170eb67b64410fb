// The system's event log: syslog(3) with the ident "Orvalo" (journald collects it).
// Thread-safe. A program in the foreground may copy every line to standard error;
// tests may take the lines in place of syslog.
#pragma once

#include <functional>
#include <string>

namespace orvalo {

void writeEventLogError(const std::string& text);
void writeEventLogInfo(const std::string& text);

// Also writes every line to standard error (OrvaloS -console).
void copyEventLogToStandardError(bool copy);
// Replaces syslog with sink; an empty sink restores it.
void setEventLogSink(std::function<void(const std::string& text)> sink);

}  // namespace orvalo
