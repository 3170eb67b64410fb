// The manager's service commands: install, uninstall, update, start, stop, and the
// switch between "Application" and "Service" mode that install and uninstall make.
#include <filesystem>
#include <unistd.h>

#include "base/text.h"
#include "manager/core/manager_core.h"
#include "platform/atomic_file.h"
#include "platform/program_run.h"
#include "platform/program_folder.h"
#include "platform/strict_modes.h"

namespace orvalo {

namespace {

constexpr const char* kServiceName = "Orvalo";

}  // namespace

ServiceManager& ManagerCore::serviceManager() {
    if (!serviceManager_) serviceManager_ = ServiceManager::forEnvironment();
    return *serviceManager_;
}

ServiceState ManagerCore::serviceState() { return serviceManager().query(kServiceName); }

std::string ManagerCore::handListToService() {
    const auto lock = lockList();
    const std::filesystem::path source = folder_ / kManagerListFile;
    std::string failure;
    try {
        // Closing writes what is still pending, so the service gets every edit.
        listCopy_.close();
        std::string text;
        if (readWholeFile(source, text)) writeFileAtomically(folder_ / kServiceListFile, text);
        else std::filesystem::remove(folder_ / kServiceListFile);  // no list file: an empty list for both
    } catch (const std::exception& e) {
        failure = std::string("The event list could not be handed to the service: ") + e.what();
    }
    listCopy_.open();
    noteShownListSaved();
    return failure;
}

std::string ManagerCore::runServiceProgram(const char* option) {
    // The registration keeps this folder, so the service finds the list handed to it.
    const auto code = runProgram(serviceProgram_, {option, "-silent"}, {"ORVALO_HOME=" + folder_.string()},
                                 kRegistrationLimit);
    if (!code) return std::string("OrvaloS ") + option + " did not finish within " +
                      std::to_string(kRegistrationLimit.count()) + " s";
    if (*code != 0) return std::string("OrvaloS ") + option + " failed (exit status " + std::to_string(*code) + ")";
    return "";
}

std::string ManagerCore::startService() {
    ServiceManager& manager = serviceManager();
    if (manager.query(kServiceName) == ServiceState::NotInstalled) return "";
    std::string failure;
    try {
        manager.setAutomaticStart(kServiceName, true);
        manager.start(kServiceName);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    // Running is said only when it runs (it may have been running already).
    const ServiceState state = manager.query(kServiceName);
    if (state == ServiceState::Running) return kServiceInstalled;
    return std::string("The service is ") + serviceStateName(state) + (failure.empty() ? "" : ": " + failure);
}

bool ManagerCore::stopRunningService(const char* command) {
    ServiceManager& manager = serviceManager();
    const ServiceState state = manager.query(kServiceName);
    // A paused service still runs its events.
    if (state != ServiceState::Running && state != ServiceState::Paused) return false;
    try {
        manager.stop(kServiceName);
    } catch (const std::exception& e) {
        if (manager.query(kServiceName) == ServiceState::Stopped) return true;  // it ended meanwhile
        throw Error(std::string("The service did not stop, so ") + command + " changed nothing: " + e.what());
    }
    return true;
}

std::string ManagerCore::stopService() {
    return stopRunningService("the stop") ? kServiceUninstalled : "";  // not running: nothing to say
}

void ManagerCore::requireTrustedServiceFiles() const {
    requireTrustedPaths({folder_, folder_ / kManagerListFile, folder_ / kServiceListFile, folder_ / SettingsFile::kFileName,
                         serviceProgram_, serviceProgram_.parent_path(), netHelperProgram(serviceProgram_.parent_path()),
                         netHelperProgram(serviceProgram_.parent_path()).parent_path()},
                        ::geteuid());
}

ServiceOutcome ManagerCore::serviceWork(ServiceCommand command) {
    switch (command) {
        case ServiceCommand::Install: return {installWork(), command};
        case ServiceCommand::Uninstall: return {uninstallWork(), command};
        case ServiceCommand::Update: return {updateWork(), command};
    }
    return {"", command};
}

void ManagerCore::finishServiceCommand(const ServiceOutcome& outcome) {
    switch (outcome.command) {
        case ServiceCommand::Install: return enterServiceMode();
        case ServiceCommand::Uninstall: return enterApplicationMode();
        case ServiceCommand::Update: changesPending_ = false; return;
    }
}

std::string ManagerCore::runServiceCommand(ServiceCommand command) {
    const ServiceOutcome outcome = serviceWork(command);
    finishServiceCommand(outcome);
    return outcome.message;
}

std::string ManagerCore::installWork() {
    if (!std::filesystem::exists(serviceProgram_))
        throw Error("The service program " + serviceProgram_.string() + " is missing; the service cannot be installed");
    // The service will run this folder's list as this user: nobody else may have a hand in it.
    requireTrustedServiceFiles();
    // A service still running from an earlier install would write its old list over
    // the copy; it is stopped first (or nothing is done) and started again below.
    stopRunningService("the install");
    if (std::string failure = handListToService(); !failure.empty()) throw Error(failure);
    // A service registered before makes the run fail; it is started all the same.
    const std::string registration = runServiceProgram("-install");
    std::string message = startService();
    if (!registration.empty()) message = registration + (message.empty() ? "" : "\n" + message);
    if (const std::string note = serviceManager().installNote(); !note.empty())
        message += (message.empty() ? "" : "\n") + note;
    return message;
}

std::string ManagerCore::uninstallWork() {
    if (!std::filesystem::exists(serviceProgram_))
        throw Error("The service program " + serviceProgram_.string() + " is missing; the service cannot be uninstalled");
    // A service that goes on running would run the events beside this program.
    std::string message = stopRunningService("the uninstall") ? kServiceUninstalled : "";
    const std::string registration = runServiceProgram("-uninstall");
    if (!registration.empty()) message += (message.empty() ? "" : "\n") + registration;
    return message;
}

std::string ManagerCore::updateWork() {
    // A running service writes its own list as its runs end; the new list is copied
    // while it is stopped, or the service's next write would put the old one back.
    // One that does not stop leaves both lists as they were.
    requireTrustedServiceFiles();
    const bool restart = stopRunningService("the update");  // a service that was not running stays stopped
    const std::string failure = handListToService();
    std::string restartFailure;
    if (restart) {
        try {
            serviceManager().start(kServiceName);
        } catch (const std::exception& e) {
            restartFailure = std::string("\nThe service did not start again: ") + e.what();
        }
    }
    return (failure.empty() ? kServiceUpdated : failure) + restartFailure;
}

void ManagerCore::enterServiceMode() {
    engine_.deactivateAll();
    watcher_.stop();
    settings_.serviceActive = true;
    saveSettings();
}

void ManagerCore::enterApplicationMode() {
    settings_.serviceActive = false;
    if (runEvents_) {
        activateEnabledTimeEvents();
        watcher_.start(loop_);
    }
    saveSettings();
}

}  // namespace orvalo
