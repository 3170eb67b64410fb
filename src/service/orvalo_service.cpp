#include "service/orvalo_service.h"

#include <cstdlib>
#include <unistd.h>

#include "eventlist/event_record.h"
#include "eventlist/settings_file.h"
#include "platform/atomic_file.h"
#include "platform/command_environment.h"
#include "platform/program_folder.h"
#include "platform/strict_modes.h"
#include "service/event_loader.h"

namespace orvalo {

namespace {
// ORVALO_TICK_MS shortens the watcher's 10-second tick, for tests of the whole service.
std::chrono::milliseconds watchTick() {
    if (const char* tick = std::getenv("ORVALO_TICK_MS"); tick && std::atoi(tick) > 0)
        return std::chrono::milliseconds(std::atoi(tick));
    return ConditionWatcher::kTick;
}

RunnerSettings serviceRunner(const std::filesystem::path& folder, std::chrono::milliseconds second) {
    RunnerSettings settings;
    settings.service = true;
    settings.programFolder = folder;
    settings.environment = serviceCommandEnvironment(folder);
    settings.userAgent = OrvaloService::kTitle;
    settings.second = second;
    return settings;
}
}  // namespace

OrvaloService::OrvaloService(std::filesystem::path folder, MainLoop& loop, std::chrono::milliseconds second)
    : folder_(std::move(folder)),
      loop_(loop),
      second_(second),
      log_(folder_ / LogFile::kServiceLog),
      engine_(scheduler_, loop),
      mail_(log_, MailNotifier::kServiceSubject, true),
      runner_(serviceRunner(folder_, second), access_, log_, mail_),
      watcher_([this](long long id, RunTrigger trigger) { runner_.startRun(id, trigger); }, SystemClock::instance(),
               [this](long long id) { return runner_.busy(id); }),
      clockWatch_(loop) {
    configureEventListTable(list_, (folder_ / kServiceListFile).string(), true);
    clockWatch_.subscribe([this] { engine_.clockChanged(); });
}

OrvaloService::~OrvaloService() { watcher_.stop(); }

void OrvaloService::start() {
    // Before anything is written in the folder.
    requireTrustedPaths({folder_, folder_ / kServiceListFile, folder_ / SettingsFile::kFileName, executablePath(),
                         executableFolder(), netHelperProgram(), netHelperProgram().parent_path()},
                        ::geteuid());
    if (!folderLock_.take(folder_, std::chrono::milliseconds(0), FolderLock::kServiceFileName))
        throw Error("Another OrvaloS is already running on the program folder " + folder_.string());
    removeLeftoverTemporaryFiles(folder_, {kServiceListFile});
    log_.writeLog(" ====== Start service ============== ");
    // The run history, before any run: its own runs recorded, pruned now and every hour.
    const HistoryLimits limits = SettingsFile(folder_ / SettingsFile::kFileName).readService().history;
    history_.emplace(folder_ / RunHistory::kFileName, true);
    runner_.setHistory(&*history_, static_cast<std::size_t>(limits.outputBytes));
    history_->prune(limits, RunHistory::nowMs());
    pruneTimer_ = loop_.addTimer(std::chrono::hours(1), [this, limits] { history_->prune(limits, RunHistory::nowMs()); });
    loadServiceList(access_, engine_, watcher_, log_, [this](EventCollectionItem& item) { runner_.onItemDue(item); });
    // The watcher ticks only once the table is whole.
    watcher_.start(loop_, watchTick());
    const ServiceMailSettings mail = SettingsFile(folder_ / SettingsFile::kFileName).readService();
    mail_.setSettings(mail.mail);
    runner_.setRecipient(mail.notifyEmail);
    runner_.setResultMail(mail.resultMail);
}

void OrvaloService::stop() {
    // Nothing fires once the stop is asked for: a run due in the six seconds would
    // otherwise start and hold the service for its whole kill time.
    watcher_.stop();
    engine_.deactivateAll();
    runner_.stop(std::chrono::steady_clock::now() + 6 * second_);
    access_.close();
}

}  // namespace orvalo
