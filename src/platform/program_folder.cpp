#include "platform/program_folder.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

namespace {

// A build tree's programs sit in build/bin beside the build's CMakeCache.txt.
bool installedCopy(const std::filesystem::path& folder) {
    std::error_code ec;
    if (folder.filename() == "bin") return !std::filesystem::exists(folder.parent_path() / "CMakeCache.txt", ec);
    return ::access(folder.c_str(), W_OK) != 0;
}

std::filesystem::path userDataFolder(const std::filesystem::path& fallback) {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') return std::filesystem::path(xdg) / "orvalo";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/')
        return std::filesystem::path(home) / ".local/share/orvalo";
    return fallback;
}

}  // namespace

std::filesystem::path executablePath() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw Error("Cannot find the program folder: " + ec.message());
    return exe;
}

std::filesystem::path executableFolder() { return executablePath().parent_path(); }

std::filesystem::path netHelperProgram(const std::filesystem::path& folder) {
    const std::filesystem::path candidates[] = {folder / kNetHelperName,
                                                folder.parent_path() / "libexec" / "orvalo" / kNetHelperName,
                                                folder.parent_path() / "bin" / kNetHelperName};
    for (const std::filesystem::path& candidate : candidates)
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    return candidates[0];
}

std::optional<std::filesystem::path> programFolderOverride() {
    if (const char* home = std::getenv("ORVALO_HOME"); home != nullptr && *home != '\0')
        return std::filesystem::absolute(home);
    return std::nullopt;
}

std::filesystem::path programFolderFor(const std::filesystem::path& executableFolder, FolderUser user, uid_t uid) {
    if (auto home = programFolderOverride()) return *home;
    if (!installedCopy(executableFolder)) return executableFolder;
    if (user == FolderUser::Service && uid == 0) return "/var/lib/orvalo";
    return userDataFolder(executableFolder);
}

std::filesystem::path programFolder(FolderUser user) {
    if (auto home = programFolderOverride()) return *home;  // a mistyped one is reported, not made
    const std::filesystem::path folder = programFolderFor(executableFolder(), user, ::geteuid());
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec)) {
        std::filesystem::create_directories(folder.parent_path(), ec);
        std::filesystem::create_directory(folder, ec);
        // Private, as the service's strict modes want it.
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
    }
    return folder;
}

}  // namespace orvalo
