// The manager without a window: its event list L.csv, its schedule engine, its watch
// table, the run mode, the changes-pending flag, the settings, and the runner and
// watcher that work in "Application" mode. The window and orvaloctl call these
// commands and draw what the core holds. Runs on the main loop's thread; the list
// is shared with the runs' worker threads under listLock().
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "eventlist/csv_data_set.h"
#include "eventlist/settings_file.h"
#include "execution/action_runner.h"
#include "execution/condition_watcher.h"
#include "execution/event_list_access.h"
#include "execution/log_file.h"
#include "execution/mail_notifier.h"
#include "manager/core/event_forms.h"
#include "manager/core/time_event_form.h"
#include "platform/main_loop.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"

namespace orvalo {

class ManagerCore {
public:
    static constexpr const char* kListFile = "L.csv";
    static constexpr const char* kOnlyDisable = "Only disable event.";
    static constexpr const char* kClearQuestion = "Really all delete ?";

    ManagerCore(std::filesystem::path folder, MainLoop& loop, SchedulerThread& scheduler,
                const Clock& clock = SystemClock::instance());
    ~ManagerCore();

    // Opens the list, loads time events into the engine and file and web events into
    // the watch table (a record that cannot be loaded is skipped and reported), reads
    // the settings and enters the run mode. runEvents false loads without running
    // anything, for one-off commands such as orvaloctl's.
    void start(bool runEvents = true);
    const std::vector<std::string>& loadReports() const { return loadReports_; }

    bool serviceMode() const { return settings_.serviceActive; }
    bool changesPending() const { return changesPending_; }
    const ManagerSettings& settings() const { return settings_; }
    CsvDataSet& list() { return list_; }
    std::mutex& listLock() { return listMutex_; }
    ScheduledEvents& engine() { return engine_; }
    ConditionWatcher& watcher() { return watcher_; }
    ActionRunner& runner() { return runner_; }

    // Each returns the new event's ID. Every field is checked first; a bad one
    // changes nothing. A failed write: "There was an error: " + the reason.
    long long addTimeEvent(const ActionFields& action, const TimeEventForm& form);
    long long addFileEvent(const FileEventForm& form);
    long long addWebEvent(const WebEventForm& form);
    void enable(long long id);
    void disable(long long id);
    // Empties the list, the engine and the watch table (the caller has asked
    // kClearQuestion).
    void clearAll();

private:
    void loadTimeEvents();
    void loadWatchTable();
    // The next ID by the kind's rule, over the IDs the list holds now.
    long long nextId(std::int64_t (*rule)(const std::vector<std::int64_t>&));
    void appendRecord(const EventRecord& record);
    void addWatchRow(WatchRow row);
    void setActive(long long id, bool enabled);
    void reloadShownList();

    std::filesystem::path folder_;
    MainLoop& loop_;
    const Clock& clock_;
    LogFile log_;
    std::mutex listMutex_;
    CsvDataSet list_;
    PerPassEventList runnerList_;
    ScheduledEvents engine_;
    MailNotifier mail_;
    ActionRunner runner_;
    ConditionWatcher watcher_;
    ManagerSettings settings_;
    bool changesPending_ = false;
    bool runEvents_ = true;
    std::vector<std::string> loadReports_;
};

}  // namespace orvalo
