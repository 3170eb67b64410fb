// orvaloctl's run-history commands: the runs of the program folder's runs.db,
// newest first, and one run's captured output. They only read.
#pragma once

#include <optional>
#include <string>

namespace orvalo {

struct HistoryOptions {
    std::optional<long long> event;
    int limit = 50;
    bool failed = false;
    std::string since;  // "YYYY-MM-DD HH:MM:SS", empty for no bound
    bool json = false;
};

void printHistory(const HistoryOptions& options);
// The output as it was captured, byte for byte; Error "There is no run N".
void printOutput(long long run);
// "exit 0", "signal 9", ... of each event's newest run, for list and show.
std::string lastResultText(long long event);

}  // namespace orvalo
