#include "execution/web_page_fetch.h"

#include <cstdio>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace orvalo {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

namespace {

struct PageFile {
    const std::filesystem::path* path;
    std::FILE* file = nullptr;
    bool failed = false;

    bool open() {
        if (file == nullptr && !failed) {
            file = std::fopen(path->c_str(), "wbe");
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
    if (!page->open()) return 0;  // ends the transfer with an error
    return std::fwrite(data, size, count, page->file);
}

}  // namespace

bool downloadFile(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                  const FetchLimits& limits) {
    initCurl();
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return false;
    PageFile page{&file};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(c, CURLOPT_TIMEOUT, static_cast<long>(limits.total.count()));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writePage);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &page);
    const CURLcode result = curl_easy_perform(c);
    const bool fetched = result == CURLE_OK && page.open() && std::fflush(page.file) == 0;
    if (!fetched) {
        if (page.file != nullptr) {
            std::fclose(page.file);
            page.file = nullptr;
        }
        std::error_code ec;
        std::filesystem::remove(file, ec);
    }
    return fetched;
}

}  // namespace orvalo
