// What the condition watcher asks of a watched file. A folder counts as no file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "platform/local_time.h"

namespace orvalo {

// The last-write time as local calendar time; nullopt when there is no such file.
std::optional<LocalDateTime> fileModified(const std::filesystem::path& path);
// The size of the file opened for reading; nullopt when it cannot be opened.
std::optional<std::uint64_t> fileSize(const std::filesystem::path& path);

}  // namespace orvalo
