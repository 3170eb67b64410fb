#include "platform/atomic_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "base/error.h"

namespace orvalo {

namespace {

[[noreturn]] void failCreate(const std::filesystem::path& path, int error) {
    throw IoError("Cannot create file \"" + path.string() + "\". " + std::strerror(error));
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;  // best effort: the rename itself already happened
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void writeFileAtomically(const std::filesystem::path& path, std::string_view contents, mode_t newFileMode,
                         FileModes modes) {
    const std::filesystem::path target = std::filesystem::absolute(path);
    const std::filesystem::path folder = target.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) failCreate(target, ec.value());

    mode_t mode = newFileMode;
    struct stat existing {};
    // Only a regular file passes its bits and owner on: a link planted in its place does not.
    const bool exists = modes == FileModes::KeepExisting && ::lstat(target.c_str(), &existing) == 0 &&
                        S_ISREG(existing.st_mode);
    if (exists) mode = existing.st_mode & 07777;

    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) failCreate(target, errno);

    int error = 0;
    if (::fchmod(fd, mode) != 0) error = errno;
    if (error == 0 && exists && ::fchown(fd, existing.st_uid, existing.st_gid) != 0) {
        // Only root may hand a file to another owner; keeping our own is fine.
    }
    if (error == 0 && !writeAll(fd, contents)) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        failCreate(target, error);
    }
    syncFolder(folder);
}

void removeLeftoverTemporaryFiles(const std::filesystem::path& folder, std::initializer_list<std::string_view> names) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string file = entry.path().filename().string();
        for (std::string_view name : names) {
            const std::size_t prefix = name.size() + 2;
            if (file.size() != prefix + 6 || file[0] != '.' || file.compare(1, name.size(), name) != 0 ||
                file[name.size() + 1] != '.')
                continue;
            const bool ours = std::all_of(file.begin() + static_cast<std::ptrdiff_t>(prefix), file.end(),
                                          [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
            std::error_code removeError;
            if (ours && !entry.is_directory(removeError)) std::filesystem::remove(entry.path(), removeError);
        }
    }
}

bool readWholeFile(const std::filesystem::path& path, std::string& contents) {
    return readWholeFile(path, contents, contents.max_size(), true);
}

bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::size_t maxBytes, bool followLinks) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        if (errno == ENOENT) return false;
        throw IoError("Cannot open file \"" + path.string() + "\". " + std::strerror(errno));
    }
    contents.clear();
    char buffer[65536];
    for (;;) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - contents.size());
        if (want == 0) break;
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            throw IoError("Cannot open file \"" + path.string() + "\". " + std::strerror(error));
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace orvalo
