#include "platform/file_status.h"

#include <sys/stat.h>
#include <unistd.h>

namespace orvalo {

std::optional<LocalDateTime> fileModified(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    const auto modified = std::chrono::system_clock::from_time_t(st.st_mtim.tv_sec) +
                          std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    return toLocalDateTime(std::chrono::time_point_cast<WallTime::duration>(modified));
}

std::optional<std::uint64_t> fileSize(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

}  // namespace orvalo

namespace orvalo {

PathKind pathKind(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return PathKind::Missing;
    if (S_ISREG(st.st_mode)) return PathKind::RegularFile;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::Other;
}

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                        static_cast<std::uint64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

}  // namespace orvalo
