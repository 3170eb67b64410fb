#include "platform/atomic_file.h"

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

void writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         mode_t newFileMode) {
    const std::filesystem::path target = std::filesystem::absolute(path);
    const std::filesystem::path folder = target.parent_path();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) failCreate(target, ec.value());

    mode_t mode = newFileMode;
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
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

bool readWholeFile(const std::filesystem::path& path, std::string& contents) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return false;
        throw IoError("Cannot open file \"" + path.string() + "\". " + std::strerror(errno));
    }
    contents.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
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
