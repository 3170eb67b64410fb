// The manager's service commands: install, uninstall, update, start, stop, and the
// switch between "Application" and "Service" mode that install and uninstall make.
#include <filesystem>

#include "base/text.h"
#include "manager/core/manager_core.h"
#include "platform/atomic_file.h"
#include "platform/program_run.h"

namespace orvalo {

namespace {

constexpr const char* kServiceName = "Orvalo";
constexpr const char* kServiceList = "sl.csv";

}  // namespace

ServiceManager& ManagerCore::serviceManager() {
    if (!serviceManager_) serviceManager_ = ServiceManager::forEnvironment();
    return *serviceManager_;
}

ServiceState ManagerCore::serviceState() { return serviceManager().query(kServiceName); }

std::string ManagerCore::handListToService() {
    const auto lock = lockList();
    const std::filesystem::path source = folder_ / kListFile;
    std::string failure;
    try {
        // Closing writes what is still pending, so the service gets every edit.
        list_.close();
        std::string text;
        if (readWholeFile(source, text)) writeFileAtomically(folder_ / kServiceList, text);
        else std::filesystem::remove(folder_ / kServiceList);  // no list file: an empty list for both
    } catch (const std::exception& e) {
        failure = std::string("The event list could not be handed to the service: ") + e.what();
    }
    list_.open();
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

std::string ManagerCore::stopService() {
    ServiceManager& manager = serviceManager();
    if (manager.query(kServiceName) == ServiceState::NotInstalled) return "";
    try {
        manager.stop(kServiceName);
    } catch (const std::exception&) {
        return "";  // not running: nothing to say
    }
    const ServiceState state = manager.query(kServiceName);
    if (state == ServiceState::Stopped) return kServiceUninstalled;
    return std::string("The service did not stop; it is ") + serviceStateName(state);
}

std::string ManagerCore::installService() {
    if (!std::filesystem::exists(serviceProgram_))
        throw Error("The service program " + serviceProgram_.string() + " is missing; the service cannot be installed");
    // A service still running from an earlier install would write its old list over
    // the copy; it is stopped first and started again below.
    if (serviceState() == ServiceState::Running) stopService();
    if (std::string failure = handListToService(); !failure.empty()) throw Error(failure);
    // A service registered before makes the run fail; it is started all the same.
    const std::string registration = runServiceProgram("-install");
    std::string message = startService();
    enterServiceMode();
    if (!registration.empty()) message = registration + (message.empty() ? "" : "\n" + message);
    return message;
}

std::string ManagerCore::uninstallService() {
    if (!std::filesystem::exists(serviceProgram_))
        throw Error("The service program " + serviceProgram_.string() + " is missing; the service cannot be uninstalled");
    std::string message = stopService();
    const std::string registration = runServiceProgram("-uninstall");
    enterApplicationMode();
    if (!registration.empty()) message += (message.empty() ? "" : "\n") + registration;
    return message;
}

std::string ManagerCore::updateService() {
    // A running service writes its own list as its runs end; the new list is copied
    // while it is stopped, or the service's next write would put the old one back.
    ServiceManager& manager = serviceManager();
    bool restart = false;
    try {
        if (manager.query(kServiceName) == ServiceState::Running) {
            manager.stop(kServiceName);
            restart = true;  // a service that was not running stays stopped
        }
    } catch (const std::exception&) {
    }
    const std::string failure = handListToService();
    if (restart) {
        try {
            manager.start(kServiceName);
        } catch (const std::exception&) {
        }
    }
    changesPending_ = false;
    return failure.empty() ? kServiceUpdated : failure;
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
