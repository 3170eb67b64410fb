#include "eventlist/settings_file.h"

#include "base/error.h"
#include "eventlist/ini_document.h"
#include "platform/atomic_file.h"

namespace orvalo {

namespace {

constexpr const char* kMain = "MAIN";
constexpr const char* kMail = "MAIL";

IniDocument load(const std::filesystem::path& path) {
    std::string text;
    try {
        if (!readWholeFile(path, text)) return {};
    } catch (const IoError&) {
        return {};  // unreadable: the defaults apply
    }
    return IniDocument::parse(text);
}

MailSettings readMail(const IniDocument& ini) {
    MailSettings mail;
    mail.senderEmail = ini.readString(kMail, "EEmail", "");
    mail.password = ini.readString(kMail, "EPSW", "");
    mail.senderName = ini.readString(kMail, "EJm", "");
    mail.login = ini.readString(kMail, "ELogin", "");
    mail.smtpServer = ini.readString(kMail, "ESMTP", "");
    return mail;
}

}  // namespace

ManagerSettings SettingsFile::readManager() const {
    const IniDocument ini = load(path_);
    ManagerSettings settings;
    settings.serviceActive = ini.readBool(kMain, "Service_Active", false);
    settings.appStart = ini.readBool(kMain, "App_start", false);
    settings.appStartAllUsers = ini.readBool(kMain, "App_startu", false);
    settings.appStartMode = ini.readInteger(kMain, "App_start_t", 0);
    settings.notifyEmail = ini.readString(kMain, "email", "");
    settings.mail = readMail(ini);
    return settings;
}

void SettingsFile::writeManager(const ManagerSettings& settings) const {
    IniDocument ini = load(path_);
    ini.writeBool(kMain, "Service_Active", settings.serviceActive);
    ini.writeBool(kMain, "App_start", settings.appStart);
    ini.writeBool(kMain, "App_startu", settings.appStartAllUsers);
    ini.writeInteger(kMain, "App_start_t", settings.appStartMode);
    ini.writeString(kMain, "email", settings.notifyEmail);
    ini.writeString(kMail, "EEmail", settings.mail.senderEmail);
    ini.writeString(kMail, "EPSW", settings.mail.password);
    ini.writeString(kMail, "EJm", settings.mail.senderName);
    ini.writeString(kMail, "ELogin", settings.mail.login);
    ini.writeString(kMail, "ESMTP", settings.mail.smtpServer);
    try {
        writeFileAtomically(path_, ini.text(), 0600, FileModes::Always);  // it holds the password
    } catch (const IoError&) {
        throw Error("Unable to write to " + path_.string());
    }
}

ServiceMailSettings SettingsFile::readService() const {
    const IniDocument ini = load(path_);
    return {ini.readString(kMain, "email", ""), readMail(ini)};
}

}  // namespace orvalo
