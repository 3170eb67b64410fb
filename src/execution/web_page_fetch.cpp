#include "execution/web_page_fetch.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "execution/net_request.h"
#include "platform/helper_process.h"
#include "platform/program_folder.h"

namespace orvalo {

namespace {

// The page file, opened at the first byte (or at the end, for an empty page).
struct PageFile {
    const std::filesystem::path* path;
    std::FILE* file = nullptr;
    bool failed = false;

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

}  // namespace

FetchResult fetchPage(const std::string& url, const std::filesystem::path& file, const std::string& userAgent,
                      const FetchLimits& limits, const std::atomic<bool>* abort) {
    const NetRequest request{{"url", url},
                             {"user_agent", userAgent},
                             {"connect_seconds", std::to_string(limits.connect.count())},
                             {"total_seconds", std::to_string(limits.total.count())},
                             {"max_bytes", std::to_string(limits.maxBytes)}};
    PageFile page{&file};
    std::uint64_t written = 0;
    bool tooLarge = false;
    // The helper keeps its own time limits; this one only covers a helper that hangs.
    const auto deadline = std::chrono::steady_clock::now() + limits.total + std::chrono::seconds(10);
    const HelperResult helper =
        runHelper(netHelperProgram(), {"fetch"}, encodeNetRequest(request), deadline, abort, [&](std::string_view piece) {
            if (written + piece.size() > limits.maxBytes) {
                tooLarge = true;
                return false;
            }
            written += piece.size();
            return page.open() && std::fwrite(piece.data(), 1, piece.size(), page.file) == piece.size();
        });
    const bool done = helper.end == HelperEnd::Exited && helper.exitStatus == kNetDone;
    if (done && page.open() && std::fflush(page.file) == 0) return FetchResult::Fetched;
    if (page.file != nullptr) {
        std::fclose(page.file);
        page.file = nullptr;
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    const bool helperTooLarge = helper.end == HelperEnd::Exited && helper.exitStatus == kNetTooLarge;
    return tooLarge || helperTooLarge ? FetchResult::TooLarge : FetchResult::Failed;
}

}  // namespace orvalo
