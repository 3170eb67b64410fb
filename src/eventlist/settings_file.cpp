#include "eventlist/settings_file.h"

#include "base/error.h"
#include "eventlist/ini_document.h"
#include "platform/atomic_file.h"

namespace orvalo {

namespace {

constexpr const char* kMain = "MAIN";
constexpr const char* kMail = "MAIL";
constexpr const char* kHistory = "HISTORY";

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

ResultMail readResultMail(const IniDocument& ini) {
    return resultMailOf(ini.readString(kMail, "ResultMail", "never")).value_or(ResultMail::Never);
}

HistoryLimits readHistory(const IniDocument& ini) {
    HistoryLimits limits;
    const auto positive = [&](const char* key, long long fallback) {
        const long long value = ini.readInteger(kHistory, key, fallback);
        return value > 0 ? value : fallback;
    };
    limits.outputBytes = positive("OutputBytes", limits.outputBytes);
    limits.runsPerEvent = positive("RunsPerEvent", limits.runsPerEvent);
    limits.daysKept = positive("DaysKept", limits.daysKept);
    return limits;
}

// Keys beyond the original ten are written only when they say something: a file
// that never used them keeps its ten keys.
void writeExtra(IniDocument& ini, const char* section, const char* key, const std::string& value, const std::string& fallback) {
    if (value != fallback || ini.value(section, key)) ini.writeString(section, key, value);
}

}  // namespace

const char* resultMailName(ResultMail mode) {
    switch (mode) {
        case ResultMail::Failure: return "failure";
        case ResultMail::Always: return "always";
        default: return "never";
    }
}

std::optional<ResultMail> resultMailOf(std::string_view text) {
    for (const ResultMail mode : {ResultMail::Never, ResultMail::Failure, ResultMail::Always})
        if (text == resultMailName(mode)) return mode;
    return std::nullopt;
}

ManagerSettings SettingsFile::readManager() const {
    const IniDocument ini = load(path_);
    ManagerSettings settings;
    settings.serviceActive = ini.readBool(kMain, "Service_Active", false);
    settings.appStart = ini.readBool(kMain, "App_start", false);
    settings.appStartAllUsers = ini.readBool(kMain, "App_startu", false);
    settings.appStartMode = ini.readInteger(kMain, "App_start_t", 0);
    settings.notifyEmail = ini.readString(kMain, "email", "");
    settings.mail = readMail(ini);
    settings.resultMail = readResultMail(ini);
    settings.history = readHistory(ini);
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
    const HistoryLimits defaults;
    writeExtra(ini, kMail, "ResultMail", resultMailName(settings.resultMail), "never");
    writeExtra(ini, kHistory, "OutputBytes", std::to_string(settings.history.outputBytes), std::to_string(defaults.outputBytes));
    writeExtra(ini, kHistory, "RunsPerEvent", std::to_string(settings.history.runsPerEvent),
               std::to_string(defaults.runsPerEvent));
    writeExtra(ini, kHistory, "DaysKept", std::to_string(settings.history.daysKept), std::to_string(defaults.daysKept));
    try {
        writeFileAtomically(path_, ini.text(), 0600, FileModes::Always);  // it holds the password
    } catch (const IoError&) {
        throw Error("Unable to write to " + path_.string());
    }
}

ServiceMailSettings SettingsFile::readService() const {
    const IniDocument ini = load(path_);
    return {ini.readString(kMain, "email", ""), readMail(ini), readResultMail(ini), readHistory(ini)};
}

}  // namespace orvalo
