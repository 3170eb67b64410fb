// Replacing a file atomically: the new contents go to a temporary file in the same
// folder, are flushed to disk and renamed over the old file, so a crash leaves
// either the old or the new file, never a half-written one.
#pragma once

#include <filesystem>
#include <string_view>
#include <sys/types.h>

namespace orvalo {

// Writes contents to path, creating missing parent folders. An existing file keeps
// its permission bits; a new one gets newFileMode. Raises IoError with
// "Cannot create file \"<path>\". <reason>" on failure, leaving the old file intact.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         mode_t newFileMode = 0644);

// Reads a whole file. Raises IoError "Cannot open file \"<path>\". <reason>".
// Returns false without raising when the file does not exist.
bool readWholeFile(const std::filesystem::path& path, std::string& contents);

}  // namespace orvalo
