#include "net/curl_transfers.h"

#include <cstring>
#include <curl/curl.h>
#include <memory>

#include "base/text.h"

namespace orvalo {

namespace {

using CurlHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

CurlHandle newHandle() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return CurlHandle(initialised ? curl_easy_init() : nullptr, curl_easy_cleanup);
}

std::string field(const NetRequest& request, const char* name) {
    const auto it = request.find(name);
    return it == request.end() ? std::string() : it->second;
}

long number(const NetRequest& request, const char* name, long fallback) {
    const std::optional<std::int64_t> value = parseInteger(field(request, name));
    return value && *value >= 0 ? static_cast<long>(*value) : fallback;
}

struct Page {
    std::FILE* out;
    curl_off_t limit;
    curl_off_t written = 0;
    bool tooLarge = false;
};

std::size_t writePage(char* data, std::size_t size, std::size_t count, void* user) {
    auto* page = static_cast<Page*>(user);
    const auto bytes = static_cast<curl_off_t>(size * count);
    if (page->written + bytes > page->limit) {
        page->tooLarge = true;
        return 0;  // ends the transfer with an error
    }
    page->written += bytes;
    return std::fwrite(data, 1, size * count, page->out);
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

int failedWith(CURLcode result, std::FILE* out) {
    std::fputs(curl_easy_strerror(result), out);
    return kNetFailed;
}

}  // namespace

int fetchTransfer(const NetRequest& request, std::FILE* out) {
    CurlHandle curl = newHandle();
    if (!curl) return kNetFailed;
    CURL* c = curl.get();
    const std::string url = field(request, "url");
    const std::string userAgent = field(request, "user_agent");
    Page page{out, static_cast<curl_off_t>(number(request, "max_bytes", 16L << 20))};
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, number(request, "connect_seconds", 30));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, number(request, "total_seconds", 120));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, page.limit);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writePage);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &page);
    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_OK && std::fflush(out) == 0) return kNetDone;
    return page.tooLarge || result == CURLE_FILESIZE_EXCEEDED ? kNetTooLarge : kNetFailed;
}

int mailTransfer(const NetRequest& request, std::FILE* out) {
    CurlHandle curl = newHandle();
    if (!curl) return kNetFailed;
    CURL* c = curl.get();
    const std::string url = field(request, "url");
    const std::string from = field(request, "from");
    const std::string message = field(request, "message");
    const std::string login = field(request, "login");
    const std::string password = field(request, "password");
    curl_slist* rcpt = nullptr;
    const std::string recipients = field(request, "recipients");
    for (std::size_t start = 0; start < recipients.size();) {
        const std::size_t end = std::min(recipients.find('\n', start), recipients.size());
        if (end > start) rcpt = curl_slist_append(rcpt, recipients.substr(start, end - start).c_str());
        start = end + 1;
    }
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> rcptList(rcpt, curl_slist_free_all);
    if (rcpt == nullptr) return kNetFailed;

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
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, number(request, "connect_seconds", 30));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, number(request, "reply_seconds", 60));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, number(request, "total_seconds", 300));
    if (!login.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, login.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
        curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    const CURLcode result = curl_easy_perform(c);
    return result == CURLE_OK ? kNetDone : failedWith(result, out);
}

int smtpTestTransfer(const NetRequest& request, std::FILE* out) {
    CurlHandle curl = newHandle();
    if (!curl) return kNetFailed;
    CURL* c = curl.get();
    const std::string url = field(request, "url");
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "smtp");
    curl_easy_setopt(c, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, number(request, "connect_seconds", 30));
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, number(request, "reply_seconds", 60));
    const CURLcode result = curl_easy_perform(c);
    return result == CURLE_OK ? kNetDone : failedWith(result, out);
}

}  // namespace orvalo
