// The Orvalo service: its event list sl.csv, schedule engine, watch table, runner,
// mail notifier and log slog.txt, all in one program folder, run on one main loop.
// start() is the service's run up to the wait for requests; it holds the folder's
// service lock, so a second service on the same folder refuses to start. stop() is
// the stop sequence: from its first moment no run starts. Both run on the loop's
// thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

#include "eventlist/csv_data_set.h"
#include "execution/action_runner.h"
#include "execution/condition_watcher.h"
#include "execution/event_list_access.h"
#include "execution/log_file.h"
#include "execution/mail_notifier.h"
#include "execution/run_history.h"
#include "platform/clock_change_watch.h"
#include "platform/folder_lock.h"
#include "platform/main_loop.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"

namespace orvalo {

class OrvaloService {
public:
    static constexpr const char* kTitle = "Orvalo service";

    OrvaloService(std::filesystem::path folder, MainLoop& loop, std::chrono::milliseconds second = std::chrono::seconds(1));
    ~OrvaloService();

    // The folder's lock, log line, list, loading, e-mail settings. Raises the error
    // that ended the run.
    void start();
    // The engine and the watcher stop firing, StopFlag is set and transfers end,
    // six seconds pass, every run is waited for, and the list is closed (written back
    // if it changed).
    void stop();

    LogFile& log() { return log_; }
    ActionRunner& runner() { return runner_; }

private:
    std::filesystem::path folder_;
    FolderLock folderLock_;
    MainLoop& loop_;
    std::chrono::milliseconds second_;
    LogFile log_;
    CsvDataSet list_;
    SharedEventList access_{list_};
    SchedulerThread scheduler_;
    ScheduledEvents engine_;
    MailNotifier mail_;
    std::optional<RunHistory> history_;
    MainLoop::TimerId pruneTimer_ = 0;
    ActionRunner runner_;
    ConditionWatcher watcher_;
    ClockChangeWatch clockWatch_;
};

}  // namespace orvalo
