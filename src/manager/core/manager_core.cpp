#include "manager/core/manager_core.h"

#include "base/text.h"
#include "eventlist/event_ids.h"
#include "schedule/schedule_text_store.h"
#include "manager/core/test_action.h"
#include "manager/core/watch_rows.h"
#include "execution/event_list_loader.h"
#include "platform/atomic_file.h"
#include "platform/program_folder.h"

namespace orvalo {

namespace {
RunnerSettings managerRunner(const std::filesystem::path& folder) {
    RunnerSettings settings;
    settings.service = false;
    settings.programFolder = folder;
    settings.userAgent = "Orvalo";
    return settings;
}
}  // namespace

ManagerCore::ManagerCore(std::filesystem::path folder, MainLoop& loop, SchedulerThread& scheduler, const Clock& clock,
                         std::filesystem::path localtime)
    : folder_(std::move(folder)),
      loop_(loop),
      clock_(clock),
      log_(folder_ / LogFile::kManagerLog),
      listForRuns_(folder_ / kManagerListFile, listMutex_, [this] { shownListChanged(); }),
      engine_(scheduler, loop, clock),
      mail_(log_, MailNotifier::kManagerSubject, false),
      runner_(managerRunner(folder_), listForRuns_, log_, mail_),
      watcher_([this](long long id, RunTrigger trigger) { runner_.startRun(id, trigger); }, clock,
               [this](long long id) { return runner_.busy(id); }),
      clockWatch_(loop, std::move(localtime)),
      serviceProgram_(executableFolder() / "OrvaloS"),
      managerProgram_(executableFolder() / "Orvalo") {
    configureEventListTable(listCopy_, (folder_ / kManagerListFile).string(), false);
    // Items of a stopped engine are not busy, so in "Service" mode this changes nothing.
    clockWatch_.subscribe([this] { engine_.clockChanged(); });
}

void ManagerCore::removeLeftoverTemporaryFiles() {
    orvalo::removeLeftoverTemporaryFiles(folder_, {kManagerListFile, SettingsFile::kFileName});
}

ManagerCore::~ManagerCore() {
    watcher_.stop();
    if (pruneTimer_ != 0) loop_.cancelTimer(pruneTimer_);
}

void ManagerCore::shownListChanged() {
    // Runs come in bursts; one report serves every change made before it is handled.
    if (changeReportPending_.exchange(true)) return;
    loop_.post([this] {
        changeReportPending_ = false;
        if (listChanged_) listChanged_();
    });
}

void ManagerCore::syncShownList() {
    const std::optional<FileIdentity> onDisk = fileIdentity(folder_ / kManagerListFile);
    if (!listCopy_.active() || onDisk == copyReadFrom_) return;
    const int position = listCopy_.recNo();
    listCopy_.close();
    listCopy_.open();
    if (position >= 0) listCopy_.moveTo(position);
    copyReadFrom_ = onDisk;
}

std::vector<EventRecord> ManagerCore::readListFile() const {
    CsvDataSet file;
    configureEventListTable(file, listFile().string(), false);
    file.open();
    std::vector<EventRecord> records;
    records.reserve(static_cast<std::size_t>(file.recordCount()));
    for (file.first(); !file.eof(); file.next()) records.push_back(readEventRecord(file));
    return records;
}

void ManagerCore::noteShownListSaved() { copyReadFrom_ = fileIdentity(folder_ / kManagerListFile); }

std::unique_lock<std::mutex> ManagerCore::lockList() {
    std::unique_lock lock(listMutex_);
    syncShownList();
    return lock;
}

void ManagerCore::pauseWatching(bool paused) {
    if (paused) watcher_.stop();
    else if (!serviceMode() && runEvents_) watcher_.start(loop_);
}

void ManagerCore::beginStop() {
    engine_.deactivateAll();
    watcher_.stop();
    runner_.beginStop();
    testActions_.beginStop();
}

void ManagerCore::stopRuns(std::chrono::steady_clock::time_point until) {
    runner_.stop(until);
    testActions_.join();
}

void ManagerCore::finishStop() { saveSettings(); }

void ManagerCore::start(bool runEvents) {
    runEvents_ = runEvents;
    {
        const auto lock = lockList();
        listCopy_.open();
        noteShownListSaved();
        loadEvents();
    }
    settings_ = SettingsFile(folder_ / SettingsFile::kFileName).readManager();
    mail_.setSettings(settings_.mail);
    runner_.setRecipient(settings_.notifyEmail);
    runner_.setResultMail(settings_.resultMail);
    // The window records its own runs and tests; orvaloctl only reads.
    history_.emplace(folder_ / RunHistory::kFileName, runEvents);
    if (runEvents) {
        const auto bytes = static_cast<std::size_t>(settings_.history.outputBytes);
        runner_.setHistory(&*history_, bytes);
        testActions_.setHistory(&*history_, bytes);
        // Pruned now and every hour, as the service does: a window may stay open for months.
        const HistoryLimits limits = settings_.history;
        history_->prune(limits, RunHistory::nowMs());
        pruneTimer_ = loop_.addTimer(std::chrono::hours(1), [this, limits] { history_->prune(limits, RunHistory::nowMs()); });
    }
    if (serviceMode() || !runEvents_) {
        engine_.deactivateAll();
        return;
    }
    activateEnabledTimeEvents();
    watcher_.start(loop_);
}

void ManagerCore::activateEnabledTimeEvents() {
    const auto lock = lockList();
    for (listCopy_.first(); !listCopy_.eof(); listCopy_.next()) {
        const auto id = parseInteger(listCopy_.value("ID"));
        if (eventKindOf(listCopy_.value("FILE")) == EventKind::Time && id && *id >= 0 && *id < engine_.events().count() &&
            listCopy_.value("ACTIVE") == kActiveEnabled)
            engine_.events().items(static_cast<int>(*id)).activate();
    }
}

void ManagerCore::loadEvents() {
    engine_.events().clear();
    {
        std::lock_guard rows(watcher_.lock());
        watcher_.rows().clear();
    }
    EventListLoading how;
    how.badRecord = EventListLoading::BadRecord::ReportAndSkip;
    how.onDue = [this](EventCollectionItem& item) { runner_.onItemDue(item); };
    loadReports_ = loadEventList(listCopy_, engine_, watcher_, how);
}

void ManagerCore::appendRecord(const EventRecord& record) {
    const auto lock = lockList();
    storeRecord(record, true);
}

void ManagerCore::storeRecord(const EventRecord& record, bool append) {
    try {
        if (append) listCopy_.append();
        else listCopy_.edit();
        writeEventRecord(listCopy_, record);
        listCopy_.post();
        listCopy_.saveIfChanged();
        noteShownListSaved();
    } catch (const Error& e) {
        listCopy_.cancel();
        throw Error(std::string("There was an error: ") + e.what());
    }
    changesPending_ = true;
}

long long ManagerCore::addTimeEvent(const ActionFields& fields, const TimeEventForm& form) {
    const EventAction action = fields.action();
    Schedule schedule(clock_);
    controlsToSchedule(form, schedule);
    const long long id = nextId(nextTimeEventId);
    const std::string text = scheduleToText(schedule);
    EventCollectionItem& item = engine_.events().insert(static_cast<int>(id));
    item.setEventId(id);
    item.setSchedule(schedule);
    item.setName(action.name);
    item.setCountMissedEvents(true);
    item.setOnExecute([this](EventCollectionItem& sender) { runner_.onItemDue(sender); });
    try {
        appendRecord(makeTimeEvent(id, action, timeEventDateText(toLocalDateTime(schedule.startDate())), text));
    } catch (...) {
        engine_.events().deleteItem(static_cast<int>(id));  // no record, no item
        throw;
    }
    return id;
}

long long ManagerCore::nextId(std::int64_t (*rule)(const std::vector<std::int64_t>&)) {
    const auto lock = lockList();
    return rule(eventIds(listCopy_));
}

std::string ManagerCore::proposedName(EventKind kind) {
    if (kind == EventKind::File) return proposedEventName(nextId(nextFileEventId));
    if (kind == EventKind::Web) return proposedEventName(nextId(nextWebEventId));
    return proposedEventName(nextId(nextTimeEventId));
}

void ManagerCore::addWatchRow(WatchRow row) {
    std::lock_guard rows(watcher_.lock());
    watcher_.rows().push_back(std::move(row));
}

long long ManagerCore::addFileEvent(const FileEventForm& form) {
    form.check();
    const long long id = nextId(nextFileEventId);
    appendRecord(makeFileEvent(id, form.action.action(), form.condition));
    addWatchRow(fileWatchRow(id, form, false, watcher_.now()));
    return id;
}

long long ManagerCore::addWebEvent(const WebEventForm& form) {
    form.check();
    const long long id = nextId(nextWebEventId);
    appendRecord(makeWebEvent(id, form.action.action(), form.condition));
    addWatchRow(webWatchRow(id, form, false, watcher_.now()));
    return id;
}

void ManagerCore::moveToEvent(long long id) {
    if (!listCopy_.locate("ID", std::to_string(id))) throw Error("There is no event " + std::to_string(id));
}

void ManagerCore::setActive(long long id, bool enabled) {
    const auto lock = lockList();
    moveToEvent(id);
    if (eventKindOf(listCopy_.value("FILE")) != EventKind::Time) {
        std::lock_guard rows(watcher_.lock());
        for (WatchRow& row : watcher_.rows())
            if (row.id == id) {
                row.enable = enabled ? 1 : 0;
                break;
            }
    } else if (id < engine_.events().count()) {
        EventCollectionItem& item = engine_.events().items(static_cast<int>(id));
        if (!enabled) item.deactivate();
        else if (!serviceMode() && runEvents_) item.activate();  // the service runs it once it has the list
    }
    listCopy_.edit();
    listCopy_.setValue("ACTIVE", enabled ? kActiveEnabled : kActiveDisabled);
    listCopy_.post();
    listCopy_.saveIfChanged();
    noteShownListSaved();
    changesPending_ = true;
}

void ManagerCore::testAction(long long id) { runTestAction(TestAction::fromRecord(record(id)), kTestRunTime); }

void ManagerCore::startTestAction(long long id, TestActions::OnError onError) {
    testActions_.start(TestAction::fromRecord(record(id)), kTestRunTime, std::move(onError));
}

void ManagerCore::enable(long long id) { setActive(id, true); }
void ManagerCore::disable(long long id) { setActive(id, false); }

void ManagerCore::clearAll() {
    {
        const auto lock = lockList();
        listCopy_.deleteRowRange(0, 99999);
        listCopy_.saveIfChanged();
        noteShownListSaved();
    }
    engine_.events().clear();
    std::lock_guard rows(watcher_.lock());
    watcher_.rows().clear();
}

}  // namespace orvalo
