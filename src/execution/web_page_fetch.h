// Fetches a web page into a file through the network helper (orvalo-net, libcurl):
// http and https only, redirects too, honouring http_proxy, https_proxy and no_proxy.
// Whatever body the server answers (an error page too) is the page; an address that
// cannot be fetched at all, a transfer that fails, passes its time limits, grows
// beyond the size limit or is aborted counts as not fetched, and then no file is
// left behind. The page file is written here, never through a link. Thread-safe;
// each call has its own helper.
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

// abort, when given, ends the transfer within 100 ms of becoming true.
FetchResult fetchPage(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                      const FetchLimits& limits = {}, const std::atomic<bool>* abort = nullptr);
inline bool downloadFile(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                         const FetchLimits& limits = {}) {
    return fetchPage(url, file, userAgent, limits) == FetchResult::Fetched;
}

}  // namespace orvalo
