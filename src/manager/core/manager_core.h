// The manager without a window: its event list L.csv, its schedule engine, its watch
// table, the run mode, the changes-pending flag, the settings, and the runner and
// watcher that work in "Application" mode. The window and orvaloctl call these
// commands and draw what the core holds. Runs on the main loop's thread.
//
// The file L.csv is authoritative: the core's commands and the runs (through
// tables of their own, one per pass) write it, always whole. listCopy() is the
// core's working copy for its commands; it catches up with the file whenever it is
// taken with lockList(). The grid reads the file itself, through readListFile().
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
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
#include "manager/core/test_actions.h"
#include "manager/core/time_event_form.h"
#include "platform/autostart_entry.h"
#include "platform/clock_change_watch.h"
#include "platform/file_status.h"
#include "platform/main_loop.h"
#include "platform/service_manager.h"
#include "schedule/scheduled_events.h"
#include "schedule/scheduler_thread.h"

namespace orvalo {

enum class ServiceCommand { Install, Uninstall, Update };
struct ServiceOutcome {
    std::string message;
    ServiceCommand command;
};

class ManagerCore {
public:
    static constexpr const char* kOnlyDisable = "Only disable event.";
    static constexpr const char* kClearQuestion = "Really all delete ?";
    static constexpr const char* kServiceInstalled = "Service instaled and running.";
    static constexpr const char* kServiceUninstalled = "Service uninstaled.";
    static constexpr const char* kServiceUpdated = "Service update succesfully.";
    static constexpr const char* kMailSettingsOk = "Nastavení v pořádku.";
    // How long the service program's -install / -uninstall run may take.
    static constexpr std::chrono::seconds kRegistrationLimit{20};
    // The fixed time a "Test action" lets a command with kill minutes run.
    static constexpr std::chrono::seconds kTestRunTime{10};

    // localtime is the zone file whose changes, like settings of the clock, make the
    // engine restart its busy items (as the service's does).
    ManagerCore(std::filesystem::path folder, MainLoop& loop, SchedulerThread& scheduler,
                const Clock& clock = SystemClock::instance(), std::filesystem::path localtime = "/etc/localtime");
    ~ManagerCore();

    // Opens the list, loads time events into the engine and file and web events into
    // the watch table (a record that cannot be loaded is skipped and reported), reads
    // the settings and enters the run mode. runEvents false loads without running
    // anything, for one-off commands such as orvaloctl's.
    void start(bool runEvents = true);
    const std::vector<std::string>& loadReports() const { return loadReports_; }
    // Removes what interrupted saves of L.csv and Orvalo.ini left; only a holder of
    // the folder's lock may call it.
    void removeLeftoverTemporaryFiles();

    bool serviceMode() const { return settings_.serviceActive; }
    bool changesPending() const { return changesPending_; }
    const ManagerSettings& settings() const { return settings_; }
    CsvDataSet& listCopy() { return listCopy_; }
    std::mutex& listLock() { return listMutex_; }
    // Takes listLock() with listCopy() as the file now holds it.
    std::unique_lock<std::mutex> lockList();
    // Every record as the file holds it now, read without the lock (the file is
    // always replaced whole), so a reader never waits for a run. Any thread; Error
    // when the file cannot be read.
    std::vector<EventRecord> readListFile() const;
    ScheduledEvents& engine() { return engine_; }
    ConditionWatcher& watcher() { return watcher_; }
    ActionRunner& runner() { return runner_; }
    // The run history of this folder (the service's runs and the window's own);
    // empty before start().
    RunHistory* history() { return history_ ? &*history_ : nullptr; }

    // The name an add dialog proposes for the next event of the kind.
    std::string proposedName(EventKind kind);
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

    // An event's record, and the values its dialog opens with. Error "There is no
    // event <ID>", or one naming why the record cannot be shown in that dialog.
    EventRecord record(long long id);
    std::pair<ActionFields, TimeEventForm> timeEventForm(long long id);
    FileEventForm fileEventForm(long long id);
    WebEventForm webEventForm(long long id);
    // Each checks every field first; a bad one changes nothing. The edited event is
    // "Disabled", "Waiting", never run; its engine item is stopped or its watch row
    // inactive.
    void editTimeEvent(long long id, const ActionFields& action, const TimeEventForm& form);
    void editFileEvent(long long id, const FileEventForm& form);
    void editWebEvent(long long id, const WebEventForm& form);

    // Runs the event's command once and touches nothing else: with kill minutes
    // above 0, waits kTestRunTime, then asks the command to close. Blocks for that
    // time (orvaloctl); the window uses startTestAction.
    void testAction(long long id);
    // The same test on a thread of its own, tracked: closing ends it as it ends the
    // runs. onError gets a failure's message on that thread.
    void startTestAction(long long id, TestActions::OnError onError);

