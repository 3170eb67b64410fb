// orvaloctl's commands that only read: the list, one event, its next fire times,
// the logs. They read the files directly and change nothing.
#pragma once

#include <string>

namespace orvalo {

void listEvents(bool json);
void showEvent(long long id);
void printNextFires(long long id, int count, const std::string& from);
// Prints the log; false when it does not exist yet.
bool printLog(bool service);

}  // namespace orvalo
