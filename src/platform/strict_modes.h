// Strict modes, as cron and sshd keep them: a service runs the command lines of its
// list as its user, so every file and folder that decides what it runs must be
// beyond the reach of other users. A path passes when it (and each folder above it)
// belongs to that user or to root and no one else may write it; a folder above may
// be writable by others when its sticky bit keeps them from renaming what is not
// theirs (/tmp). For root, only root's own files pass. Thread-safe.
#pragma once

#include <filesystem>
#include <sys/types.h>
#include <vector>

#include "base/error.h"

namespace orvalo {

// A path that fails the strict modes. The message names the path, its owner and
// its mode.
class UntrustedPathError : public Error {
public:
    using Error::Error;
};

// Raises UntrustedPathError for the first path (or folder above it) that fails
// for the given user; paths that do not exist are passed over.
void requireTrustedPaths(const std::vector<std::filesystem::path>& paths, uid_t user);

}  // namespace orvalo
