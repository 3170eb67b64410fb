#include "execution/mail_notifier.h"

#include <ctime>
#include <optional>
#include <vector>

#include "base/text.h"
#include "execution/mail_address.h"
#include "execution/net_request.h"
#include "platform/helper_process.h"
#include "platform/host_name.h"
#include "platform/program_folder.h"

namespace orvalo {

namespace {

// A header value on one line: a CR or LF inside it would start a header of its own.
std::string oneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

std::string angle(std::string_view address) { return "<" + std::string(address) + ">"; }

std::string rfc2822Date() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S %z", &tm);
    return text;
}

std::string senderAddress(const MailSettings& settings) {
    const std::vector<std::string> sender = mailboxAddresses(settings.senderEmail);
    return sender.empty() ? std::string() : sender.front();
}

}  // namespace

MailNotifier::MailNotifier(LogFile& log, std::string subject, bool serviceLines, MailLimits limits)
    : log_(log), subject_(std::move(subject)), serviceLines_(serviceLines), limits_(limits) {}

MailNotifier::~MailNotifier() {
    abort();
    drain();
    if (sender_.joinable()) sender_.join();
}

void MailNotifier::setSettings(const MailSettings& settings) {
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
}

MailSettings MailNotifier::settings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

std::string MailNotifier::composeMessage(const MailSettings& settings, const std::string& recipients,
                                         const std::string& subject, const std::string& hostName,
                                         const std::string& text) {
    std::string body;
    if (!hostName.empty()) body += hostName + "\n";
    body += " send info :" + text;
    return composeMail(settings, recipients, subject, body);
}

std::string MailNotifier::composeMail(const MailSettings& settings, const std::string& recipients,
                                      const std::string& subject, const std::string& body) {
    const std::string name = displayNamePhrase(settings.senderName);
    std::string m;
    m += "Date: " + rfc2822Date() + "\r\n";
    m += "From: " + (name.empty() ? "" : name + " ") + angle(oneLine(senderAddress(settings))) + "\r\n";
    m += "To: " + oneLine(trimWhitespace(recipients)) + "\r\n";
    m += "Subject: " + oneLine(subject) + "\r\n";
    m += "X-Mailer: agent\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "\r\n";
    m += withCrLf(body) + "\r\n";
    return m;
}

namespace {

// Runs the network helper with a mail request; its exit status, or nullopt when it
// did not run to its end (aborted, hung, not started) with the reason in reason.
std::optional<int> runMailHelper(const char* what, const NetRequest& request, std::chrono::seconds limit,
                                 const std::atomic<bool>* abort, std::string& reason) {
    const auto deadline = std::chrono::steady_clock::now() + limit + std::chrono::seconds(10);
    const HelperResult helper =
        runHelper(netHelperProgram(), {what}, encodeNetRequest(request), deadline, abort, [&](std::string_view piece) {
            reason.append(piece.substr(0, 1000 - std::min<std::size_t>(reason.size(), 1000)));
            return true;
        });
    if (helper.end == HelperEnd::Exited) return helper.exitStatus;
    if (helper.end == HelperEnd::NotStarted)
        reason = "the network helper " + netHelperProgram().string() + " cannot be started: " + helper.error;
    else reason = helper.end == HelperEnd::Aborted ? "stopped" : "the network helper did not answer in time";
    return std::nullopt;
}

}  // namespace

bool MailNotifier::transmit(const MailSettings& settings, const std::string& recipients, const std::string& message) {
    if (aborted_) return false;
    std::string rcpt;
    for (const std::string& address : mailboxAddresses(recipients)) rcpt += angle(address) + "\n";
    if (rcpt.empty()) return false;
    const NetRequest request{{"url", smtpUrl(settings.smtpServer)},
                             {"from", angle(senderAddress(settings))},
                             {"recipients", rcpt},
                             {"login", settings.login},
                             {"password", settings.password},
                             {"connect_seconds", std::to_string(limits_.connect.count())},
                             {"reply_seconds", std::to_string(limits_.perReply.count())},
                             {"total_seconds", std::to_string(limits_.total.count())},
                             {"message", message}};
    std::string reason;
    return runMailHelper("mail", request, limits_.total, &aborted_, reason) == kNetDone;
}

