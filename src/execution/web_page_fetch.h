// Fetches a web page into a file with libcurl, honouring http_proxy, https_proxy and
// no_proxy and following redirects. Whatever body the server answers (an error page
// too) is the page; only an address that cannot be fetched at all, or a transfer
// that fails or passes its time limits, counts as not fetched, and then no file is
// left behind. Thread-safe; each call has its own connection.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace orvalo {

struct FetchLimits {
    std::chrono::seconds connect{30};
    std::chrono::seconds total{120};
};

bool downloadFile(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                  const FetchLimits& limits = {});

// libcurl's process-wide set-up, done once before any transfer.
void initCurl();

}  // namespace orvalo
