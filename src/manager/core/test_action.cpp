#include "manager/core/test_action.h"

#include "base/error.h"
#include "base/text.h"
#include "execution/process_launcher.h"
#include "platform/main_loop.h"

namespace orvalo {

TestAction TestAction::fromRecord(const EventRecord& record) {
    TestAction action;
    action.commandLine = record.commandLine;
    action.startMode = record.startMode;
    action.killMinutes = parseInteger(record.killAfterMins).value_or(0);
    return action;
}

void runTestAction(const TestAction& action, std::chrono::milliseconds testTime,
                   const std::function<void(std::chrono::milliseconds)>& wait) {
    // Not watched: the launcher reports no end, so its queue never runs.
    MainLoop unused;
    ProcessLauncher launcher(unused);
    launcher.setCommandLine(action.commandLine);
    launcher.setWaitForTerminate(false);
    launcher.startupInfo().defaultWindowState = false;
    launcher.startupInfo().showWindow = action.startMode == "Hide"       ? swHide
                                        : action.startMode == "Minimize" ? swMinimize
                                                                         : swNormal;
    try {
        launcher.run();
        if (action.killMinutes > 0) {
            wait(testTime);
            // A command that has ended by now needs no close request.
            launcher.requestClose(true);
        }
    } catch (const Error&) {
        if (launcher.state() != ProcessLauncher::State::Ready) {
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