std::string MailNotifier::testConnection(const MailSettings& settings, MailLimits limits) {
    if (trimWhitespace(settings.smtpServer).empty()) return "ERROR: no SMTP server is set";
    const NetRequest request{{"url", smtpUrl(settings.smtpServer)},
                             {"connect_seconds", std::to_string(limits.connect.count())},
                             {"reply_seconds", std::to_string(limits.perReply.count())}};
    std::string reason;
    const std::optional<int> status = runMailHelper("smtp-test", request, limits.connect + limits.perReply, nullptr, reason);
    if (status == kNetDone) return "Nastavení v pořádku.";
    return "ERROR: " + (reason.empty() ? std::string("the SMTP client failed") : reason);
}

void MailNotifier::send(const std::string& recipients, const std::string& text) {
    std::lock_guard lock(sendMutex_);
    if (serviceLines_) log("Odeslani e-mailu start.");
    bool sent = false;
    try {
        const MailSettings current = settings();
        sent = transmit(current, recipients, composeMessage(current, recipients, subject_, computerName(), text));
    } catch (const std::exception&) {
        // Out of memory building the message: a failed mail like any other.
    }
    log(sent ? "Odeslani e-mailu:OK ...Body:" + text : "Odeslani e-mailu:chyba... Body:" + text);
    if (serviceLines_) log("Odeslani e-mailu konec.");
}

void MailNotifier::postResult(std::string recipients, std::string subject, std::string body) {
    std::lock_guard lock(queueMutex_);
    if (queue_.size() >= limits_.queued) return resultFailures_.failed("too many mails waiting");
    queue_.push_back({std::move(recipients), std::move(body), std::move(subject)});
    if (senderBusy_) return;
    if (sender_.joinable()) sender_.join();
    try {
        sender_ = std::thread([this] { sendQueued(); });
        senderBusy_ = true;
    } catch (const std::system_error&) {
        queue_.pop_back();
        resultFailures_.failed("no thread to send it");
    }
}

void MailNotifier::sendResult(const Mail& mail) {
    std::lock_guard lock(sendMutex_);
    const MailSettings current = settings();
    bool sent = false;
    try {
        sent = transmit(current, mail.recipients, composeMail(current, mail.recipients, mail.subject, mail.text));
    } catch (const std::exception&) {
    }
    if (sent) resultFailures_.succeeded();
    else resultFailures_.failed("the SMTP server " + current.smtpServer + " did not take \"" + mail.subject + "\"");
}

void MailNotifier::post(std::string recipients, std::string text) {
    std::unique_lock lock(queueMutex_);
    if (queue_.size() >= limits_.queued) {
        lock.unlock();
        // The server cannot keep up: this mail fails now rather than pile up.
        failAtOnce(text);
        return;
    }
    queue_.push_back({std::move(recipients), text, ""});
    if (senderBusy_) return;
    if (sender_.joinable()) sender_.join();  // it has ended: senderBusy_ was false
    try {
        sender_ = std::thread([this] { sendQueued(); });
        senderBusy_ = true;
    } catch (const std::system_error&) {
        queue_.pop_back();
        lock.unlock();
        failAtOnce(text);
    }
}

void MailNotifier::failAtOnce(const std::string& text) {
    if (serviceLines_) log("Odeslani e-mailu start.");
    log("Odeslani e-mailu:chyba... Body:" + text);
    if (serviceLines_) log("Odeslani e-mailu konec.");
}

void MailNotifier::sendQueued() {
    std::unique_lock lock(queueMutex_);
    while (!queue_.empty()) {
        const Mail mail = std::move(queue_.front());
        lock.unlock();
        if (mail.subject.empty()) send(mail.recipients, mail.text);
        else sendResult(mail);
        lock.lock();
        queue_.pop_front();
    }
    senderBusy_ = false;
    queueEmpty_.notify_all();
}

void MailNotifier::drain() {
    std::unique_lock lock(queueMutex_);
    queueEmpty_.wait(lock, [this] { return !senderBusy_; });
}

void MailNotifier::abort() { aborted_ = true; }

}  // namespace orvalo