    // Service control. Each returns the message to show, empty for none; errors that
    // stop the command are Error. The service program is OrvaloS beside this program.
    std::string installService() { return runServiceCommand(ServiceCommand::Install); }
    std::string uninstallService() { return runServiceCommand(ServiceCommand::Uninstall); }
    std::string updateService() { return runServiceCommand(ServiceCommand::Update); }
    // The same in two steps, for a caller that keeps its thread free (the window):
    // serviceWork() talks to the service manager and copies the list, on any thread,
    // one command at a time; finishServiceCommand() then switches the run mode on
    // the loop's thread.
    ServiceOutcome serviceWork(ServiceCommand command);
    void finishServiceCommand(const ServiceOutcome& outcome);
    std::string startService();
    std::string stopService();
    ServiceState serviceState();
    void setServiceProgram(std::filesystem::path program) { serviceProgram_ = std::move(program); }
    void setServiceManager(std::unique_ptr<ServiceManager> manager) { serviceManager_ = std::move(manager); }
    const std::filesystem::path& folder() const { return folder_; }
    std::filesystem::path listFile() const { return folder_ / kManagerListFile; }

    // "View service log" / "View application log": the log file (the window opens it).
    std::filesystem::path logFile(bool service) const;

    // Start with the user's login: the autostart entry and the settings follow.
    // mode 0 starts the window hidden in the tray ("-tray"), 1 shown.
    void setStartupOptions(bool startWithLogin, bool allUsers, std::int64_t mode);
    void setAutostart(AutostartFolders folders, std::filesystem::path managerProgram);
    // The SMTP account; saved at once.
    void setMailSettings(const MailSettings& mail);
    // Saves the account, then connects to its server: kMailSettingsOk or "ERROR: "
    // and the reason.
    std::string saveAndTestMail(const MailSettings& mail);
    void setNotifyEmail(const std::string& address);
    // When a run's result is mailed to the notify address; saved at once.
    void setResultMail(ResultMail mode);
    // Writes the settings (run mode, startup options, e-mail) to Orvalo.ini.
    void saveSettings();

    // Called on the loop's thread after a run has changed the list file.
    void onListChanged(std::function<void()> handler) { listChanged_ = std::move(handler); }
    // While a dialog is open the watcher rests; it resumes in "Application" mode only.
    void pauseWatching(bool paused);
    // Closing, in three steps. beginStop() on the loop's thread: the engine and the
    // watcher stop, StopFlag is set, test actions are cut short. stopRuns() on any
    // thread (the window calls it off its own): the runner's stop sequence until
    // `until`, then every run and test waited for. finishStop() on the loop's thread:
    // the settings saved.
    void beginStop();
    void stopRuns(std::chrono::steady_clock::time_point until);
    bool runsActive() const { return runner_.anyActive() || testActions_.active(); }
    void finishStop();

private:
    // The list's time events into the engine, its file and web events into the watch
    // table; a record that cannot be loaded is reported and passed over.
    void loadEvents();
    // The next ID by the kind's rule, over the IDs the list holds now.
    long long nextId(std::int64_t (*rule)(const std::vector<std::int64_t>&));
    void appendRecord(const EventRecord& record);
    void addWatchRow(WatchRow row);
    void setActive(long long id, bool enabled);
    // A run has written the list file: the window hears of it once per batch.
    void shownListChanged();
    void syncShownList();
    void noteShownListSaved();
    // Moves to the event's record (under listLock()); Error when there is none.
    void moveToEvent(long long id);
    // Appends the record, or writes it over the current one; the caller holds the
    // list's lock. A failure: "There was an error: " + the reason, nothing stored.
    void storeRecord(const EventRecord& record, bool append);
    void replaceWatchRow(const WatchRow& row);
    // The engine item of a time event's record; Error when the record is of another
    // kind or its ID has no item.
    EventCollectionItem& timeEventItem(const EventRecord& record, long long id);
    // Reads the event's record, checks its kind, changes it and stores it back.
    void editRecord(long long id, EventKind kind, const std::function<void(EventRecord&)>& change);
    // Copies L.csv over sl.csv with pending edits saved first; "" or the failure.
    std::string handListToService();
    std::string runServiceProgram(const char* option);
    std::string runServiceCommand(ServiceCommand command);
    std::string installWork();
    std::string uninstallWork();
    std::string updateWork();
    // Stops the service when it runs (or is paused); true when it did. Error
    // "The service did not stop, so <command> changed nothing: ..." when it does
    // not stop by its time limit.
    bool stopRunningService(const char* command);
    // The strict modes for the files the service will act on; UntrustedPathError.
    void requireTrustedServiceFiles() const;
    ServiceManager& serviceManager();
    void enterServiceMode();
    void enterApplicationMode();
    void activateEnabledTimeEvents();

    std::filesystem::path folder_;
    MainLoop& loop_;
    const Clock& clock_;
    LogFile log_;
    std::mutex listMutex_;
    CsvDataSet listCopy_;
    PerPassEventList listForRuns_;
    ScheduledEvents engine_;
    MailNotifier mail_;
    std::optional<RunHistory> history_;
    MainLoop::TimerId pruneTimer_ = 0;
    ActionRunner runner_;
    TestActions testActions_;
    ConditionWatcher watcher_;
    ClockChangeWatch clockWatch_;
    ManagerSettings settings_;
    bool changesPending_ = false;
    bool runEvents_ = true;
    std::vector<std::string> loadReports_;
    std::filesystem::path serviceProgram_;
    std::unique_ptr<ServiceManager> serviceManager_;
    AutostartFolders autostart_ = AutostartFolders::standard();
    std::filesystem::path managerProgram_;
    std::function<void()> listChanged_;
    std::optional<FileIdentity> copyReadFrom_;  // the file as listCopy_ last read or wrote it
    std::atomic<bool> changeReportPending_{false};
};

}  // namespace orvalo
