#include "manager/core/test_action.h"

#include "base/error.h"
#include "base/text.h"
#include "execution/process_launcher.h"

namespace orvalo {

TestAction TestAction::fromRecord(const EventRecord& record) {
    TestAction action;
    action.commandLine = record.commandLine;
    action.startMode = record.startMode;
    action.killMinutes = parseInteger(record.killAfterMins).value_or(0);
    return action;
}

void runTestAction(const TestAction& action, std::chrono::milliseconds testTime, int stopFd) {
    ProcessLauncher launcher;
    launcher.setCommandLine(action.commandLine);
    try {
        launcher.run();
        if (action.killMinutes <= 0) return;
        const auto until = std::chrono::steady_clock::now() + testTime;
        // The whole test time, also for a command that ends sooner, unless cut short.
        if (launcher.wait(until, stopFd) == ProcessLauncher::WaitResult::Ended) launcher.wait(until, stopFd);
        // A command that has ended by now needs no close request.
        if (launcher.running()) launcher.requestClose();
    } catch (const Error&) {
        if (launcher.running()) {
            try {
                launcher.kill();
            } catch (const Error&) {
                // The group had ended already.
            }
        }
        throw;
    }
}

}  // namespace orvalo
