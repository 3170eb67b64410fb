#include "execution/action_runner.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>

#include "base/text.h"
#include "eventlist/event_record.h"
#include "execution/page_search.h"
#include "execution/process_launcher.h"
#include "platform/atomic_file.h"
#include "platform/event_log.h"
#include "platform/host_name.h"
#include "schedule/schedule_stamp.h"
#include "platform/wake_event.h"
#include "schedule/scheduled_events.h"

namespace orvalo {

// What a run reads from its event record.
struct ActionRunner::Record {
    std::string name;
    std::string commandLine;
    std::string startMode;
    long long log = 0;
    long long email = 0;
    bool web = false;
    long long killMinutes = 0;
    std::string url;
    long long wExist = 1;
    std::string wStr;
};

ActionRunner::ActionRunner(RunnerSettings settings, EventListAccess& list, LogFile& log, MailNotifier& mail,
                           const Clock& clock, const LocalTimeFormat& format)
    : settings_(std::move(settings)),
      list_(list),
      log_(log),
      mail_(mail),
      clock_(clock),
      format_(format),
      stopFd_(openWakeEvent()) {}

ActionRunner::~ActionRunner() {
    // Runs waiting for their kill time close their programs now.
    beginStop();
    joinAll();
    closeWakeEvent(stopFd_);
}

void ActionRunner::setRecipient(std::string recipient) {
    std::lock_guard lock(recipientMutex_);
    recipient_ = std::move(recipient);
}

std::string ActionRunner::recipient() const {
    std::lock_guard lock(recipientMutex_);
    return recipient_;
}

void ActionRunner::setHistory(RunHistory* history, std::size_t outputBytes) {
    history_ = history;
    outputBytes_ = outputBytes;
}

void ActionRunner::setResultMail(ResultMail mode) {
    std::lock_guard lock(recipientMutex_);
    resultMail_ = mode;
}

// A started command, followed to its end for the record.
struct ActionRunner::Started {
    ProcessLauncher launcher;
    long long run = 0;          // its history row
    std::int64_t startMs = 0;
    bool closedAtKillTime = false;
    bool closedByStop = false;
};

void ActionRunner::beginStop() {
    stopping_ = true;
    // No run starts from here on, so a flag set now reaches every run there will be.
    stopFlag_ = true;
    signalWakeEvent(stopFd_);
    mail_.abort();
}

void ActionRunner::stop(std::chrono::steady_clock::time_point until) {
    beginStop();
    std::this_thread::sleep_until(until);
    joinAll();
}

void ActionRunner::onItemDue(EventCollectionItem& item) {
    std::optional<std::int64_t> dueMs;
    try {
        dueMs = std::chrono::duration_cast<std::chrono::milliseconds>(toWallTime(item.dueTime()).time_since_epoch()).count();
    } catch (const std::exception&) {
        // A moment the calendar cannot place is simply not recorded.
    }
    if (startRun(item.eventId(), RunTrigger::Time, dueMs) && settings_.service) log(" Try run Event.");
}

void ActionRunner::joinFinished() {
    std::lock_guard lock(threadsMutex_);
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

bool ActionRunner::busy(long long id) const {
    std::lock_guard lock(threadsMutex_);
    return busyIds_.count(id) > 0;
}

bool ActionRunner::startRun(long long id, RunTrigger trigger, std::optional<std::int64_t> dueMs) {
    if (stopping_) return false;
    joinFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard lock(threadsMutex_);
    ++active_;
    const auto busyEntry = busyIds_.insert(id);
    try {
        workers_.push_back({std::thread([this, id, trigger, dueMs, done, busyEntry] {
                                try {
                                    execute(id, trigger, dueMs);
                                    runFailures_.succeeded();
                                } catch (const std::exception& e) {
                                    // A run's errors end the run and nothing else.
                                    runFailures_.failed("Event " + std::to_string(id) + ": " + e.what());
                                } catch (...) {
                                    runFailures_.failed("Event " + std::to_string(id));
                                }
                                {
                                    std::lock_guard guard(threadsMutex_);
                                    busyIds_.erase(busyEntry);
                                }
                                --active_;
                                done->store(true);
                            }),
                            done});
    } catch (...) {
        busyIds_.erase(busyEntry);
        --active_;  // no thread, no run
        throw;
    }
    return true;
}

void ActionRunner::joinAll() {
    std::list<Worker> workers;
    {
        std::lock_guard lock(threadsMutex_);
        workers.swap(workers_);
    }
    for (Worker& worker : workers) worker.thread.join();
}

bool ActionRunner::firstPass(long long id, Record& record) {
    bool found = false;
    list_.pass([&](CsvDataSet& table) {
        const CsvField idField = table.fieldByName("ID");
        for (table.first(); !table.eof(); table.next()) {
            if (idField.asInteger() != id) continue;
            Record r;
            r.name = table.value("NAME");
            r.commandLine = table.value("COMMANDLINE");
            r.startMode = table.value("START_MODE");
            r.log = table.fieldByName("LOG").asInteger();
            r.email = table.fieldByName("EMAIL").asInteger();
            if (settings_.service) log("Active event " + std::to_string(id) + " (" + r.commandLine + " " + r.startMode + ")");
            table.fieldByName("FILE").asInteger();  // a FILE that is no number ends the run here
            r.web = eventKindOf(table.value("FILE")) == EventKind::Web;
            try {
                r.killMinutes = table.fieldByName("KILL_AFTER_MINS").asInteger();
                r.url = table.value("W_URL");
                r.wExist = table.fieldByName("W_EXIST").asInteger();
                r.wStr = table.value("W_STR");
            } catch (const ConvertError&) {
                r.killMinutes = 0;
                r.url.clear();
                r.wExist = 1;
            }
            const LocalDateTime now = toLocalDateTime(clock_.now());
            table.edit();
            table.setValue("LASTRUN", format_.shortDate(now) + " " + format_.longTime(now));
            table.setValue("STATE", kStateRunning);
            table.post();
            record = r;  // the last record with the ID wins
            found = true;
        }
    });
    return found;
}

void ActionRunner::finalPass(long long id) {
    list_.pass([&](CsvDataSet& table) {
        const CsvField idField = table.fieldByName("ID");
        for (table.first(); !table.eof(); table.next()) {
            if (parseInteger(idField.asString()) != id) continue;
            table.edit();
            table.setValue("STATE", kStateWaiting);
            table.post();
        }
    });
    list_.afterFinalPass();
}

std::mutex& ActionRunner::pageFileLock(long long id) {
    std::lock_guard lock(pageLocksMutex_);
    return pageLocks_[id];
}

bool ActionRunner::webConditionHolds(long long id, const Record& r) {
    const std::string idText = std::to_string(id);
    if (r.log == 1) {
        log(settings_.service ? "Test web condition to run event" + idText + " URL :" + r.url + " Search :" + r.wStr +
                                    " command:" + r.commandLine
                              : "Test web condition to run event" + idText + " URL :" + r.url +
                                    " Search string:" + r.wStr + " Execute command:" + r.commandLine);
    }
    std::lock_guard lock(pageFileLock(id));
    const std::filesystem::path page = settings_.programFolder / ("tmp" + idText + ".web");
    std::error_code ec;
    std::filesystem::remove(page, ec);
    const FetchResult result = fetchPage(r.url, page, settings_.userAgent, settings_.fetchLimits, &stopFlag_);
    if (result == FetchResult::TooLarge)
        log("Web page of event " + idText + " is larger than " + std::to_string(settings_.fetchLimits.maxBytes) +
            " bytes; it counts as not fetched");
    bool fetched = result == FetchResult::Fetched;
    std::string text;
    try {
        // A link put in the page's place meanwhile is not read through.
        if (fetched) readWholeFile(page, text, settings_.fetchLimits.maxBytes, false);
    } catch (const IoError&) {
        fetched = false;
    }
    return webConditionMet(fetched, fetched && pageContains(text, r.wStr), r.wExist);
}

void ActionRunner::closeCommand(Started& started) {
    ProcessLauncher& launcher = started.launcher;
    // The whole process group is closed, also when the command itself has ended:
    // what it started in the background goes with it.
    if (!launcher.groupAlive()) return;
    const bool stillRunning = launcher.running();
    launcher.signalProcessGroup(SIGTERM);
    if (settings_.service) {
        // The service gives the group a grace period; the manager kills at once.
        const auto giveUp = std::chrono::steady_clock::now() + settings_.closeGrace;
        while (launcher.groupAlive() && std::chrono::steady_clock::now() < giveUp)
            launcher.wait(std::min(giveUp, std::chrono::steady_clock::now() + std::chrono::milliseconds(100)));
    }
    if (launcher.groupAlive()) launcher.signalProcessGroup(SIGKILL);
    if (stillRunning) (stopFlag_ ? started.closedByStop : started.closedAtKillTime) = true;
}

std::unique_ptr<ActionRunner::Started> ActionRunner::runCommand(long long id, const Record& r, RunTrigger trigger,
                                                               std::optional<std::int64_t> dueMs) {
    const std::string idText = std::to_string(id);
    const std::string runText = "Run event" + idText + " Execute command:" + r.commandLine +
                                " Wait for terminate:" + std::to_string(r.killMinutes) + " mins.";
    const MailSettings mailSettings = mail_.settings();
    const std::string to = recipient();
    if (r.log == 1) log(runText);
    if (settings_.service)
        log("Email:" + std::to_string(r.email) + " SMTP:" + mailSettings.smtpServer + " Notiemail:" + to);
    // The mail goes out beside the command: a slow server never delays it.
    if (!mailSettings.smtpServer.empty() && !to.empty() && r.email == 1) mail_.post(to, runText);

    // The show mode (START_MODE) stays with the event: on Linux a program opens its
    // windows as it likes.
    auto started = std::make_unique<Started>();
    ProcessLauncher& launcher = started->launcher;
    launcher.setCommandLine(r.commandLine);
    launcher.setCurrentDirectory(settings_.programFolder.string());
    launcher.setEnvironment(settings_.environment);
    if (history_ != nullptr) launcher.captureOutput(outputBytes_);
    try {
        launcher.run();
    } catch (const Error&) {
        return nullptr;  // a command that cannot start is not reported
    }
    started->startMs = RunHistory::nowMs();
    if (history_ != nullptr)
        started->run = history_->begin({id, r.name, trigger, dueMs, started->startMs, r.commandLine});
    if (r.killMinutes <= 0) return started;

    // minutes * 60 + 1 steps; StopFlag ends the wait at once. Beyond a year the
    // list's value means one year, so the deadline cannot overflow. The run lasts
    // the whole kill time, also when its command ends sooner.
    const long long steps = std::min(r.killMinutes, kMaxKillMinutes) * 60 + 1;
    const auto deadline = std::chrono::steady_clock::now() + settings_.second * steps;
    if (launcher.wait(deadline, stopFd_) == ProcessLauncher::WaitResult::Ended) launcher.wait(deadline, stopFd_);
    if (r.log == 1)
        log("Terminate event" + idText + " Execute command:" + r.commandLine +
            " Wait for terminate:" + std::to_string(r.killMinutes) + " mins.");
    closeCommand(*started);
    return started;
}

void ActionRunner::recordEnd(long long id, const Record& r, Started& started) {
    if (history_ == nullptr) return;  // nowhere to record: the Part's run is over
    ProcessLauncher& launcher = started.launcher;
    // A command without a kill time is followed to its end; a stop ends the
    // following (the command runs on, and its run stays without a result).
    if (launcher.running() && launcher.wait(ProcessLauncher::Deadline::max(), stopFd_) != ProcessLauncher::WaitResult::Ended)
        return;
    // What is left in the pipe, for a moment; a writer left in the background is
    // then drained by the reaper.
    launcher.collectOutput(std::chrono::steady_clock::now() + std::chrono::seconds(1), stopFd_);
    const ChildEnd end = *launcher.end();
    RunRecord record;
    record.run = started.run;
    record.start = {id, r.name, RunTrigger::Time, std::nullopt, started.startMs, r.commandLine};
    RunEnd& e = record.end.emplace();
    e.endMs = RunHistory::nowMs();
    if (end.signaled) e.signal = end.value;
    else e.exitCode = end.value;
    e.killed = started.closedAtKillTime;
    e.stopped = started.closedByStop;
    e.output = launcher.output();
    e.outputTruncated = launcher.outputCut();
    history_->finish(started.run, e);

    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(e.endMs - started.startMs) / 1000.0);
    writeEventLogInfo("Event " + std::to_string(id) + " (" + r.name + ") ended: " + runResultText(record) + " after " +
                      seconds + " s");
    mailResult(record);
}

void ActionRunner::mailResult(const RunRecord& record) {
    ResultMail mode;
    std::string to;
    {
        std::lock_guard lock(recipientMutex_);
        mode = resultMail_;
        to = recipient_;
    }
    const bool succeeded = runSucceeded(record);
    if (mode == ResultMail::Never || (mode == ResultMail::Failure && succeeded)) return;
    if (to.empty() || mail_.settings().smtpServer.empty()) return;
    const RunEnd& e = *record.end;
    const std::string outcome = succeeded ? "succeeded" : "failed (" + runResultText(record) + ")";
    const auto moment = [](std::int64_t ms) {
        const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
        std::tm tm{};
        localtime_r(&seconds, &tm);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
        return std::string(text);
    };
    std::string body = "Host: " + computerName() + "\n";
    body += "Event: " + std::to_string(record.start.event) + " (" + record.start.name + ")\n";
    body += "Command: " + record.start.command + "\n";
    body += "Started: " + moment(record.start.startMs) + "\nEnded: " + moment(e.endMs) + "\n";
    body += "Duration: " + std::to_string(e.endMs - record.start.startMs) + " ms\n";
    body += "Result: " + runResultText(record) + "\n\nOutput" +
            (e.outputTruncated ? " (its last " + std::to_string(e.output.size()) + " bytes)" : std::string()) + ":\n";
    // The tail a mail carries: the last 4,000 bytes of the kept output.
    body += e.output.size() > 4000 ? e.output.substr(e.output.size() - 4000) : e.output;
    mail_.postResult(to, "Orvalo: " + record.start.name + " " + outcome, body);
}

void ActionRunner::execute(long long id, RunTrigger trigger, std::optional<std::int64_t> dueMs) {
    Record record;
    const bool marked = firstPass(id, record);
    std::unique_ptr<Started> started;
    // Once the record says "Running", it goes back to "Waiting" however the run ends.
    try {
        list_.afterFirstPass();
        if (!record.web || webConditionHolds(id, record)) started = runCommand(id, record, trigger, dueMs);
    } catch (...) {
        if (marked) finalPass(id);
        throw;
    }
    if (marked) finalPass(id);
    if (started) recordEnd(id, record, *started);
}

}  // namespace orvalo
