// "Test action": one event's command run once, outside the runner: no record field,
// log line or e-mail. A command with kill minutes gets a fixed test time and is
// then asked to close; one that fails to start or to be asked is killed. With a
// run history, the test is recorded there as a run of trigger "test", followed to
// its end.
#pragma once

#include <chrono>
#include <string>

#include "eventlist/event_record.h"
#include "execution/run_history.h"

namespace orvalo {

struct TestAction {
    long long event = 0;
    std::string name;
    std::string commandLine;
    std::string startMode;
    long long killMinutes = 0;  // not a whole number in the record: 0

    static TestAction fromRecord(const EventRecord& record);
};

// Starts the command; when killMinutes is above 0, waits testTime (less when stopFd
// becomes readable), then asks the command's process group to close. Returns once
// that is done. Raises the start's SystemError after the kill attempt.
void runTestAction(const TestAction& action, std::chrono::milliseconds testTime, int stopFd = -1,
                   RunHistory* history = nullptr, std::size_t outputBytes = 0);

}  // namespace orvalo
