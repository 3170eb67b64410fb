#include "manager/core/test_action.h"

#include "base/error.h"
#include "base/text.h"
#include "execution/process_launcher.h"

namespace orvalo {

TestAction TestAction::fromRecord(const EventRecord& record) {
    TestAction action;
    action.event = parseInteger(record.id).value_or(0);
    action.name = record.name;
    action.commandLine = record.commandLine;
    action.startMode = record.startMode;
    action.killMinutes = parseInteger(record.killAfterMins).value_or(0);
    return action;
}

namespace {

// The test's end in the history: the command followed to its end (a stop ends the
// following), the tail of its output kept.
void recordTest(ProcessLauncher& launcher, long long run, bool closed, int stopFd, RunHistory& history) {
    if (launcher.running() && launcher.wait(ProcessLauncher::Deadline::max(), stopFd) != ProcessLauncher::WaitResult::Ended)
        return;
    launcher.collectOutput(std::chrono::steady_clock::now() + std::chrono::seconds(1), stopFd);
    RunEnd e;
    e.endMs = RunHistory::nowMs();
    const ChildEnd end = *launcher.end();
    if (end.signaled) e.signal = end.value;
    else e.exitCode = end.value;
    e.killed = closed;
    e.output = launcher.output();
    e.outputTruncated = launcher.outputCut();
    history.finish(run, e);
}

}  // namespace

void runTestAction(const TestAction& action, std::chrono::milliseconds testTime, int stopFd, RunHistory* history,
                   std::size_t outputBytes) {
    ProcessLauncher launcher;
    launcher.setCommandLine(action.commandLine);
    if (history != nullptr) launcher.captureOutput(outputBytes);
    long long run = 0;
    bool closed = false;
    try {
        launcher.run();
        if (history != nullptr)
            run = history->begin(
                {action.event, action.name, RunTrigger::Test, std::nullopt, RunHistory::nowMs(), action.commandLine});
        if (action.killMinutes > 0) {
            const auto until = std::chrono::steady_clock::now() + testTime;
            // The whole test time, also for a command that ends sooner, unless cut short.
            if (launcher.wait(until, stopFd) == ProcessLauncher::WaitResult::Ended) launcher.wait(until, stopFd);
            // A command that has ended by now needs no close request.
            if (launcher.running()) {
                launcher.requestClose();
                closed = true;
            }
        }
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
    if (history != nullptr) recordTest(launcher, run, closed, stopFd, *history);
}

}  // namespace orvalo
