#include "platform/strict_modes.h"

#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvalo {

namespace {

std::string userName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_name != nullptr)
        return std::string(found->pw_name) + " (uid " + std::to_string(uid) + ")";
    return "uid " + std::to_string(uid);
}

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

[[noreturn]] void refuse(const std::filesystem::path& path, const struct stat& st, uid_t user) {
    const std::string owners = user == 0 ? "root" : userName(user) + " or root";
    throw UntrustedPathError("The service runs as " + (user == 0 ? std::string("root") : userName(user)) + ", so " +
                             path.string() + " must belong to " + owners +
                             " and be writable by its owner only; it belongs to " + userName(st.st_uid) +
                             " with mode " + modeText(st.st_mode));
}

void requireTrusted(const std::filesystem::path& path, uid_t user, bool above) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    const bool owned = st.st_uid == user || st.st_uid == 0;
    const bool othersMayWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    const bool sticky = S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
    if (!owned || (othersMayWrite && !(above && sticky))) refuse(path, st, user);
}

}  // namespace

void requireTrustedPaths(const std::vector<std::filesystem::path>& paths, uid_t user) {
    for (const std::filesystem::path& given : paths) {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::weakly_canonical(given, ec);
        const std::filesystem::path& checked = ec ? given : path;
        requireTrusted(checked, user, false);
        for (std::filesystem::path folder = checked.parent_path(); !folder.empty(); folder = folder.parent_path()) {
            requireTrusted(folder, user, true);
            if (folder == folder.root_path()) break;
        }
    }
}

}  // namespace orvalo
