// Carries out the runs of events: each run, on a worker thread of its own, marks its
// event record "Running" and stamps LASTRUN, checks the web page of a web event,
// writes its log lines, posts the information e-mail, starts the command through a
// process launcher, waits the kill time, closes the program and marks the record
// "Waiting" again. Runs are neither queued nor limited.
//
// The manager's and the service's runners differ only in their settings. Threads:
// runs are started from the main thread; each run's worker starts its command and
// follows it itself (no other thread, no main loop); the list, the log and the mail
// notifier are shared by the runs and serialise them themselves. Once the stop
// begins no run starts any more, runs waiting for their kill time close their
// commands and web and mail transfers end; stop() and the destructor wait for every
// run to end (every step of a run has a time limit). A log line or a list save that
// fails does not end a run: the failure is reported once per streak to the system log.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "execution/event_list_access.h"
#include "execution/failure_streak.h"
#include "execution/log_file.h"
#include "execution/mail_notifier.h"
#include "execution/run_history.h"
#include "execution/web_page_fetch.h"
#include "platform/clock.h"
#include "platform/local_time.h"

namespace orvalo {

class EventCollectionItem;

struct RunnerSettings {
    bool service = false;                       // the service's log lines and close behaviour
    std::filesystem::path programFolder;        // where the page files tmp<ID>.web go; commands start there
    std::vector<std::string> environment;       // the commands' ("NAME=value"); empty: ours
    std::string userAgent = "Orvalo";           // sent with page requests
    std::chrono::milliseconds second{1000};     // one step of the kill-time wait (tests shorten it)
    std::chrono::milliseconds closeGrace{10000};  // service: SIGKILL this long after an unheeded close request
    FetchLimits fetchLimits;
};

class ActionRunner {
public:
    ActionRunner(RunnerSettings settings, EventListAccess& list, LogFile& log, MailNotifier& mail,
                 const Clock& clock = SystemClock::instance(), const LocalTimeFormat& format = LocalTimeFormat::user());
    ~ActionRunner();
    ActionRunner(const ActionRunner&) = delete;
    ActionRunner& operator=(const ActionRunner&) = delete;

    // The scheduled events' handler: a run for the event of the item.
    void onItemDue(EventCollectionItem& item);
    // Starts a run for an event ID on a new worker thread and returns at once;
    // false when the stop has begun and no run starts. The trigger and the due
    // moment (Unix ms, time events) go into the run history.
    bool startRun(long long id, RunTrigger trigger = RunTrigger::Time, std::optional<std::int64_t> dueMs = {});
    // Whether a run of the event is going on.
    bool busy(long long id) const;

    // Who receives the information e-mails (thread-safe).
    void setRecipient(std::string recipient);
    std::string recipient() const;
    // Where runs are recorded, keeping the last outputBytes of each command's
    // output; nullptr for nowhere. Set before runs start.
    void setHistory(RunHistory* history, std::size_t outputBytes);
    // When a run's result is mailed to the recipient (thread-safe).
    void setResultMail(ResultMail mode);

    bool anyActive() const { return active_.load() > 0; }
    int activeRuns() const { return active_.load(); }
    bool stopFlag() const { return stopFlag_.load(); }
    // The stop request: no run starts from now on, StopFlag is set, so runs waiting
    // for their kill time close their commands, and web and mail transfers end.
    // Thread-safe.
    void beginStop();
    // The stop sequence, the one the service, the window and the benchmarks share:
    // beginStop(), then the time until `until` (runs finish meanwhile), then every
    // run is waited for. Thread-safe; blocks.
    void stop(std::chrono::steady_clock::time_point until);

    // The body of one run, on the calling thread.
    void execute(long long id, RunTrigger trigger = RunTrigger::Time, std::optional<std::int64_t> dueMs = {});

private:
    struct Record;
    struct Started;
    bool firstPass(long long id, Record& record);
    void finalPass(long long id);
    bool webConditionHolds(long long id, const Record& record);
    // Starts the command and, with a kill time, waits it and closes the command;
    // the started command, for the record, or nullptr when it did not start.
    std::unique_ptr<Started> runCommand(long long id, const Record& record, RunTrigger trigger,
                                        std::optional<std::int64_t> dueMs);
    // At the kill time: closes the command's whole group.
    void closeCommand(Started& started);
    // After the Part's steps: follows the command to its end (a command without a
    // kill time too), records the run, and says how it ended.
    void recordEnd(long long id, const Record& record, Started& started);
    // The result mail, when the mode asks for one.
    void mailResult(const RunRecord& record);
    std::mutex& pageFileLock(long long id);
    void joinFinished();
    void joinAll();
    void log(const std::string& line) { log_.tryWriteLog(line); }

    RunnerSettings settings_;
    EventListAccess& list_;
    LogFile& log_;
    MailNotifier& mail_;
    const Clock& clock_;
    const LocalTimeFormat& format_;

    mutable std::mutex recipientMutex_;
    std::string recipient_;
    ResultMail resultMail_ = ResultMail::Never;  // under recipientMutex_
    RunHistory* history_ = nullptr;
    std::size_t outputBytes_ = 0;

    std::atomic<int> active_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stopFlag_{false};
    int stopFd_;  // readable once StopFlag is set: ends the waits of the runs

    mutable std::mutex threadsMutex_;
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::list<Worker> workers_;
    std::multiset<long long> busyIds_;  // under threadsMutex_

    std::mutex pageLocksMutex_;
    std::map<long long, std::mutex> pageLocks_;
    FailureStreak runFailures_{"A run ended early", "Runs end normally again"};
};

}  // namespace orvalo
