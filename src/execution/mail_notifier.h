// The information e-mail of a run, sent through SMTP by the network helper
// (orvalo-net, libcurl): plain connection to the SMTP host (port 25 unless the host names one, "host:2525", "[::1]:2525"),
// AUTH LOGIN when a login is set, and its outcome written to the program's log.
//
// Runs post their mails and go on at once: one sender thread, started when a mail
// waits and ending when none does, sends them one at a time in order, so a slow or
// dead server never delays a command. abort() ends the transfer under way within
// 100 ms and fails the waiting mails (each still gets its log lines); the
// destructor aborts and joins. Thread-safe. Log failures never raise here.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "eventlist/settings_file.h"
#include "execution/failure_streak.h"
#include "execution/log_file.h"

namespace orvalo {

struct MailLimits {
    std::chrono::seconds connect{30};
    std::chrono::seconds perReply{60};
    std::chrono::seconds total{300};
    std::size_t queued = 100;  // mails that may wait; beyond that a mail fails at once
};

class MailNotifier {
public:
    static constexpr const char* kManagerSubject = "Info - Orvalo";
    static constexpr const char* kServiceSubject = "Info - Orvalo(Service)";

    // serviceLines: also log "Odeslani e-mailu start." and "... konec." around the mail.
    MailNotifier(LogFile& log, std::string subject, bool serviceLines, MailLimits limits = {});
    ~MailNotifier();
    MailNotifier(const MailNotifier&) = delete;
    MailNotifier& operator=(const MailNotifier&) = delete;

    void setSettings(const MailSettings& settings);
    MailSettings settings() const;

    // Sends the information e-mail with the message text to the recipients (an
    // address list) and logs the outcome; returns when that is done.
    void send(const std::string& recipients, const std::string& text);
    // The same, on the sender thread; returns at once.
    void post(std::string recipients, std::string text);
    // A mail of our own (a run's result) through the same account and sender
    // thread: no log lines; a failure goes to the system log once per streak.
    void postResult(std::string recipients, std::string subject, std::string body);
    // Waits until every posted mail is sent or failed.
    void drain();
    // Fails the transfer under way and every mail that waits or comes later.
    void abort();

    // Connects to the SMTP server of the settings and disconnects again, as the
    // e-mail dialog's test does: "Nastavení v pořádku." or "ERROR: " + the reason.
    static std::string testConnection(const MailSettings& settings, MailLimits limits = {});

    // The message as it goes over the wire, for the given settings.
    static std::string composeMessage(const MailSettings& settings, const std::string& recipients,
                                      const std::string& subject, const std::string& hostName, const std::string& text);
    // The same with a body of its own (lines end in CR LF on the wire).
    static std::string composeMail(const MailSettings& settings, const std::string& recipients,
                                   const std::string& subject, const std::string& body);

private:
    struct Mail {
        std::string recipients;
        std::string text;     // an information mail's text, or a result mail's body
        std::string subject;  // a result mail's; empty for an information mail
    };
    void sendResult(const Mail& mail);
    bool transmit(const MailSettings& settings, const std::string& recipients, const std::string& message);
    void sendQueued();
    // The log lines of a mail that is not even tried.
    void failAtOnce(const std::string& text);
    void log(const std::string& line) { log_.tryWriteLog(line); }

    LogFile& log_;
    std::string subject_;
    bool serviceLines_;
    MailLimits limits_;
    mutable std::mutex settingsMutex_;
    MailSettings settings_;
    std::mutex sendMutex_;  // one mail at a time
    FailureStreak resultFailures_{"A result mail cannot be sent", "Result mails are sent again"};
    std::atomic<bool> aborted_{false};

    std::mutex queueMutex_;
    std::condition_variable queueEmpty_;
    std::deque<Mail> queue_;
    bool senderBusy_ = false;
    std::thread sender_;
};

}  // namespace orvalo
