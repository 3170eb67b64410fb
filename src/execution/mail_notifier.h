// The information e-mail of a run, sent through SMTP with libcurl: plain connection
// to the SMTP host (port 25 unless the host names one, "host:2525"), AUTH LOGIN when
// a login is set, and its outcome written to the program's log. One mail at a time:
// calls from several runs wait for each other. Sending never fails towards the
// caller; only a log file that cannot be written raises (IoError).
#pragma once

#include <chrono>
#include <mutex>
#include <string>

#include "eventlist/settings_file.h"
#include "execution/log_file.h"

namespace orvalo {

struct MailLimits {
    std::chrono::seconds connect{30};
    std::chrono::seconds perReply{60};
    std::chrono::seconds total{300};
};

class MailNotifier {
public:
    static constexpr const char* kManagerSubject = "Info - Orvalo";
    static constexpr const char* kServiceSubject = "Info - Orvalo(Service)";

    // serviceLines: also log "Odeslani e-mailu start." and "... konec." around the mail.
    MailNotifier(LogFile& log, std::string subject, bool serviceLines, MailLimits limits = {});

    void setSettings(const MailSettings& settings);
    MailSettings settings() const;

    // Sends the information e-mail with the message text to the recipients (an
    // address list separated by commas) and logs the outcome.
    void send(const std::string& recipients, const std::string& text);

    // Connects to the SMTP server of the settings and disconnects again, as the
    // e-mail dialog's test does: "Nastavení v pořádku." or "ERROR: " + the reason.
    static std::string testConnection(const MailSettings& settings, MailLimits limits = {});

    // The message as it goes over the wire, for the given settings.
    static std::string composeMessage(const MailSettings& settings, const std::string& recipients,
                                      const std::string& subject, const std::string& hostName, const std::string& text);

private:
    bool transmit(const MailSettings& settings, const std::string& recipients, const std::string& message);

    LogFile& log_;
    std::string subject_;
    bool serviceLines_;
    MailLimits limits_;
    mutable std::mutex settingsMutex_;
    MailSettings settings_;
    std::mutex sendMutex_;  // one mail at a time
};

}  // namespace orvalo
