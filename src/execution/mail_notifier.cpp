#include "execution/mail_notifier.h"

#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <memory>
#include <vector>

#include "base/text.h"
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

std::vector<std::string> addressList(std::string_view text) {
    std::vector<std::string> addresses;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const std::string_view address = trimWhitespace(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (!address.empty()) addresses.push_back(oneLine(address));
        if (comma == std::string_view::npos) return addresses;
        start = comma + 1;
    }
}

std::string angle(const std::string& address) {
    if (!address.empty() && address.front() == '<') return address;
    return "<" + address + ">";
}

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

}  // namespace

MailNotifier::MailNotifier(LogFile& log, std::string subject, bool serviceLines, MailLimits limits)
    : log_(log), subject_(std::move(subject)), serviceLines_(serviceLines), limits_(limits) {
    initCurl();
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
    std::string to;
    for (const std::string& address : addressList(recipients)) to += (to.empty() ? "" : ", ") + address;
    std::string m;
    m += "Date: " + rfc2822Date() + "\r\n";
    m += "From: \"" + oneLine(settings.senderName) + "\" " + angle(oneLine(trimWhitespace(settings.senderEmail))) + "\r\n";
    m += "To: " + to + "\r\n";
    m += "Subject: " + oneLine(subject) + "\r\n";
    m += "X-Mailer: agent\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "\r\n";
    if (!hostName.empty()) m += hostName + "\r\n";
    m += " send info :" + text + "\r\n";
    return m;
}

bool MailNotifier::transmit(const MailSettings& settings, const std::string& recipients, const std::string& message) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return false;
    CURL* c = curl.get();
    std::string host(trimWhitespace(settings.smtpServer));
    if (host.find(':') == std::string::npos) host += ":25";
    const std::string url = "smtp://" + host;
    const std::string from = angle(oneLine(trimWhitespace(settings.senderEmail)));
    curl_slist* rcpt = nullptr;
    for (const std::string& address : addressList(recipients)) rcpt = curl_slist_append(rcpt, angle(address).c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> rcptList(rcpt, curl_slist_free_all);

    Reader reader{&message};
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
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
    std::string host(trimWhitespace(settings.smtpServer));
    if (host.empty()) return "ERROR: no SMTP server is set";
    if (host.find(':') == std::string::npos) host += ":25";
    const std::string url = "smtp://" + host;
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
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
    if (serviceLines_) log_.writeLog("Odeslani e-mailu start.");
    const MailSettings current = settings();
    const std::string message = composeMessage(current, recipients, subject_, computerName(), text);
    const bool sent = transmit(current, recipients, message);
    log_.writeLog(sent ? "Odeslani e-mailu:OK ...Body:" + text : "Odeslani e-mailu:chyba... Body:" + text);
    if (serviceLines_) log_.writeLog("Odeslani e-mailu konec.");
}

}  // namespace orvalo
