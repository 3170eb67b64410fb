// Fetches a web page into a file with libcurl, honouring http_proxy, https_proxy and
// no_proxy and following redirects, over http and https only. Whatever body the
// server answers (an error page too) is the page; an address that cannot be fetched
// at all, a transfer that fails, passes its time limits, grows beyond the size
// limit or is aborted counts as not fetched, and then no file is left behind.
// Thread-safe; each call has its own connection.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

namespace orvalo {

struct FetchLimits {
    std::chrono::seconds connect{30};
    std::chrono::seconds total{120};
    std::uint64_t maxBytes = 16u << 20;  // a larger page is not fetched
};

enum class FetchResult { Fetched, Failed, TooLarge };

// abort, when given, ends the transfer within about a second of becoming true.
FetchResult fetchPage(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                      const FetchLimits& limits = {}, const std::atomic<bool>* abort = nullptr);
inline bool downloadFile(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                         const FetchLimits& limits = {}) {
    return fetchPage(url, file, userAgent, limits) == FetchResult::Fetched;
}

// libcurl's process-wide set-up, done once before any transfer.
void initCurl();

// Makes libcurl end a transfer once *abort is true: progress calls come at least
// once a second, also while a server stays silent. curl is a CURL* handle.
void abortTransferWhen(void* curl, const std::atomic<bool>* abort);

}  // namespace orvalo
