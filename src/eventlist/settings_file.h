// Orvalo.ini: the run mode, the start-with-login choices, the notification address
// and the SMTP account. The manager reads and writes all of it; the service reads
// only the e-mail part. A missing or unreadable file gives the defaults. Writes
// replace the file atomically; a new file is readable by its owner only, since it
// holds a password. Each call reads or writes the file afresh; no shared state.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvalo {

struct MailSettings {
    std::string senderEmail;  // MAIL EEmail
    std::string password;     // MAIL EPSW
    std::string senderName;   // MAIL EJm
    std::string login;        // MAIL ELogin
    std::string smtpServer;   // MAIL ESMTP

    bool operator==(const MailSettings&) const = default;
};

// When a run's result is mailed (MAIL ResultMail): never (the default), after a
// failure, or after every run.
enum class ResultMail { Never, Failure, Always };
const char* resultMailName(ResultMail mode);  // "never", "failure", "always"
std::optional<ResultMail> resultMailOf(std::string_view text);

// What the run history keeps (section HISTORY).
struct HistoryLimits {
    long long outputBytes = 64 * 1024;  // OutputBytes: the tail of a run's output
    long long runsPerEvent = 1000;      // RunsPerEvent
    long long daysKept = 90;            // DaysKept

    bool operator==(const HistoryLimits&) const = default;
};

struct ManagerSettings {
    bool serviceActive = false;     // MAIN Service_Active: events run by the service
    bool appStart = false;          // MAIN App_start: start with the user's login
    bool appStartAllUsers = false;  // MAIN App_startu
    std::int64_t appStartMode = 0;  // MAIN App_start_t: 0 minimised to tray, 1 normal
    std::string notifyEmail;        // MAIN email: who receives notification e-mails
    MailSettings mail;
    ResultMail resultMail = ResultMail::Never;
    HistoryLimits history;

    bool operator==(const ManagerSettings&) const = default;
};

struct ServiceMailSettings {
    std::string notifyEmail;
    MailSettings mail;
    ResultMail resultMail = ResultMail::Never;
    HistoryLimits history;

    bool operator==(const ServiceMailSettings&) const = default;
};

class SettingsFile {
public:
    static constexpr const char* kFileName = "Orvalo.ini";

    explicit SettingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }

    ManagerSettings readManager() const;
    // Writes all ten keys of the manager, and the result-mail and history keys when
    // they are not their defaults (or are in the file already). Raises Error "Unable to write to <path>" when the file
    // cannot be written; the old file then stays as it was.
    void writeManager(const ManagerSettings& settings) const;
    ServiceMailSettings readService() const;

private:
    std::filesystem::path path_;
};

}  // namespace orvalo
