#include "execution/mail_notifier.h"

#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <memory>
#include <vector>

#include "base/text.h"
#include "execution/mail_address.h"
#include "execution/web_page_fetch.h"
#include "platform/host_name.h"

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

struct Reader {
    const std::string* text;
    std::size_t offset = 0;
};

std::size_t readMessage(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* reader = static_cast<Reader*>(user);
    const std::size_t n = std::min(size * count, reader->text->size() - reader->offset);
    std::memcpy(buffer, reader->text->data() + reader->offset, n);
    reader->offset += n;
    return n;
}

std::string senderAddress(const MailSettings& settings) {
    const std::vector<std::string> sender = mailboxAddresses(settings.senderEmail);
    return sender.empty() ? std::string() : sender.front();
}

}  // namespace

MailNotifier::MailNotifier(LogFile& log, std::string subject, bool serviceLines, MailLimits limits)
    : log_(log), subject_(std::move(subject)), serviceLines_(serviceLines), limits_(limits) {
    initCurl();
}

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

bool MailNotifier::transmit(const MailSettings& settings, const std::string& recipients, const std::string& message) {
    if (aborted_) return false;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return false;
    CURL* c = curl.get();
    const std::string url = smtpUrl(settings.smtpServer);
    const std::string from = angle(senderAddress(settings));
    curl_slist* rcpt = nullptr;
    for (const std::string& address : mailboxAddresses(recipients)) rcpt = curl_slist_append(rcpt, angle(address).c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> rcptList(rcpt, curl_slist_free_all);

    Reader reader{&message};
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage);
    curl_easy_setopt(c, CURLOPT_READDATA, &reader);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_NONE));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits_.connect.count()));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(limits_.perReply.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(limits_.total.count()));
    abortTransferWhen(c, &aborted_);
    if (!settings.login.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, settings.login.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, settings.password.c_str());
        curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    return rcpt != nullptr && curl_easy_perform(c) == CURLE_OK;
}

std::string MailNotifier::testConnection(const MailSettings& settings, MailLimits limits) {
    initCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return "ERROR: cannot start an SMTP client";
    if (trimWhitespace(settings.smtpServer).empty()) return "ERROR: no SMTP server is set";
    const std::string url = smtpUrl(settings.smtpServer);
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(limits.perReply.count()));
    const CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK) return std::string("ERROR: ") + curl_easy_strerror(result);
    return "Nastavení v pořádku.";
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
