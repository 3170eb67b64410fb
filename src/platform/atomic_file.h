// Replacing a file atomically: the new contents go to a temporary file in the same
// folder, are flushed to disk and renamed over the old file, so a crash leaves
// either the old or the new file, never a half-written one.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <sys/types.h>

namespace orvalo {

// How the written file's permission bits are chosen.
enum class FileModes {
    KeepExisting,  // an existing file keeps its bits (and owner, for root); a new one gets the mode given
    Always,        // the file gets the mode given, also when it existed (a file holding a password)
};

// Writes contents to path, creating missing parent folders. The temporary file is
// created anew (mkostemp), so no symbolic link is ever followed; a link at path is
// replaced, not written through. Raises IoError with
// "Cannot create file \"<path>\". <reason>" on failure, leaving the old file intact.
void writeFileAtomically(const std::filesystem::path& path, std::string_view contents, mode_t mode = 0600,
                         FileModes modes = FileModes::KeepExisting);

// Removes what interrupted saves of the named files left in the folder: files
// named "." + name + "." + six letters or digits, as writeFileAtomically makes
// them. Only a holder of the files' lock may call it, or it could remove the
// temporary file of a save under way. Errors are ignored.
void removeLeftoverTemporaryFiles(const std::filesystem::path& folder, std::initializer_list<std::string_view> names);

// Reads a whole file. Raises IoError "Cannot open file \"<path>\". <reason>".
// Returns false without raising when the file does not exist.
bool readWholeFile(const std::filesystem::path& path, std::string& contents);
// The same, reading at most maxBytes; without followLinks a symbolic link at path is
// refused (IoError).
bool readWholeFile(const std::filesystem::path& path, std::string& contents, std::size_t maxBytes,
                   bool followLinks = true);

}  // namespace orvalo
