#include "execution/web_page_fetch.h"

#include <cstdio>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace orvalo {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

int abortWhenSet(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

struct PageFile {
    const std::filesystem::path* path;
    std::uint64_t limit = 0;
    std::uint64_t written = 0;
    std::FILE* file = nullptr;
    bool failed = false;
    bool tooLarge = false;

    bool open() {
        if (file == nullptr && !failed) {
            // A link planted at the page file's name is never followed.
            const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
            file = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
            if (fd >= 0 && file == nullptr) ::close(fd);
            failed = file == nullptr;
        }
        return file != nullptr;
    }
    ~PageFile() {
        if (file != nullptr) std::fclose(file);
    }
};

std::size_t writePage(char* data, std::size_t size, std::size_t count, void* user) {
    auto* page = static_cast<PageFile*>(user);
    const std::size_t bytes = size * count;
    if (page->written + bytes > page->limit) {
        page->tooLarge = true;
        return 0;  // ends the transfer with an error
    }
    if (!page->open()) return 0;
    page->written += bytes;
    return std::fwrite(data, 1, bytes, page->file);
}

}  // namespace

void abortTransferWhen(void* curl, const std::atomic<bool>* abort) {
    if (abort == nullptr) return;
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenSet);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abort));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

FetchResult fetchPage(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                      const FetchLimits& limits, const std::atomic<bool>* abort) {
    initCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return FetchResult::Failed;
    PageFile page{&file, limits.maxBytes};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(limits.total.count()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writePage);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &page);
    abortTransferWhen(c, abort);
    const CURLcode result = curl_easy_perform(c);
    const bool fetched = result == CURLE_OK && page.open() && std::fflush(page.file) == 0;
    if (fetched) return FetchResult::Fetched;
    if (page.file != nullptr) {
        std::fclose(page.file);
        page.file = nullptr;
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return page.tooLarge || result == CURLE_FILESIZE_EXCEEDED ? FetchResult::TooLarge : FetchResult::Failed;
}

}  // namespace orvalo
