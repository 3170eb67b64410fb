// The manager's settings commands: start with login, the SMTP account, the
// notification address; and the two logs for viewing.
#include <filesystem>

#include "manager/core/manager_core.h"
#include "platform/program_folder.h"
#include "platform/program_run.h"

namespace orvalo {

void ManagerCore::saveSettings() { SettingsFile(folder_ / SettingsFile::kFileName).writeManager(settings_); }

void ManagerCore::setAutostart(AutostartFolders folders, std::filesystem::path managerProgram) {
    autostart_ = std::move(folders);
    managerProgram_ = std::move(managerProgram);
}

void ManagerCore::setStartupOptions(bool startWithLogin, bool allUsers, std::int64_t mode) {
    settings_.appStart = startWithLogin;
    settings_.appStartAllUsers = allUsers;
    settings_.appStartMode = mode;
    // Exactly one entry afterwards, or none; a folder that cannot be written is passed over.
    removeRunEntries(autostart_);
    if (startWithLogin && (mode == 0 || mode == 1))
        writeRunEntry(allUsers, managerProgram_, mode == 0 ? "-tray" : "", autostart_, programFolderOverride());
    saveSettings();
}

void ManagerCore::setMailSettings(const MailSettings& mail) {
    settings_.mail = mail;
    mail_.setSettings(mail);
    saveSettings();
}

std::string ManagerCore::saveAndTestMail(const MailSettings& mail) {
    setMailSettings(mail);
    return MailNotifier::testConnection(mail);
}

void ManagerCore::setResultMail(ResultMail mode) {
    settings_.resultMail = mode;
    runner_.setResultMail(mode);
    saveSettings();
}

void ManagerCore::setNotifyEmail(const std::string& address) {
    settings_.notifyEmail = address;
    runner_.setRecipient(address);
    saveSettings();
}

std::filesystem::path ManagerCore::logFile(bool service) const {
    return folder_ / (service ? LogFile::kServiceLog : LogFile::kManagerLog);
}

}  // namespace orvalo
