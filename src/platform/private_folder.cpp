#include "platform/private_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

namespace {

// A real folder (no link) owned by this user that group and others cannot enter.
bool privateFolder(const std::filesystem::path& folder) {
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0077) == 0;
}

std::filesystem::path absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] == '/' ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

std::filesystem::path privateRuntimeFolder() {
    if (const auto runtime = absoluteVariable("XDG_RUNTIME_DIR"); !runtime.empty() && privateFolder(runtime)) return runtime;
    std::filesystem::path cache = absoluteVariable("XDG_CACHE_HOME");
    if (cache.empty()) {
        const auto home = absoluteVariable("HOME");
        if (home.empty()) throw Error("Neither XDG_RUNTIME_DIR nor HOME names a folder of this user's");
        cache = home / ".cache";
    }
    const std::filesystem::path folder = cache / "orvalo";
    std::error_code ec;
    std::filesystem::create_directories(cache, ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error("Cannot create " + folder.string() + ": " + std::strerror(errno));
    struct stat st {};
    // A folder of ours with looser bits is tightened; anyone else's is refused.
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
        ::chmod(folder.c_str(), 0700);
    if (!privateFolder(folder)) throw Error(folder.string() + " is not a folder of this user's that only they can enter");
    return folder;
}

}  // namespace orvalo
