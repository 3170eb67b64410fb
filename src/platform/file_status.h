// What the condition watcher asks of a watched file. The file is only looked at
// (stat), never opened: a FIFO or a device cannot block the caller. Only a regular
// file counts as the file; a folder, FIFO, socket or device counts as no file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/local_time.h"

namespace orvalo {

// The last-write time as local calendar time; nullopt when there is no such file.
std::optional<LocalDateTime> fileModified(const std::filesystem::path& path);
// The size of the file; nullopt when there is no regular file.
std::optional<std::uint64_t> fileSize(const std::filesystem::path& path);

// What a path names, looked at with stat (a link is followed).
enum class PathKind { Missing, RegularFile, Folder, Other };
PathKind pathKind(const std::filesystem::path& path);

// Which file a path names and which version of it: any write or replacement
// changes it.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

}  // namespace orvalo
