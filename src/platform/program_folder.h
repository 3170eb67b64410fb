// The program folder: where the event lists, Orvalo.ini, the logs and the page
// files live. It is the folder of the running executable unless ORVALO_HOME names
// another one or the user may not write there (an installed program). Thread-safe;
// reads the environment on every call.
#pragma once

#include <filesystem>
#include <optional>

namespace orvalo {

// The running executable, read from /proc/self/exe, and its folder.
std::filesystem::path executablePath();
std::filesystem::path executableFolder();

// ORVALO_HOME as an absolute path, when set and not empty.
std::optional<std::filesystem::path> programFolderOverride();

// ORVALO_HOME when set and not empty, otherwise executableFolder() when this user
// may write in it, otherwise $XDG_DATA_HOME/orvalo (~/.local/share/orvalo), created
// when missing.
std::filesystem::path programFolder();

}  // namespace orvalo
